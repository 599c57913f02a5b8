#include "frame/OffscreenGL.h"

#include "frame/GlFunctions.h"

namespace {

// Core 3.2 rather than 3.0: Mesa answers a 3.0 core request with a compatibility context.
void requestCoreContext() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
}

// Video on one driver (null: SDL's choice, or whichever runs already), a hidden window and a
// current context. Video is counted, not restarted, so a window opened before keeps working.
bool tryDriver(const char* driver, int width, int height, OffscreenGL& gl, std::string& error) {
    if (driver) SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    const int status = SDL_InitSubSystem(SDL_INIT_VIDEO);
    if (driver) SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (status != 0) {
        error = SDL_GetError();
        return false;
    }
    gl.videoStarted = true;
    requestCoreContext();
    gl.window = SDL_CreateWindow("offscreen", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                 SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (gl.window) gl.context = SDL_GL_CreateContext(gl.window);
    if (gl.context && SDL_GL_MakeCurrent(gl.window, gl.context) == 0 && loadGlFunctions()) {
        gl.videoDriver = SDL_GetCurrentVideoDriver();
        return true;
    }
    error = gl.window ? SDL_GetError() : std::string("SDL_CreateWindow: ") + SDL_GetError();
    closeOffscreenGL(gl);
    return false;
}

}  // namespace

OffscreenGL openOffscreenGL(std::string& error, int width, int height) {
    OffscreenGL gl;
    std::string offscreenError;
    if (tryDriver("offscreen", width, height, gl, offscreenError)) return gl;
    if (tryDriver(nullptr, width, height, gl, error)) return gl;
    error = "no GL context: offscreen driver: " + offscreenError + "; hidden window: " + error;
    return gl;
}

void closeOffscreenGL(OffscreenGL& gl) {
    if (gl.context) SDL_GL_DeleteContext(gl.context);
    if (gl.window) SDL_DestroyWindow(gl.window);
    if (gl.videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    gl = {};
}
