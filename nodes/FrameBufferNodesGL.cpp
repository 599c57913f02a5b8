#include <GL/glew.h>

#include <cstdio>

#include "nodes/NodeDrawingGL.h"
#include "graph/NodeValues.h"
#include "nodes/NodesGL.h"

namespace Nodes {
namespace {

using values::MaybeValue;
using values::Value;

// "SetFrameBuffer" state slots.
enum Slot { kFrameBuffer, kSize, kTexture, kDepthBuffer, kDepthMode };

void deleteTexture(MaybeValue& slot) {
    GLuint texture = glNameOf(slot);
    glDeleteTextures(1, &texture);
    slot = {};
}

// Both objects go: the colour mode that follows makes its own depth buffer, and a slot never
// keeps the name of a deleted object.
void deleteFrameBuffer(ValueList& state) {
    GLuint frameBuffer = glNameOf(state[kFrameBuffer]), depthBuffer = glNameOf(state[kDepthBuffer]);
    glDeleteFramebuffers(1, &frameBuffer);
    glDeleteRenderbuffers(1, &depthBuffer);
    state[kFrameBuffer] = {};
    state[kDepthBuffer] = {};
}

void prepareTexture(ValueList& state, Size size, bool depth, bool changed) {
    if (!state[kTexture].hasValue || changed) {
        if (state[kTexture].hasValue) deleteTexture(state[kTexture]);
        state[kTexture] = Value::ofName(values::Texture, createTargetTexture(depth, size));
        state[kSize] = sizeValue(size);
    } else if (sizeIn(state[kSize]) != size) {
        resizeTargetTexture(glNameOf(state[kTexture]), depth, size);
        state[kSize] = sizeValue(size);
        if (state[kDepthBuffer].hasValue) {
            glBindRenderbuffer(GL_RENDERBUFFER, glNameOf(state[kDepthBuffer]));
            glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, size.width, size.height);
        }
    }
}

// Colour mode draws with a depth buffer of its own; depth mode renders depth into the texture.
void createTarget(ValueList& state, Size size, bool depth) {
    const GLuint texture = glNameOf(state[kTexture]);
    state[kFrameBuffer] = Value::ofName(values::VertexArray,
                                        createFrameBuffer(texture, depth ? GL_DEPTH_ATTACHMENT : GL_COLOR_ATTACHMENT0));
    if (!depth) {
        GLuint depthBuffer = 0;
        glGenRenderbuffers(1, &depthBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, size.width, size.height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
        state[kDepthBuffer] = Value::ofName(values::VertexArray, depthBuffer);
    }
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) std::printf("FBO incomplete: 0x%x\n", status);
}

}  // namespace

// The viewport stays as it is: a "Shader" with a size sets it.
void executeSetFrameBuffer(ValueList& inputs, ValueList& outputs, ValueList& state, ExecutionContext&) {
    const Size size = sizeOrRenderSize(inputs[0]);
    const bool depth = inputs[1].hasValue && inputs[1].value.asBool();
    const bool changed = state[kDepthMode].hasValue && state[kDepthMode].value.asBool() != depth;
    prepareTexture(state, size, depth, changed);
    if (state[kFrameBuffer].hasValue && !changed) {
        glBindFramebuffer(GL_FRAMEBUFFER, glNameOf(state[kFrameBuffer]));
        if (!depth) glBindRenderbuffer(GL_RENDERBUFFER, glNameOf(state[kDepthBuffer]));
    } else {
        if (state[kFrameBuffer].hasValue) deleteFrameBuffer(state);
        createTarget(state, size, depth);
    }
    state[kDepthMode] = Value::ofBool(depth);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    outputs[0] = state[kTexture];
}

// Texture 0 has no image to mipmap.
void executeClearFrameBuffer(ValueList& inputs, ValueList&, ValueList&, ExecutionContext&) {
    if (inputs[0].hasValue && glNameOf(inputs[0]) != 0) {
        glBindTexture(GL_TEXTURE_2D, glNameOf(inputs[0]));
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void executeReadPixel(ValueList& inputs, ValueList& outputs, ValueList&, ExecutionContext&) {
    float rgba[4] = {};
    readFromBackBuffer();
    glReadPixels(inputs[0].value.intAt(0), inputs[0].value.intAt(1), 1, 1, GL_RGBA, GL_FLOAT, rgba);
    outputs[0] = Value::ofFloats(values::Vec4, rgba, 4);
    outputs[1] = Value::ofFloats(values::Vec3, rgba, 3);
    for (int i = 0; i < 4; ++i) outputs[2 + size_t(i)] = Value::ofFloat(rgba[i]);
}

}  // namespace Nodes
