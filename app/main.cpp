// The player's entry point. Without arguments its only input is its own executable file, where
// the show may be appended, or content.dat beside it; options serve people working on a show.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "frame/QuitSignals.h"
#include "live/LiveProject.h"
#include "player/CrashExit.h"
#include "player/Player.h"
#include "player/PlayerOptions.h"
#include "recording/Recorder.h"
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
    const ParsedCommandLine command = parsePlayerOptions(std::vector<std::string>(argv + (argc > 0), argv + argc));
    if (command.exitStatus) {
        std::fputs(command.text.c_str(), *command.exitStatus == 0 ? stdout : stderr);
        return *command.exitStatus;
    }
    // An error the script interpreter cannot recover from ends the show like any other fatal error.
    scripting::setFatalHook(crashExit);
    installQuitSignals();
    if (command.options.recording()) return runRecorder(ownExecutablePath(argc > 0 ? argv[0] : nullptr), command.options);
    if (!command.options.project.empty()) return live::playProject(command.options);
    return runPlayer(ownExecutablePath(argc > 0 ? argv[0] : nullptr), command.options);
}
