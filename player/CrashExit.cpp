#include "player/CrashExit.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>

void crashExit(const std::string& message) {
    std::FILE* file = std::fopen("crash.txt", "w");
    if (!file) {
        std::printf("Error opening file!\n");
        std::fflush(stdout);
        std::exit(1);
    }
    std::fprintf(file, "Fatal error: %s\n", message.c_str());
    std::fprintf(file, "Exiting.");
    std::fclose(file);
    std::fflush(stdout);
    std::exit(1);
}

void flushGlErrors(const char* label) {
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) std::printf("ERROR! %s: %x\n", label, code);
}
