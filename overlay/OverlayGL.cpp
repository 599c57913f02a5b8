#include "overlay/OverlayGL.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>

namespace overlay {
namespace {

// The rectangle comes as left, top, right, bottom in clip space; the corners from the vertex id.
const char* const kVertexSource = R"(#version 150
uniform vec4 rect;
out vec2 uv;
void main() {
    vec2 corner = vec2(gl_VertexID & 1, gl_VertexID >> 1);
    uv = corner;
    gl_Position = vec4(mix(rect.x, rect.z, corner.x), mix(rect.y, rect.w, corner.y), 0.0, 1.0);
}
)";

GLuint compileShader(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        char log[1024] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "Overlay shader: %s\n", log);
    }
    return shader;
}

GLuint linkProgram(const char* fragmentSource) {
    GLuint vertex = compileShader(GL_VERTEX_SHADER, kVertexSource);
    GLuint fragment = compileShader(GL_FRAGMENT_SHADER, fragmentSource);
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked) return program;
    glDeleteProgram(program);
    return 0;
}

// The player ends its context before its frame loop goes; what was made in it went with it.
bool contextCurrent() { return SDL_GL_GetCurrentContext() != nullptr; }

}  // namespace

RectProgram::~RectProgram() {
    if (!contextCurrent()) return;
    if (program_) glDeleteProgram(program_);
    if (vertexArray_) glDeleteVertexArrays(1, &vertexArray_);
}

uint32_t RectProgram::use(int x, int y, int width, int height, int windowWidth, int windowHeight) {
    if (!program_ && !failed_) {
        program_ = linkProgram(fragmentSource_);
        failed_ = program_ == 0;
        if (program_) {
            glGenVertexArrays(1, &vertexArray_);
            rectLocation_ = glGetUniformLocation(program_, "rect");
        }
    }
    if (!program_ || windowWidth <= 0 || windowHeight <= 0) return 0;
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    auto clipX = [&](int px) { return 2.0f * float(px) / float(windowWidth) - 1.0f; };
    auto clipY = [&](int py) { return 1.0f - 2.0f * float(py) / float(windowHeight); };
    glUniform4f(rectLocation_, clipX(x), clipY(y), clipX(x + width), clipY(y + height));
    return program_;
}

void RectProgram::draw() const {
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
    glUseProgram(0);
}

uint32_t uploadSurface(const SDL_Surface& surface, uint32_t texture) {
    if (!texture) glGenTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, surface.pitch / 4);
    // ARGB8888 lies in memory as B, G, R, A on the little-endian machines the player runs on.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, surface.w, surface.h, 0, GL_BGRA, GL_UNSIGNED_BYTE, surface.pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

void deleteTexture(uint32_t& texture) {
    if (texture && contextCurrent()) glDeleteTextures(1, &texture);
    texture = 0;
}

OverlayState::OverlayState(int windowWidth, int windowHeight)
    : depthTest_(glIsEnabled(GL_DEPTH_TEST)), cullFace_(glIsEnabled(GL_CULL_FACE)), scissor_(glIsEnabled(GL_SCISSOR_TEST)) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, windowWidth, windowHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

OverlayState::~OverlayState() {
    if (depthTest_) glEnable(GL_DEPTH_TEST);
    if (cullFace_) glEnable(GL_CULL_FACE);
    if (scissor_) glEnable(GL_SCISSOR_TEST);
}

}  // namespace overlay
