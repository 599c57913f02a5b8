#include <gtest/gtest.h>

#include "frame/Runtime.h"
#include "player/Player.h"
#include "show/Demo.h"

namespace {

uint64_t counterMs = 0;
uint64_t readCounterMs() { return counterMs; }

SDL_Event key(SDL_Keycode sym, Uint32 type = SDL_KEYDOWN, Uint16 mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

// One beat a second, the counter in milliseconds, the clock at beat `beat`.
class FrameControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        demo.bpm = 60.0f;
        demo.beatOffset = 0.0f;
        loop.demo = &demo;
        loop.readCounter = readCounterMs;
        loop.clock = BeatClock{0, 1000.0};
        counterMs = 100000;
        loop.seek(10.0f);
        quitRequested = false;
    }
    void TearDown() override { quitRequested = false; }
    Demo demo;
    FrameLoop loop;
};

}  // namespace

TEST_F(FrameControlsTest, WithoutArgumentsOnlyEscapeActs) {
    EXPECT_FALSE(parsePlayerOptions({}).options.controls);
    EXPECT_TRUE(parsePlayerOptions({"--mute"}).options.controls);
    for (SDL_Keycode sym : {SDLK_SPACE, SDLK_RIGHT, SDLK_LEFT, SDLK_HOME, SDLK_l, SDLK_r, SDLK_F1})
        loop.handleEvent(key(sym));
    EXPECT_FLOAT_EQ(loop.beatNow(), 10.0f);
    EXPECT_FALSE(loop.paused() || loop.loopedBars || loop.reloadRequested || loop.hudShown);
    loop.handleEvent(key(SDLK_ESCAPE));
    EXPECT_FALSE(quitRequested) << "Escape acts when released";
    loop.handleEvent(key(SDLK_ESCAPE, SDL_KEYUP));
    EXPECT_TRUE(quitRequested);
}

TEST_F(FrameControlsTest, SpacePausesAndSeeksKeepThePause) {
    loop.controls = true;
    loop.handleEvent(key(SDLK_SPACE));
    counterMs += 5000;
    EXPECT_TRUE(loop.paused());
    EXPECT_FLOAT_EQ(loop.beatNow(), 10.0f) << "a paused clock stands";
    loop.handleEvent(key(SDLK_RIGHT));
    EXPECT_FLOAT_EQ(loop.beatNow(), 14.0f);
    loop.handleEvent(key(SDLK_RIGHT, SDL_KEYDOWN, KMOD_LSHIFT));
    EXPECT_FLOAT_EQ(loop.beatNow(), 46.0f);
    loop.handleEvent(key(SDLK_LEFT));
    EXPECT_FLOAT_EQ(loop.beatNow(), 42.0f);
    EXPECT_TRUE(loop.paused());
    loop.handleEvent(key(SDLK_SPACE));
    counterMs += 1500;
    EXPECT_FLOAT_EQ(loop.beatNow(), 43.5f) << "the clock goes on from where it stood";
    loop.startBeat = 8.0f;
    loop.handleEvent(key(SDLK_HOME));
    EXPECT_FLOAT_EQ(loop.beatNow(), 8.0f);
    demo.beatOffset = 2.0f;
    loop.handleEvent(key(SDLK_LEFT, SDL_KEYDOWN, KMOD_RSHIFT));
    EXPECT_FLOAT_EQ(loop.beatNow(), -2.0f) << "no further back than the music's start";
}

TEST_F(FrameControlsTest, LoopReloadAndDisplayKeys) {
    loop.controls = true;
    loop.seek(37.5f);
    loop.handleEvent(key(SDLK_l));
    ASSERT_TRUE(loop.loopedBars);
    EXPECT_FLOAT_EQ(*loop.loopedBars, 32.0f);
    loop.handleEvent(key(SDLK_l));
    EXPECT_FALSE(loop.loopedBars);
    loop.handleEvent(key(SDLK_r));
    EXPECT_TRUE(loop.reloadRequested);
    loop.handleEvent(key(SDLK_F1));
    EXPECT_TRUE(loop.hudShown);
    SDL_Event held = key(SDLK_F1);
    held.key.repeat = 1;
    loop.handleEvent(held);
    EXPECT_TRUE(loop.hudShown) << "a held key toggles once";
    EXPECT_FALSE(quitRequested);
}

TEST_F(FrameControlsTest, PollingDrainsTheQueueIntoTheKeys) {
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0);
    loop.controls = true;
    SDL_Event e = key(SDLK_r);
    SDL_PushEvent(&e);
    e = key(SDLK_ESCAPE, SDL_KEYUP);
    SDL_PushEvent(&e);
    e = key(SDLK_a);
    SDL_PushEvent(&e);
    loop.pollEvents();
    EXPECT_TRUE(loop.reloadRequested);
    EXPECT_TRUE(quitRequested);
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}
