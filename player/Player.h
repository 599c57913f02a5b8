// The player's spine: start-up of SDL, the window, the GL context and the audio device, loading,
// the frame loop with its beat clock and quit rules, and shutdown.
#pragma once
#include <cstdint>
#include <string>

#include <SDL.h>

#include "player/FrameClock.h"

class Demo;

// Runs the whole show; returns the process exit status.
int runPlayer(const std::string& executablePath);

// One frame of the show: clear, beat, quit rules, the timeline pass, swap. The counter is read
// through a function so that tests can step the clock exactly.
struct FrameLoop {
    Demo& demo;
    SDL_Window* window;
    BeatClock clock;
    uint64_t (*readCounter)() = SDL_GetPerformanceCounter;

    void frame();
    void run();
};
