// The beat clock and the rules that end the show, kept free of the window so they can be tested
// with synthetic counters and events.
#pragma once
#include <cstdint>

#include <SDL.h>

#include "show/EndOfShow.h"

struct BeatClock {
    uint64_t start = 0;
    double frequency = 1.0;

    // Elapsed milliseconds in double, then the beat in float, as the show's timing expects.
    float beatAt(uint64_t counter, float bpm, float beatOffset) const {
        float elapsedMs = float(double(counter - start) * 1000.0 / frequency);
        return elapsedMs * bpm / 60000.0f - beatOffset;
    }
};

// Window close, or Escape when the key is released.
inline bool isQuitEvent(const SDL_Event& event) {
    return event.type == SDL_QUIT || (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_ESCAPE);
}

// The event watch: only the system asking the app to go to the background ends the show here.
int onSystemEvent(void* userData, SDL_Event* event);
