#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/LiveProjects.h"
#include "tests/TestSupport.h"

using testing_support::readText;
using testing_support::ScratchDir;
using testing_support::writeFile;
namespace lp = live_projects;

namespace {

const std::string kPlayer = testing_support::toolPath("demoplayer");

void writeProject(const std::filesystem::path& folder, const std::string& colour) {
    writeFile(folder / "default.vert", lp::kVertex);
    writeFile(folder / "fill.frag", lp::fragment(colour));
    writeFile(folder / "project.json", lp::trackProject(0.5f));
}

int run(const std::string& arguments, const std::filesystem::path& log) {
    const std::string command = "env SDL_AUDIODRIVER=dummy '" + kPlayer + "' " + arguments + " > '" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Waits up to `seconds` for the text to appear in the file.
bool waitFor(const std::filesystem::path& file, const std::string& text, int seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (std::filesystem::exists(file) && readText(file).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace

TEST(LiveProjectGLTest, AProjectWithErrorsPrintsThemAndEnds) {
    ScratchDir dir("live-errors");
    writeProject(dir.path(), "vec4(1.0, level, 0.0, 1.0) +");
    EXPECT_EQ(run("--window 64x64 --mute '" + dir.path().string() + "'", dir.path() / "out.log"), 1);
    EXPECT_NE(readText(dir.path() / "out.log").find("fill.frag:4:"), std::string::npos) << readText(dir.path() / "out.log");
    EXPECT_EQ(run("--watch --frames f '" + dir.path().string() + "'", dir.path() / "out.log"), 1);
}

// The player in a window, watching: a saved shader is reloaded, the player ends on SIGINT.
TEST(LiveProjectGLTest, WatchingPlayerReloadsASavedShader) {
    ScratchDir dir("live-watch");
    writeProject(dir.path(), "vec4(1.0, level, 0.0, 1.0)");
    const std::filesystem::path out = dir.path() / "out.log";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (!freopen(out.c_str(), "w", stdout) || !freopen((dir.path() / "err.log").c_str(), "w", stderr)) _exit(2);
        execl(kPlayer.c_str(), kPlayer.c_str(), "--watch", "--window", "320x180", "--mute", dir.path().c_str(), nullptr);
        _exit(3);
    }
    EXPECT_TRUE(waitFor(out, "load of", 60)) << readText(out);
    writeFile(dir.path() / "fill.frag", lp::fragment("vec4(0.0, level, 1.0, 1.0)"));
    EXPECT_TRUE(waitFor(out, "reload of fill.frag: 1 programs built", 30)) << readText(out);
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
