#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <GL/glew.h>
#include <SDL.h>

#include "content/BinaryWriter.h"
#include "content/BlockFile.h"
#include "show/Demo.h"
#include "player/LoadingScreen.h"
#include "player/Player.h"
#include "frame/Runtime.h"
#include "shaders/ShaderProgram.h"
#include "tests/ContextGLSupport.h"
#include "tests/TestSupport.h"

using gl_support::Pixel;
using testing_support::ScratchDir;

namespace {

class LoadingScreenGLTest : public gl_support::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        windowPixelWidth = gl_support::kSize;
        windowPixelHeight = gl_support::kSize;
        screen = std::make_unique<LoadingScreen>(SDL_GL_GetCurrentWindow(), SDL_GL_GetCurrentContext());
    }
    // A point well inside the picture's dark disc, below the equaliser bars: picture row 1300 of
    // 1600 is 0.1875 of the height from the bottom of the screen.
    Pixel discPixel() { return gl_support::readPixel(gl_support::kSize / 2, int(0.1875f * gl_support::kSize)); }
    std::unique_ptr<LoadingScreen> screen;
};

}  // namespace

TEST_F(LoadingScreenGLTest, PictureFillsAndDrainsWithTheRecordsRead) {
    ASSERT_NE(screen->picture.glName, 0u) << "the embedded picture must decode";
    EXPECT_EQ(screen->picture.width, 1600);
    screen->draw(0, 10);  // level 0: dark pixels grey
    gl_support::expectPixelNear(discPixel(), {128, 128, 128, 255}, 3);
    screen->draw(2, 10);  // level 0.4: the point lies more than 0.2 below the surface
    gl_support::expectPixelNear(discPixel(), {255, 255, 0, 255});
    screen->draw(5, 10);  // level 1: full
    gl_support::expectPixelNear(discPixel(), {255, 255, 0, 255});
    screen->draw(9, 10);  // level 0.2: the point is just below the surface, white
    gl_support::expectPixelNear(discPixel(), {255, 255, 255, 255});
    screen->draw(10, 10);
    gl_support::expectPixelNear(discPixel(), {128, 128, 128, 255}, 3);
    gl_support::expectPixelNear(gl_support::readPixel(0, 0), {0, 0, 0, 255});
}

TEST_F(LoadingScreenGLTest, NoRecordsShowsGreyOnBlack) {
    screen->draw(0, 0);
    gl_support::expectPixelNear(discPixel(), {128, 128, 128, 255}, 3);
}

namespace {

// Runs the player binary in a folder, its output in player.log, and returns its exit status.
int runPlayerIn(const std::filesystem::path& folder, const std::string& binary, const std::string& arguments = "",
                const std::string& environment = "SDL_AUDIODRIVER=dummy") {
    std::string command =
        "cd '" + folder.string() + "' && env " + environment + " '" + binary + "' " + arguments + " > player.log 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
}

using testing_support::readText;

const std::string kPlayer = testing_support::toolPath("demoplayer");

std::vector<uint8_t> blockOf(const Demo& demo) {
    content::BinaryWriter out;
    demo.writeBinary(out);
    return out.bytes();
}

Demo& shortened(Demo& demo, float endBeat) {
    demo.endBeat = endBeat;
    demo.bpm = 600.0f;
    demo.beatOffset = 0.0f;
    return demo;
}

std::vector<uint8_t> shortShow(float endBeat) {
    Demo demo;
    return blockOf(shortened(demo, endBeat));
}


}  // namespace

TEST(PlayerProcessGLTest, WithoutContentWritesErrorLog) {
    ScratchDir dir("player-none");
    EXPECT_EQ(runPlayerIn(dir.path(), kPlayer), 1);
    EXPECT_EQ(readText(dir.path() / "error.log"),
              "Cannot find DEMO in executable. Please follow the instructions in Glimmerdeck.\n");
    EXPECT_NE(readText(dir.path() / "player.log").find("Cannot find DEMO"), std::string::npos);
}

TEST(PlayerProcessGLTest, HelpAndUsageErrorsNeedNoDisplay) {
    ScratchDir dir("player-usage");
    EXPECT_EQ(runPlayerIn(dir.path(), kPlayer, "--help", "-u DISPLAY"), 0);
    for (const char* listed : {"--window", "Shift", "F1", "Escape"})
        EXPECT_NE(readText(dir.path() / "player.log").find(listed), std::string::npos) << listed;
    EXPECT_EQ(runPlayerIn(dir.path(), kPlayer, "--licences", "-u DISPLAY"), 0);
    for (const char* library : {"==== SDL_mixer ====", "==== FreeType ====", "==== tinygltf ====", "==== Duktape ====",
                                "==== DejaVu fonts ===="})
        EXPECT_NE(readText(dir.path() / "player.log").find(library), std::string::npos) << library;
    for (const char* wrong : {"--window 640", "--fps 0 --record v.mp4", "--size 64x64", "missing.dat", "--bogus"}) {
        EXPECT_EQ(runPlayerIn(dir.path(), kPlayer, wrong, "-u DISPLAY"), 1) << wrong;
        const std::string log = readText(dir.path() / "player.log");
        EXPECT_EQ(log.rfind("demoplayer: ", 0), 0u) << wrong << ": " << log;
        EXPECT_EQ(log.find('\n'), log.size() - 1) << wrong << ": " << log;
    }
}

// A named content file in another folder, in a window of its own, over a stretch of beats.
TEST(PlayerProcessGLTest, OptionsChooseContentWindowAndBeats) {
    ScratchDir dir("player-options");
    testing_support::writeFile(dir.path() / "show.dat", shortShow(1000.0f));  // 100 s at 600 bpm
    std::filesystem::create_directory(dir.path() / "elsewhere");
    EXPECT_EQ(runPlayerIn(dir.path() / "elsewhere", kPlayer, "--window 320x200 --start 500 --end 501 --mute ../show.dat"),
              0);
    const std::string log = readText(dir.path() / "elsewhere" / "player.log");
    EXPECT_NE(log.find("Window: 320x200, render size 320x180"), std::string::npos) << log;
}

TEST(PlayerProcessGLTest, CorruptContentEndsThroughCrashFile) {
    ScratchDir dir("player-corrupt");
    std::vector<uint8_t> block = shortShow(1.0f);
    block[8] = 0xFF;  // the events count
    // The music rate, read ahead from the block's end to open the audio device, is no help here.
    std::fill(block.end() - 4, block.end(), 0);
    testing_support::writeFile(dir.path() / "content.dat", block);
    EXPECT_EQ(runPlayerIn(dir.path(), kPlayer), 1);
    std::string crash = readText(dir.path() / "crash.txt");
    EXPECT_EQ(crash.rfind("Fatal error: Corrupt content block", 0), 0u) << crash;
    EXPECT_NE(crash.find("Event"), std::string::npos) << crash;
    EXPECT_EQ(crash.substr(crash.size() - 8), "Exiting.");
}

// A tempo of 0 would freeze the clock on the first frame forever.
TEST(PlayerProcessGLTest, StoppedClockEndsThroughCrashFile) {
    ScratchDir dir("player-tempo");
    Demo demo;
    shortened(demo, 1.0f).bpm = 0.0f;
    testing_support::writeFile(dir.path() / "content.dat", blockOf(demo));
    EXPECT_EQ(runPlayerIn(dir.path(), kPlayer), 1);
    const std::string crash = readText(dir.path() / "crash.txt");
    EXPECT_NE(crash.find("Corrupt content block: the tempo (bpm) is 0"), std::string::npos) << crash;
}

TEST(PlayerProcessGLTest, ShowFromContentFileEndsAfterItsEndBeat) {
    ScratchDir dir("player-short");
    testing_support::writeFile(dir.path() / "content.dat", shortShow(2.0f));  // 0.2 s at 600 bpm
    EXPECT_EQ(runPlayerIn(dir.path(), kPlayer), 0) << readText(dir.path() / "player.log");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "crash.txt"));
}

// Programs compile once the show is complete, so an include between them prints no error.
TEST(PlayerProcessGLTest, IncludedProgramsCompileWithoutFalseErrors) {
    Demo demo;
    for (int i = 0; i < 2; ++i) demo.shaders.push_back(std::make_unique<ShaderProgram>());
    demo.shaders[0]->fragmentFilename = "user.frag";
    demo.shaders[0]->fragmentSource = "#include \"whole.frag\"\n";
    demo.shaders[1]->fragmentFilename = "whole.frag";
    demo.shaders[1]->fragmentSource = "#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";
    ScratchDir dir("player-includes");
    testing_support::writeFile(dir.path() / "content.dat", blockOf(shortened(demo, 1.0f)));
    EXPECT_EQ(runPlayerIn(dir.path(), kPlayer), 0);
    const std::string log = readText(dir.path() / "player.log");
    EXPECT_EQ(log.find("rror"), std::string::npos) << log;
}

TEST(PlayerProcessGLTest, ShowInsideTheExecutableIgnoresContentFile) {
    ScratchDir dir("player-exe");
    std::vector<uint8_t> exe = testing_support::readFile(kPlayer);
    ASSERT_FALSE(exe.empty());
    testing_support::writeFile(dir.path() / "show", content::appendBlock(exe, shortShow(1.0f)));
    std::filesystem::permissions(dir.path() / "show", std::filesystem::perms::owner_all);
    std::vector<uint8_t> corrupt = shortShow(1.0f);
    corrupt[8] = 0xFF;
    testing_support::writeFile(dir.path() / "content.dat", corrupt);
    EXPECT_EQ(runPlayerIn(dir.path(), (dir.path() / "show").string()), 0) << readText(dir.path() / "player.log");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "crash.txt"));
}

// A damaged show in an executable reports itself instead of playing content.dat.
TEST(PlayerProcessGLTest, OversizedTrailerEndsThroughCrashFile) {
    ScratchDir dir("player-truncated");
    std::vector<uint8_t> exe = testing_support::readFile(kPlayer);
    ASSERT_FALSE(exe.empty());
    std::vector<uint8_t> show = content::appendBlock(exe, shortShow(1.0f));
    const uint32_t oversized = uint32_t(show.size());
    std::memcpy(show.data() + show.size() - 8, &oversized, 4);
    testing_support::writeFile(dir.path() / "show", show);
    std::filesystem::permissions(dir.path() / "show", std::filesystem::perms::owner_all);
    testing_support::writeFile(dir.path() / "content.dat", shortShow(1.0f));
    EXPECT_EQ(runPlayerIn(dir.path(), (dir.path() / "show").string()), 1);
    const std::string crash = readText(dir.path() / "crash.txt");
    EXPECT_NE(crash.find(std::to_string(oversized) + " bytes in a file of " + std::to_string(show.size())),
              std::string::npos)
        << crash;
}

namespace {

uint64_t steppedCounter = 0;
uint64_t readSteppedCounter() { return steppedCounter; }

}  // namespace

TEST_F(LoadingScreenGLTest, FrameLoopEndsOnTheFrameAfterTheEndBeat) {
    Demo demo;
    demo.bpm = 60.0f;  // one beat per second; the counter runs in milliseconds
    demo.beatOffset = 0.0f;
    demo.endBeat = 2.0f;
    FrameLoop loop;
    loop.demo = &demo;
    loop.window = SDL_GL_GetCurrentWindow();
    loop.clock = BeatClock{0, 1000.0};
    loop.readCounter = readSteppedCounter;
    quitRequested = false;
    for (uint64_t ms : {0, 1000, 2000}) {
        steppedCounter = ms;
        loop.frame();
        EXPECT_FLOAT_EQ(currentBeat, float(ms) / 1000.0f);
        EXPECT_FALSE(quitRequested) << "at beat " << currentBeat;
    }
    steppedCounter = 2001;
    loop.frame();
    EXPECT_TRUE(quitRequested);
    quitRequested = false;
}

TEST_F(LoadingScreenGLTest, FrameLoopStartsAtItsStartBeatAndLoopsBackAfterItsEnd) {
    Demo demo;
    demo.bpm = 60.0f;
    demo.beatOffset = 1.0f;
    FrameLoop loop;
    loop.demo = &demo;
    loop.window = SDL_GL_GetCurrentWindow();
    loop.clock = BeatClock{0, 1000.0};
    loop.readCounter = readSteppedCounter;
    loop.startBeat = 4.0f;
    loop.endBeat = 6.0f;
    loop.loop = true;
    quitRequested = false;
    steppedCounter = 50000;
    loop.startClock();
    loop.frame();
    EXPECT_FLOAT_EQ(currentBeat, 4.0f);
    EXPECT_DOUBLE_EQ(loop.startSeconds(), 5.0);  // the beat offset counts
    steppedCounter += 2001;
    loop.frame();
    EXPECT_FLOAT_EQ(currentBeat, 4.0f) << "back to the start beat";
    EXPECT_FALSE(quitRequested);
    loop.loop = false;
    steppedCounter += 2001;
    loop.frame();
    EXPECT_TRUE(quitRequested);
    quitRequested = false;
}

// A sized node's render size lasts for the rest of its frame; the next frame starts again from
// the screen's.
TEST_F(LoadingScreenGLTest, EveryFrameStartsFromTheScreenRenderSize) {
    Demo demo;
    FrameLoop loop;
    loop.demo = &demo;
    loop.window = SDL_GL_GetCurrentWindow();
    loop.screenSize = renderSize;
    loop.readCounter = readSteppedCounter;
    renderSize.width = renderSize.height = 8;
    loop.frame();
    EXPECT_EQ(renderSize.width, gl_support::kSize);
    EXPECT_EQ(renderSize.height, gl_support::kSize);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], gl_support::kSize);
}

// While a show is worked on, its end holds the picture instead of ending the show, and the L key's
// eight bars go back to their start.
TEST_F(LoadingScreenGLTest, FrameLoopHoldsAtTheEndAndRepeatsLoopedBars) {
    Demo demo;
    demo.bpm = 60.0f;
    demo.beatOffset = 0.0f;
    demo.endBeat = 40.0f;
    FrameLoop loop;
    loop.demo = &demo;
    loop.window = SDL_GL_GetCurrentWindow();
    loop.clock = BeatClock{0, 1000.0};
    loop.readCounter = readSteppedCounter;
    loop.holdAtEnd = true;
    quitRequested = false;
    steppedCounter = 31000;
    loop.loopedBars = 0.0f;
    loop.frame();
    EXPECT_FLOAT_EQ(currentBeat, 31.0f);
    steppedCounter += 1500;
    loop.frame();
    EXPECT_FLOAT_EQ(currentBeat, 0.0f) << "the end of the looped bars goes back to their start";
    loop.loopedBars.reset();
    steppedCounter += 45000;
    loop.frame();
    EXPECT_FLOAT_EQ(currentBeat, 40.0f);
    EXPECT_TRUE(loop.paused());
    steppedCounter += 5000;
    loop.setPaused(false);
    loop.frame();
    EXPECT_FLOAT_EQ(currentBeat, 40.0f) << "going on past the end holds again";
    EXPECT_FALSE(quitRequested);
}
