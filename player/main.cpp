// The player's entry point: it takes no options; its only input is its own executable file,
// where the show may be appended.
#include <unistd.h>

#include <climits>
#include <string>

#include "player/CrashExit.h"
#include "player/Player.h"
#include "scripting/ScriptEngine.h"

namespace {

std::string ownExecutablePath(const char* argv0) {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return argv0 ? argv0 : "";
    path[n] = '\0';
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    // An error the script interpreter cannot recover from ends the show like any other fatal error.
    scripting::setFatalHook(crashExit);
    return runPlayer(ownExecutablePath(argc > 0 ? argv[0] : nullptr));
}
