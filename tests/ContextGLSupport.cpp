#include "tests/ContextGLSupport.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <cstdlib>
#include <string>

#include "frame/GlFunctions.h"
#include "frame/Runtime.h"

namespace gl_support {

namespace {

std::string makeWindowAndContext() {
    SDL_Window* window = SDL_CreateWindow("gl tests", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kSize, kSize,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return std::string("SDL_CreateWindow: ") + SDL_GetError();
    if (!SDL_GL_CreateContext(window)) return std::string("SDL_GL_CreateContext: ") + SDL_GetError();
    if (!loadGlFunctions()) return "the context answers no GL version";
    return {};
}

// Created once and kept for the whole run: contexts are slow to make under llvmpipe. Core 3.2 is
// asked for because Mesa answers a 3.0 core request with a compatibility context, which would
// hide core-profile mistakes.
void ensureContext() {
    static bool ready = false;
    if (ready) return;
    // Mesa skips compiling shaders it finds in its disk cache and then has no info log to give.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) FAIL() << "SDL_Init: " << SDL_GetError();
    TTF_Init();
    IMG_Init(IMG_INIT_PNG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    const std::string failure = makeWindowAndContext();
    if (!failure.empty()) FAIL() << failure;
    while (glGetError() != GL_NO_ERROR) {
    }
    ready = true;
}

}  // namespace

void GLTest::SetUp() {
    ensureContext();
    if (HasFatalFailure()) return;
    renderSize = RenderSize{kSize, kSize, kSize, kSize};
    currentBeat = 0.0f;
    showPrograms = nullptr;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kSize, kSize);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GLTest::TearDown() {
    showPrograms = nullptr;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

Pixel readPixel(int x, int y) {
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    glReadBuffer(bound == 0 ? GL_BACK : GL_COLOR_ATTACHMENT0);
    uint8_t rgba[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2], rgba[3]};
}

std::vector<uint8_t> readTexture(uint32_t texture, int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::unique_ptr<ShaderProgram> makeProgram(const std::string& fragmentSource, const std::string& fragmentFilename) {
    auto program = std::make_unique<ShaderProgram>();
    program->fragmentSource = fragmentSource;
    program->fragmentFilename = fragmentFilename;
    program->build();
    return program;
}

Pixel drawCentre(ShaderProgram& program, DrawCallback callback) {
    Effect effect("draw", &program, nullptr, nullptr, false, false, nullptr);
    effect.render(callback, false);
    return readPixel(kSize / 2, kSize / 2);
}

std::unique_ptr<Texture> solidTexture(Pixel colour) {
    const uint8_t rgba[4] = {uint8_t(colour[0]), uint8_t(colour[1]), uint8_t(colour[2]), uint8_t(colour[3])};
    auto texture = std::make_unique<Texture>();
    texture->glName = createTexture2D(1, 1, rgba, GL_CLAMP_TO_EDGE);
    texture->width = texture->height = 1;
    return texture;
}

void expectPixelNear(const Pixel& actual, const Pixel& expected, int tolerance) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance)
            << "channel " << i << " of (" << actual[0] << ", " << actual[1] << ", " << actual[2] << ", "
            << actual[3] << ")";
    }
}

}  // namespace gl_support
