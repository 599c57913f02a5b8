#include <gtest/gtest.h>

#include "player/FrameClock.h"
#include "frame/Runtime.h"

TEST(FrameClockTest, BeatFollowsTheCounterAndTempo) {
    BeatClock clock{1000, 1000.0};  // a counter in milliseconds
    EXPECT_FLOAT_EQ(clock.beatAt(1000, 120.0f, 0.5f), -0.5f);
    EXPECT_FLOAT_EQ(clock.beatAt(2000, 120.0f, 0.5f), 1.5f);
    BeatClock nanos{0, 1e9};
    EXPECT_NEAR(nanos.beatAt(187'500'000'000ull, 136.0f, 0.0f), 425.0f, 1e-3f);
}

TEST(FrameClockTest, TheFrameAfterTheEndBeatIsTheLast) {
    EXPECT_FALSE(pastEndOfShow(424.0f, 424.0f));
    EXPECT_TRUE(pastEndOfShow(424.01f, 424.0f));
    EXPECT_TRUE(pastEndOfShow(9999.0f, 424.0f));
    EXPECT_FALSE(pastEndOfShow(10000.0f, 424.0f));
    EXPECT_FALSE(pastEndOfShow(-0.5f, 0.0f));
}

TEST(FrameClockTest, QuitOnWindowCloseAndOnEscapeRelease) {
    SDL_Event e{};
    e.type = SDL_QUIT;
    EXPECT_TRUE(isQuitEvent(e));
    e = SDL_Event{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    EXPECT_FALSE(isQuitEvent(e)) << "holding Escape must not quit";
    e.type = SDL_KEYUP;
    EXPECT_TRUE(isQuitEvent(e));
    e.key.keysym.sym = SDLK_SPACE;
    EXPECT_FALSE(isQuitEvent(e));
}

TEST(FrameClockTest, EventWatchOnlyReactsToGoingToTheBackground) {
    quitRequested = false;
    SDL_Event e{};
    e.type = SDL_QUIT;
    EXPECT_EQ(onSystemEvent(nullptr, &e), 1);
    EXPECT_FALSE(quitRequested);
    e.type = SDL_APP_WILLENTERBACKGROUND;
    EXPECT_EQ(onSystemEvent(nullptr, &e), 1);
    EXPECT_TRUE(quitRequested);
    quitRequested = false;
}
