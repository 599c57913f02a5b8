#include <GL/glew.h>

#include "show/Demo.h"
#include "content/Registry.h"
#include "graph/ExecutionContext.h"
#include "nodes/NodesGL.h"
#include "frame/Runtime.h"
#include "tests/ContextGLSupport.h"
#include "tests/NodeGLSupport.h"

using namespace gl_support;
using namespace node_gl;
using namespace Nodes;
using values::MaybeValue;
using values::Registry;
using values::Value;

namespace {

const char* kGreen = "#version 150\nout vec4 colour;\nvoid main() { colour = vec4(0.0, 1.0, 0.0, 1.0); }\n";

class DrawNodeGLTest : public GLTest {
protected:
    static GraphNode node(const char* typeName) { return GraphNode(catalogue().find(typeName)); }
    static void fillHalves(float left, float right) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, kSize / 2, kSize);
        glClearColor(left, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(kSize / 2, 0, kSize / 2, kSize);
        glClearColor(right, 1, 0, 1);
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

    ExecutionContext context;
};

// The chain content builds by hand: clear, quad, program with a size, draw.
TEST_F(DrawNodeGLTest, ClearQuadShaderAndDrawTriangles) {
    auto green = makeProgram(kGreen);
    GraphNode clear = node("Clear"), quad = node("TwoTriangles"), shader = node("Shader"), draw = node("DrawTriangles");
    clear.inputs[2] = clear.inputs[3] = Value::ofFloat(1.0f);
    executeClear(clear.inputs, clear.outputValues, clear.state, context);
    expectPixelNear(readPixel(48, 48), {0, 0, 255, 255});

    executeTwoTriangles(quad.inputs, quad.outputValues, quad.state, context);
    const MaybeValue vertexArray = quad.outputValues[0];
    EXPECT_EQ(vertexArray.value.type, values::VertexArray);
    EXPECT_EQ(quad.outputValues[1], MaybeValue(Value::ofInt(6)));
    executeTwoTriangles(quad.inputs, quad.outputValues, quad.state, context);
    EXPECT_EQ(quad.outputValues[0], vertexArray) << "the quad is made once";

    const uint64_t handle = Registry::add(green.get());
    shader.inputs[0] = Value::ofReference(handle);
    shader.inputs[1] = ivec2(32, 32);
    executeShader(shader.inputs, shader.outputValues, shader.state, context);
    EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM), GLint(green->program));
    EXPECT_EQ(renderSize.width, 32);

    executeDrawTriangles(draw.inputs, draw.outputValues, draw.state, context);  // no vertex array: nothing
    expectPixelNear(readPixel(10, 10), {0, 0, 255, 255});
    draw.inputs[0] = vertexArray;
    executeDrawTriangles(draw.inputs, draw.outputValues, draw.state, context);
    expectPixelNear(readPixel(10, 10), {0, 255, 0, 255});
    expectPixelNear(readPixel(48, 48), {0, 0, 255, 255});  // outside the viewport of the size
    Registry::remove(handle);
}

// The default integer 0, an address dressed as a reference, a stale handle and a handle of
// another kind all select nothing: no program, render size or viewport changes.
TEST_F(DrawNodeGLTest, ShaderWithoutAProgramHandleDoesNothing) {
    auto program = makeProgram(kGreen);
    const uint64_t stale = Registry::add(program.get());
    Registry::remove(stale);
    int notAProgram = 0;
    const uint64_t otherKind = Registry::add(&notAProgram);
    glUseProgram(0);
    GraphNode shader = node("Shader");
    const MaybeValue byDefault = shader.inputs[0];
    EXPECT_EQ(byDefault, MaybeValue(Value::ofInt(0)));
    shader.inputs[1] = ivec2(16, 16);
    for (const MaybeValue& input : {byDefault, MaybeValue(Value::ofReference(uint64_t(uintptr_t(program.get())))),
                                    MaybeValue(Value::ofReference(stale)), MaybeValue(Value::ofReference(otherKind))}) {
        shader.inputs[0] = input;
        executeShader(shader.inputs, shader.outputValues, shader.state, context);
        EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM), 0);
        EXPECT_EQ(renderSize.width, kSize);
    }
    Registry::remove(otherKind);
}

// The copy is mipmapped, raises no GL error and matches the screen; a new size replaces the
// pixel buffer (its old handle goes stale) and the texture; unusable sizes take the render size.
TEST_F(DrawNodeGLTest, ScreenToTextureCopiesTheScreen) {
    GraphNode copy = node("ScreenToTexture");
    for (float left : {1.0f, 0.0f}) {
        fillHalves(left, 1 - left);
        executeScreenToTexture(copy.inputs, copy.outputValues, copy.state, context);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(readTexture(nameIn(copy.outputValues[0]), kSize, kSize), screen(kSize, kSize));
    }
    EXPECT_EQ(textureLevel(nameIn(copy.outputValues[0]), 1, GL_TEXTURE_WIDTH), kSize / 2);
    const uint64_t buffer = copy.state[1].value.asReference();
    ASSERT_NE(Registry::resolve<PixelBuffer>(buffer), nullptr);

    copy.inputs[0] = ivec2(16, 8);
    executeScreenToTexture(copy.inputs, copy.outputValues, copy.state, context);
    EXPECT_EQ(Registry::resolve<PixelBuffer>(buffer), nullptr);
    EXPECT_EQ(readTexture(nameIn(copy.outputValues[0]), 16, 8), screen(16, 8));

    for (Value unusable : {ivec2(-4, 4), ivec2(0, 0), ivec2(1 << 30, 2)}) {
        copy.inputs[0] = unusable;
        executeScreenToTexture(copy.inputs, copy.outputValues, copy.state, context);
        EXPECT_EQ(textureLevel(nameIn(copy.outputValues[0]), 0, GL_TEXTURE_WIDTH), kSize);
    }
}

// Drawn from the first frame on, with "tex" on unit 0, and copied into the output.
TEST_F(DrawNodeGLTest, Effect2DDrawsAProgramOfTheShowAndCopiesIt) {
    Demo demo;
    demo.shaders.push_back(makeProgram(kGreen));
    demo.shaders.push_back(makeProgram("#version 150\nuniform sampler2D tex;\nout vec4 colour;\n"
                                       "void main() { colour = texture(tex, vec2(0.5)) + vec4(0.0, 0.0, 1.0, 1.0); }\n"));
    auto green = solidTexture({0, 255, 0, 255});
    context.demo = &demo;
    GraphNode effect = node("Effect2D");
    effect.inputs[0] = Value::ofInt(1);
    effect.inputs[2] = Value::ofName(values::Texture, green->glName);

    executeEffect2D(effect.inputs, effect.outputValues, effect.state, context);
    expectPixelNear(readPixel(10, 10), {0, 255, 255, 255});
    const std::vector<uint8_t> copied = readTexture(nameIn(effect.outputValues[0]), kSize, kSize);
    expectPixelNear({copied[0], copied[1], copied[2], copied[3]}, {0, 255, 255, 255});

    // A sized draw and copy leave the render size and viewport of the rest of the frame alone.
    effect.inputs[1] = ivec2(16, 16);
    executeEffect2D(effect.inputs, effect.outputValues, effect.state, context);
    EXPECT_EQ(textureLevel(nameIn(effect.outputValues[0]), 0, GL_TEXTURE_WIDTH), 16);
    EXPECT_EQ(renderSize.width, kSize);
    EXPECT_EQ(renderSize.height, kSize);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kSize);
    EXPECT_EQ(viewport[3], kSize);
}

// A program that failed to link unbinds the program, so neither "DrawTriangles" after "Shader"
// nor "Effect2D" draws with the one made current before it.
TEST_F(DrawNodeGLTest, AProgramThatDidNotLinkDrawsNothing) {
    Demo demo;
    demo.shaders.push_back(makeProgram("#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0) }\n"));
    auto green = makeProgram(kGreen);
    ASSERT_FALSE(demo.shaders[0]->linked);
    context.demo = &demo;
    GraphNode quad = node("TwoTriangles"), shader = node("Shader"), draw = node("DrawTriangles"),
              effect = node("Effect2D");
    executeTwoTriangles(quad.inputs, quad.outputValues, quad.state, context);
    glUseProgram(green->program);
    const uint64_t handle = Registry::add(demo.shaders[0].get());
    shader.inputs[0] = Value::ofReference(handle);
    executeShader(shader.inputs, shader.outputValues, shader.state, context);
    draw.inputs[0] = quad.outputValues[0];
    executeDrawTriangles(draw.inputs, draw.outputValues, draw.state, context);
    expectPixelNear(readPixel(10, 10), {0, 0, 0, 255});

    glUseProgram(green->program);
    effect.inputs[0] = Value::ofInt(0);
    executeEffect2D(effect.inputs, effect.outputValues, effect.state, context);
    expectPixelNear(readPixel(10, 10), {0, 0, 0, 255});
    Registry::remove(handle);
}

TEST_F(DrawNodeGLTest, Effect2DOutsideTheShowDoesNothing) {
    Demo demo;
    demo.shaders.push_back(makeProgram(kGreen));
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
