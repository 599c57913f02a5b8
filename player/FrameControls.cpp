// The frame loop's clock controls (pause, seek) and the keys that drive them while a show is
// being worked on.
#include <algorithm>
#include <cmath>

#include "audio/Audio.h"
#include "player/Player.h"

float FrameLoop::beatNow() const {
    if (!demo) return 0.0f;
    return clock.beatAt(pausedAt_ ? *pausedAt_ : readCounter(), demo->bpm, demo->beatOffset);
}

bool FrameLoop::paused() const { return pausedAt_.has_value(); }

void FrameLoop::setPaused(bool pause) {
    if (pause == paused()) return;
    if (pause) {
        pausedAt_ = readCounter();
    } else {
        clock.start += readCounter() - *pausedAt_;
        pausedAt_.reset();
    }
    audio::setPlaybackPaused(pause);
}

// A beat before the music's start goes to its start, as the start beat does.
void FrameLoop::seek(float beat) {
    if (!demo || !(demo->bpm > 0.0f)) return;
    seekSeconds(std::max(0.0, (double(beat) + demo->beatOffset) * 60.0 / demo->bpm));
}

void FrameLoop::seekSeconds(double seconds) {
    const uint64_t now = pausedAt_ ? *pausedAt_ : readCounter();
    clock.start = now - uint64_t(seconds * clock.frequency);
    audio::replayMusic(seconds);
    if (paused()) audio::setPlaybackPaused(true);
}

void FrameLoop::pollEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) handleEvent(event);
}

// Keys act when pressed (held arrows repeat), except Escape, which quits when released.
void FrameLoop::handleEvent(const SDL_Event& event) {
    if (isQuitEvent(event)) quitRequested = true;
    if (!controls || event.type != SDL_KEYDOWN) return;
    const bool repeat = event.key.repeat != 0;
    const float step = (event.key.keysym.mod & KMOD_SHIFT) ? 8 * kBeatsPerBar : kBeatsPerBar;
    switch (event.key.keysym.sym) {
        case SDLK_LEFT: seek(beatNow() - step); break;
        case SDLK_RIGHT: seek(beatNow() + step); break;
        case SDLK_HOME: seek(startBeat.value_or(0.0f)); break;
        case SDLK_SPACE: if (!repeat) setPaused(!paused()); break;
        case SDLK_r: if (!repeat) reloadRequested = true; break;
        case SDLK_F1: if (!repeat) hudShown = !hudShown; break;
        case SDLK_l:
            if (repeat) break;
            if (loopedBars)
                loopedBars.reset();
            else
                loopedBars = std::floor(beatNow() / kLoopedBeats) * kLoopedBeats;
            break;
        default: break;
    }
}
