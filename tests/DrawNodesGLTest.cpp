#include <GL/glew.h>

#include "content/Demo.h"
#include "content/Registry.h"
#include "nodes/ExecutionContext.h"
#include "nodes/NodesGL.h"
#include "player/Runtime.h"
#include "tests/ContextGLSupport.h"

using namespace gl_support;
using namespace Nodes;
using values::MaybeValue;
using values::Registry;
using values::Value;

namespace {

class DrawNodeGLTest : public GLTest {
protected:
    static GraphNode node(const char* typeName) { return GraphNode(catalogue().find(typeName)); }
    static Value size(int w, int h) {
        const int32_t sides[2] = {w, h};
        return Value::ofInts(values::IVec2, sides, 2);
    }
    static void fillHalves(float lr, float lg, float rr, float rg) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, kSize / 2, kSize);
        glClearColor(lr, lg, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(kSize / 2, 0, kSize / 2, kSize);
        glClearColor(rr, rg, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 1);
    }
    static std::vector<uint8_t> screen(int w, int h) {
        std::vector<uint8_t> pixels(size_t(w) * h * 4);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    static GLint textureWidth(GLuint texture, int level) {
        GLint width = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        return width;
    }
    static GLint currentProgram() {
        GLint program = -1;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        return program;
    }
    static std::array<GLint, 4> viewport() {
        std::array<GLint, 4> v{};
        glGetIntegerv(GL_VIEWPORT, v.data());
        return v;
    }

    ExecutionContext context;
};

// The chain content builds by hand: clear, quad, program with a size, draw.
TEST_F(DrawNodeGLTest, ClearQuadShaderAndDrawTriangles) {
    auto green = makeProgram("#version 150\nout vec4 colour;\nvoid main() { colour = vec4(0.0, 1.0, 0.0, 1.0); }\n");
    GraphNode clear = node("Clear"), quad = node("TwoTriangles"), shader = node("Shader"), draw = node("DrawTriangles");
    clear.inputs[2] = clear.inputs[3] = Value::ofFloat(1.0f);
    executeClear(clear.inputs, clear.outputValues, clear.state, context);
    expectPixelNear(readPixel(48, 48), {0, 0, 255, 255});

    executeTwoTriangles(quad.inputs, quad.outputValues, quad.state, context);
    ASSERT_TRUE(quad.outputValues[0].hasValue);
    EXPECT_EQ(quad.outputValues[0].value.type, values::VertexArray);
    EXPECT_EQ(quad.outputValues[1].value, Value::ofInt(6));
    const MaybeValue vertexArray = quad.outputValues[0];
    executeTwoTriangles(quad.inputs, quad.outputValues, quad.state, context);
    EXPECT_EQ(quad.outputValues[0], vertexArray) << "the quad is made once";

    const uint64_t handle = Registry::add(green.get());
    shader.inputs[0] = Value::ofReference(handle);
    shader.inputs[1] = size(32, 32);
    executeShader(shader.inputs, shader.outputValues, shader.state, context);
    EXPECT_EQ(currentProgram(), GLint(green->program));
    EXPECT_EQ(renderSize.width, 32);
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, 32, 32}));

    draw.inputs[0] = vertexArray;
    executeDrawTriangles(draw.inputs, draw.outputValues, draw.state, context);
    expectPixelNear(readPixel(10, 10), {0, 255, 0, 255});
    expectPixelNear(readPixel(48, 48), {0, 0, 255, 255});
    Registry::remove(handle);
}

// The default integer 0, an address dressed as a reference, a stale handle and a handle of
// another kind all select nothing: no program, render size or viewport changes.
TEST_F(DrawNodeGLTest, ShaderWithoutAProgramHandleDoesNothing) {
    auto program = makeProgram("#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n");
    const uint64_t stale = Registry::add(program.get());
    Registry::remove(stale);
    int notAProgram = 0;
    const uint64_t otherKind = Registry::add(&notAProgram);
    glUseProgram(0);
    GraphNode shader = node("Shader");
    ASSERT_EQ(shader.inputs[0], MaybeValue(Value::ofInt(0)));
    shader.inputs[1] = size(16, 16);
    for (const MaybeValue& input : {shader.inputs[0], MaybeValue(Value::ofReference(uint64_t(uintptr_t(program.get())))),
                                    MaybeValue(Value::ofReference(stale)), MaybeValue(Value::ofReference(otherKind))}) {
        shader.inputs[0] = input;
        executeShader(shader.inputs, shader.outputValues, shader.state, context);
        EXPECT_EQ(currentProgram(), 0);
        EXPECT_EQ(renderSize.width, kSize);
        EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, kSize, kSize}));
    }
    Registry::remove(otherKind);
}

TEST_F(DrawNodeGLTest, DrawTrianglesWithoutAVertexArrayDrawsNothing) {
    GraphNode draw = node("DrawTriangles");
    executeDrawTriangles(draw.inputs, draw.outputValues, draw.state, context);
    expectPixelNear(readPixel(10, 10), {0, 0, 0, 255});
}

// The copy is mipmapped, raises no GL error and matches the screen; a new size replaces the
// pixel buffer (its old handle goes stale) and the texture.
TEST_F(DrawNodeGLTest, ScreenToTextureCopiesTheScreen) {
    GraphNode copy = node("ScreenToTexture");
    fillHalves(1, 0, 0, 1);
    executeScreenToTexture(copy.inputs, copy.outputValues, copy.state, context);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    ASSERT_TRUE(copy.outputValues[0].hasValue);
    const GLuint texture = GLuint(copy.outputValues[0].value.asInt());
    EXPECT_EQ(readTexture(texture, kSize, kSize), screen(kSize, kSize));
    EXPECT_EQ(textureWidth(texture, 1), kSize / 2);
    const MaybeValue buffer = copy.state[1];
    ASSERT_NE(Registry::resolve<PixelBuffer>(buffer.value.asReference()), nullptr);

    fillHalves(0, 0, 1, 1);
    executeScreenToTexture(copy.inputs, copy.outputValues, copy.state, context);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(copy.state[1], buffer) << "same size, same buffer";
    EXPECT_EQ(readTexture(texture, kSize, kSize), screen(kSize, kSize));

    copy.inputs[0] = size(16, 8);
    executeScreenToTexture(copy.inputs, copy.outputValues, copy.state, context);
    EXPECT_EQ(Registry::resolve<PixelBuffer>(buffer.value.asReference()), nullptr);
    const GLuint resized = GLuint(copy.outputValues[0].value.asInt());
    EXPECT_EQ(textureWidth(resized, 0), 16);
    EXPECT_EQ(readTexture(resized, 16, 8), screen(16, 8));
}

// Sizes that are not positive fall back to the render size instead of reaching the allocation.
TEST_F(DrawNodeGLTest, ScreenToTextureIgnoresUnusableSizes) {
    GraphNode copy = node("ScreenToTexture");
    for (Value bad : {size(-4, 4), size(0, 0), size(1 << 30, 2)}) {
        copy.inputs[0] = bad;
        executeScreenToTexture(copy.inputs, copy.outputValues, copy.state, context);
        EXPECT_EQ(textureWidth(GLuint(copy.outputValues[0].value.asInt()), 0), kSize);
    }
}

TEST_F(DrawNodeGLTest, Effect2DDrawsAProgramOfTheShowAndCopiesIt) {
    Demo demo;
    demo.shaders.push_back(makeProgram("#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0, 0.0, 0.0, 1.0); }\n"));
    demo.shaders.push_back(makeProgram("#version 150\nuniform sampler2D tex;\nout vec4 colour;\n"
                                       "void main() { colour = texture(tex, vec2(0.5)) + vec4(0.0, 0.0, 1.0, 1.0); }\n"));
    auto green = solidTexture({0, 255, 0, 255});
    context.demo = &demo;
    GraphNode effect = node("Effect2D");
    effect.inputs[0] = Value::ofInt(1);
    effect.inputs[2] = Value::ofName(values::Texture, green->glName);

    executeEffect2D(effect.inputs, effect.outputValues, effect.state, context);
    expectPixelNear(readPixel(10, 10), {0, 255, 255, 255});
    ASSERT_TRUE(effect.outputValues[0].hasValue);
    const std::vector<uint8_t> copied = readTexture(GLuint(effect.outputValues[0].value.asInt()), kSize, kSize);
    expectPixelNear({copied[0], copied[1], copied[2], copied[3]}, {0, 255, 255, 255});
}

TEST_F(DrawNodeGLTest, Effect2DOutsideTheShowDoesNothing) {
    Demo demo;
    demo.shaders.push_back(makeProgram("#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n"));
    GraphNode effect = node("Effect2D");
    auto expectNothing = [&](Demo* show, MaybeValue index) {
        context.demo = show;
        effect.inputs[0] = index;
        executeEffect2D(effect.inputs, effect.outputValues, effect.state, context);
        EXPECT_FALSE(effect.outputValues[0].hasValue);
        EXPECT_FALSE(effect.state[0].hasValue);
    };
    expectNothing(nullptr, Value::ofInt(0));
    for (MaybeValue index : {MaybeValue(Value::ofInt(1)), MaybeValue(Value::ofInt(-1)), MaybeValue()})
        expectNothing(&demo, index);
    expectPixelNear(readPixel(10, 10), {0, 0, 0, 255});
}

}  // namespace
