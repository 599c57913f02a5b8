#include "recording/PixelReadBack.h"

#include <GL/glew.h>

#include "recording/RecordSink.h"

PixelReadBack::PixelReadBack(int width, int height, int delay)
    : width_(width), height_(height), delay_(delay), buffers_(size_t(delay) + 1) {
    glGenBuffers(GLsizei(buffers_.size()), buffers_.data());
    for (uint32_t buffer : buffers_) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, GLsizeiptr(width) * height * 4, nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

PixelReadBack::~PixelReadBack() { glDeleteBuffers(GLsizei(buffers_.size()), buffers_.data()); }

// The default frame buffer's draw buffer is the back buffer of a double-buffered window and the
// only buffer of a single-buffered surface; the show has just drawn into it.
void PixelReadBack::capture() {
    if (inFlight() == int(buffers_.size())) throw RecordError("read-back ring overrun");
    GLint drawBuffer = GL_BACK;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glReadBuffer(GLenum(drawBuffer));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[size_t(captured_) % buffers_.size()]);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++captured_;
}

const uint8_t* PixelReadBack::take() {
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[size_t(taken_) % buffers_.size()]);
    const void* pixels = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, GLsizeiptr(width_) * height_ * 4, GL_MAP_READ_BIT);
    if (!pixels) throw RecordError("cannot map the read-back buffer");
    return static_cast<const uint8_t*>(pixels);
}

void PixelReadBack::release() {
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++taken_;
}
