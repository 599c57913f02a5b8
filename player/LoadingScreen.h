// The screen shown while the show loads: a picture that fills up and drains as records arrive,
// then a short sound and, for shows inside the executable, the finished picture held a while.
#pragma once
#include <cstdint>
#include <memory>

#include <SDL.h>

#include "content/AudioSample.h"
#include "content/Texture.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Effect.h"

class LoadingScreen {
public:
    // Needs the GL context current; makes the loader program, picture and effect.
    LoadingScreen(SDL_Window* window, SDL_GLContext context);

    // One loading frame at read / total records, paced at 20 ms.
    void drawProgress(uint64_t read, uint64_t total);
    // Plays the loading-done sound (decoded for the device as it runs now) and, for a show read
    // from the executable, holds the finished screen for 100 frames.
    void finish(uint64_t total, bool fromExecutable);
    // The picture at a level into the current frame buffer, without events or swapping.
    void draw(float read, float total);

    ShaderProgram program;
    Texture picture;
    std::unique_ptr<Effect> effect;
    AudioSample doneSound;

private:
    void drawFrame(float read, float total);

    SDL_Window* window_;
    SDL_GLContext context_;
};

// The loader's fragment shader.
extern const char* const kLoaderFragmentSource;
