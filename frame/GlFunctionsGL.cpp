#include "frame/GlFunctions.h"

#include <GL/glew.h>

#include <cstdio>

bool loadGlFunctions() {
    glewExperimental = GL_TRUE;
    const GLenum glew = glewInit();
    // Without an X server (EGL contexts) GLEW finds no GLX display; GL itself is loaded by then.
    if (glew != GLEW_OK && glew != GLEW_ERROR_NO_GLX_DISPLAY) std::printf("GLEW: %s\n", reinterpret_cast<const char*>(glewGetErrorString(glew)));
    glGetError();  // GLEW's probing may leave an error behind on core contexts
    return glGetString(GL_VERSION) != nullptr;
}
