// A GL 3.x core context that shows nothing on screen, for work that only renders into frame
// buffers or compiles shaders: recording a show, checking a pack.
#pragma once
#include <string>

#include <SDL.h>

struct OffscreenGL {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::string videoDriver;  // "offscreen", or the default driver's name for the hidden-window fallback
    bool videoStarted = false;
};

// Starts SDL video, opens a hidden window of a size and makes a context current with GL loaded.
// SDL's "offscreen" driver (EGL; needs no X server with Mesa) is tried first, then a hidden window
// on the default driver; where video runs already, its driver serves. On failure `error` says
// why, nothing stays open, and the result holds no window.
OffscreenGL openOffscreenGL(std::string& error, int width = 64, int height = 64);

// Deletes the context and the window and releases SDL video (counted: others' windows stay).
void closeOffscreenGL(OffscreenGL& gl);
