#include <GL/glew.h>

#include "graph/ExecutionContext.h"
#include "graph/Graph.h"
#include "nodes/NodesGL.h"
#include "tests/ContextGLSupport.h"
#include "tests/NodeGLSupport.h"

using namespace gl_support;
using namespace node_gl;
using namespace Nodes;
using values::MaybeValue;
using values::Value;

namespace {

// "SetFrameBuffer" state slots.
enum { kFrameBuffer, kSize, kTexture, kDepthBuffer, kDepthMode };

class FrameBufferNodeGLTest : public GLTest {
protected:
    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        GLTest::TearDown();
    }

    void setFrameBuffer(int w, int h, bool depth) {
        target.inputs[0] = ivec2(w, h);
        target.inputs[1] = Value::ofBool(depth);
        executeSetFrameBuffer(target.inputs, target.outputValues, target.state, context);
    }
    GLuint slot(int i) const { return nameIn(target.state[size_t(i)]); }
    static GLint attachment(GLenum point) {
        GLint name = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, point, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
        return name;
    }
    static void fill(float r, float g, float b) {
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 1);
    }
    // A texture parameter no fresh target texture has: it survives only on the same object.
    static void mark(GLuint texture) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    }
    static bool marked(GLuint texture) {
        GLint wrap = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        return wrap == GL_MIRRORED_REPEAT;
    }

    GraphNode target{catalogue().find("SetFrameBuffer")};
    ExecutionContext context;
};

// The second run binds and clears what the first made; a new size re-specifies the same
// texture and depth buffer.
TEST_F(FrameBufferNodeGLTest, SameSizeTwiceMakesItsObjectsOnce) {
    setFrameBuffer(16, 16, false);
    const ValueList first = target.state;
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0), GLint(slot(kTexture)));
    EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT), GLint(slot(kDepthBuffer)));
    EXPECT_EQ(textureLevel(slot(kTexture), 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA32F);
    EXPECT_EQ(target.outputValues[0], target.state[kTexture]);
    mark(slot(kTexture));
    fill(1, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    setFrameBuffer(16, 16, false);
    EXPECT_EQ(target.state, first);
    EXPECT_TRUE(marked(slot(kTexture)));
    EXPECT_EQ(glInteger(GL_FRAMEBUFFER_BINDING), GLint(slot(kFrameBuffer)));
    expectPixelNear(readPixel(4, 4), {0, 0, 0, 255});

    setFrameBuffer(32, 8, false);
    EXPECT_EQ(slot(kTexture), nameIn(first[kTexture]));
    EXPECT_EQ(slot(kFrameBuffer), nameIn(first[kFrameBuffer]));
    EXPECT_EQ(textureLevel(slot(kTexture), 0, GL_TEXTURE_WIDTH), 32);
    GLint depthWidth = 0;
    glBindRenderbuffer(GL_RENDERBUFFER, slot(kDepthBuffer));
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &depthWidth);
    EXPECT_EQ(depthWidth, 32);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
}

// Each switch of "useDepth" makes a new texture and frame buffer; depth mode has no depth
// buffer of its own, and colour mode gets a new one.
TEST_F(FrameBufferNodeGLTest, SwitchingUseDepthMakesNewTargets) {
    setFrameBuffer(16, 16, false);
    mark(slot(kTexture));
    setFrameBuffer(16, 16, true);
    EXPECT_FALSE(marked(slot(kTexture)));
    EXPECT_EQ(textureLevel(slot(kTexture), 0, GL_TEXTURE_INTERNAL_FORMAT), GL_DEPTH_COMPONENT24);
    EXPECT_FALSE(target.state[kDepthBuffer].hasValue);
    EXPECT_EQ(glInteger(GL_FRAMEBUFFER_BINDING), GLint(slot(kFrameBuffer)));
    EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT), GLint(slot(kTexture)));
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));

    setFrameBuffer(24, 24, true);
    EXPECT_EQ(textureLevel(slot(kTexture), 0, GL_TEXTURE_WIDTH), 24);
    EXPECT_EQ(textureLevel(slot(kTexture), 0, GL_TEXTURE_INTERNAL_FORMAT), GL_DEPTH_COMPONENT24);

    mark(slot(kTexture));
    setFrameBuffer(24, 24, false);
    EXPECT_FALSE(marked(slot(kTexture)));
    ASSERT_TRUE(target.state[kDepthBuffer].hasValue);
    EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT), GLint(slot(kDepthBuffer)));
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
}

// What was drawn off-screen reaches the texture's smaller levels, and drawing goes back to the screen.
TEST_F(FrameBufferNodeGLTest, ClearFrameBufferMipmapsAndReturnsToTheScreen) {
    setFrameBuffer(16, 16, false);
    fill(0, 1, 0);
    GraphNode done(catalogue().find("ClearFrameBuffer"));
    done.inputs[0] = target.outputValues[0];
    executeClearFrameBuffer(done.inputs, done.outputValues, done.state, context);
    EXPECT_EQ(glInteger(GL_FRAMEBUFFER_BINDING), 0);
    float smallest[4] = {};
    glBindTexture(GL_TEXTURE_2D, slot(kTexture));
    glGetTexImage(GL_TEXTURE_2D, 4, GL_RGBA, GL_FLOAT, smallest);
    EXPECT_FLOAT_EQ(smallest[1], 1.0f);
    expectPixelNear(readPixel(4, 4), {0, 0, 0, 255});
}

// Reads the screen, or the bound frame buffer when there is one, without a GL error either way.
TEST_F(FrameBufferNodeGLTest, ReadPixelSplitsOnePixel) {
    fill(0.2f, 0.4f, 0.6f);
    GraphNode read(catalogue().find("ReadPixel"));
    read.inputs[0] = ivec2(5, 7);
    executeReadPixel(read.inputs, read.outputValues, read.state, context);
    const float expected[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(read.outputValues[0].value.floatAt(i), expected[i], 0.01f);
        EXPECT_NEAR(read.outputValues[2 + size_t(i)].value.asFloat(), expected[i], 0.01f);
    }
    EXPECT_EQ(read.outputValues[1].value.type, values::Vec3);
    EXPECT_NEAR(read.outputValues[1].value.floatAt(2), 0.6f, 0.01f);

    setFrameBuffer(16, 16, false);
    fill(1, 0, 0);
    executeReadPixel(read.inputs, read.outputValues, read.state, context);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_FLOAT_EQ(read.outputValues[2].value.asFloat(), 1.0f);
}

}  // namespace
