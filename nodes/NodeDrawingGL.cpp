#include <GL/glew.h>

#include "nodes/NodeDrawingGL.h"
#include "graph/NodeValues.h"
#include "frame/Runtime.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Effect.h"

namespace Nodes {
namespace {

using values::MaybeValue;
using values::Value;

constexpr float kQuad[18] = {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, 1, 0, 1, -1, 0, -1, -1, 0};
constexpr int32_t kMaxSide = 16384;

// Every node's quad is the same six vertices, so one buffer serves all their vertex arrays.
GLuint quadVertices() {
    static GLuint buffer = 0;
    if (buffer == 0) {
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, sizeof kQuad, kQuad, GL_STATIC_DRAW);
    }
    return buffer;
}

// A core profile has no default vertex array whose attributes could be pointed.
bool vertexArrayBound() {
    GLint vertexArray = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    return vertexArray != 0;
}

std::unique_ptr<PixelBuffer> newPixelBuffer(Size size) {
    auto buffer = std::make_unique<PixelBuffer>();
    buffer->width = size.width;
    buffer->height = size.height;
    buffer->pixels.assign(size_t(size.width) * size_t(size.height) * 4, 0);
    return buffer;
}

GLuint newScreenTexture() {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

// A new buffer means a new size: the texture is made anew at that size with it.
PixelBuffer& screenBuffer(MaybeValue& textureSlot, MaybeValue& bufferSlot, Size size) {
    PixelBuffer* buffer = referenced<PixelBuffer>(bufferSlot);
    if (buffer && buffer->width == size.width && buffer->height == size.height) return *buffer;
    if (textureSlot.hasValue) {
        GLuint old = glNameOf(textureSlot);
        glDeleteTextures(1, &old);
        textureSlot = {};
    }
    return *replaceOwned(bufferSlot, newPixelBuffer(size));
}

}  // namespace

std::optional<Size> sizeInput(const MaybeValue& input) {
    if (!input.hasValue) return std::nullopt;
    Size size{input.value.intAt(0), input.value.intAt(1)};
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxSide || size.height > kMaxSide) return std::nullopt;
    return size;
}

Size sizeOrRenderSize(const MaybeValue& input) {
    return sizeInput(input).value_or(Size{renderSize.width, renderSize.height});
}

Value sizeValue(Size size) {
    const int32_t sides[2] = {size.width, size.height};
    return Value::ofInts(values::IVec2, sides, 2);
}

Size sizeIn(const MaybeValue& slot) { return {slot.value.intAt(0), slot.value.intAt(1)}; }

void bindScreenQuad(MaybeValue& slot) {
    if (!slot.hasValue) {
        GLuint vertexArray = 0;
        glGenVertexArrays(1, &vertexArray);
        slot = Value::ofName(values::VertexArray, vertexArray);
    }
    glBindVertexArray(glNameOf(slot));
    glBindBuffer(GL_ARRAY_BUFFER, quadVertices());
}

bool programInUse() {
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    return current != 0;
}

void drawScreenQuad() {
    if (!programInUse()) return;
    glEnable(GL_BLEND);
    glDrawArrays(GL_TRIANGLES, 0, 6);
}

void useProgram(const ShaderProgram& program, const MaybeValue& size, const MaybeValue& tex) {
    if (std::optional<Size> s = sizeInput(size)) {
        glViewport(0, 0, s->width, s->height);
        renderSize.width = s->width;
        renderSize.height = s->height;
    }
    if (!program.linked) {
        glUseProgram(0);
        return;
    }
    glUseProgram(program.program);
    program.setStandardUniforms();
    program.applyUniformDefaults();
    if (tex.hasValue) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, glNameOf(tex));
    }
    if (vertexArrayBound()) {
        glEnableVertexAttribArray(program.positionAttribute);
        glVertexAttribPointer(program.positionAttribute, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
}

int bindSampler(int32_t location, uint32_t texture, int unit) {
    if (unit >= kSamplerUnits) return unit;
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(location, unit);
    return unit + 1;
}

void readFromBackBuffer() {
    GLint bound = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &bound);
    if (bound == 0) glReadBuffer(GL_BACK);
}

// The texture is re-specified from the buffer every time with a sized format and mipmapped;
// immutable storage would refuse the re-specification.
void copyScreenToTexture(MaybeValue& textureSlot, MaybeValue& bufferSlot, const MaybeValue& size, MaybeValue& output) {
    const Size s = sizeOrRenderSize(size);
    PixelBuffer& buffer = screenBuffer(textureSlot, bufferSlot, s);
    if (!textureSlot.hasValue) textureSlot = Value::ofName(values::Texture, newScreenTexture());
    readFromBackBuffer();
    glReadPixels(0, 0, s.width, s.height, GL_RGBA, GL_UNSIGNED_BYTE, buffer.pixels.data());
    glBindTexture(GL_TEXTURE_2D, glNameOf(textureSlot));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, s.width, s.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, buffer.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glGenerateMipmap(GL_TEXTURE_2D);
    output = textureSlot.value;
}

uint32_t createTargetTexture(bool depth, Size size) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    resizeTargetTexture(texture, depth, size);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, depth ? GL_NEAREST : GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, depth ? GL_NEAREST : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

void resizeTargetTexture(uint32_t texture, bool depth, Size size) {
    glBindTexture(GL_TEXTURE_2D, texture);
    if (depth)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, size.width, size.height, 0, GL_DEPTH_COMPONENT,
                     GL_UNSIGNED_INT, nullptr);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, size.width, size.height, 0, GL_RGBA, GL_FLOAT, nullptr);
}

// A depth-only frame buffer draws and reads no colour; without saying so it is incomplete on
// GL 3 drivers.
uint32_t createFrameBuffer(uint32_t texture, uint32_t attachment) {
    GLuint frameBuffer = 0;
    glGenFramebuffers(1, &frameBuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, attachment, GL_TEXTURE_2D, texture, 0);
    if (attachment == GL_DEPTH_ATTACHMENT) {
        glDrawBuffer(GL_NONE);
        glReadBuffer(GL_NONE);
    }
    return frameBuffer;
}

}  // namespace Nodes
