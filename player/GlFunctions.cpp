#include "player/GlFunctions.h"

#include <GL/glew.h>

#include <cstdio>

bool loadGlFunctions() {
    glewExperimental = GL_TRUE;
    const GLenum glew = glewInit();
    if (glew != GLEW_OK) std::printf("GLEW: %s\n", reinterpret_cast<const char*>(glewGetErrorString(glew)));
    glGetError();  // GLEW's probing may leave an error behind on core contexts
    return glGetString(GL_VERSION) != nullptr;
}
