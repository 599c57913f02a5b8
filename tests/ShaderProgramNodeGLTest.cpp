#include <GL/glew.h>

#include "show/Demo.h"
#include "content/Registry.h"
#include "nodes/Execution.h"
#include "graph/Linking.h"
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

enum { kSizeInput, kTexInput, kInternalInput, kFirstUniform };
enum { kCopySlot = 9 };

// Colour (level, mask green, tex blue, 1); the patch hook may replace it.
const char* kFragment =
    "#version 150\n"
    "// <UNIFORMS>\n"
    "uniform float level;\n"
    "uniform sampler2D tex, texMask;\n"
    "out vec4 colour;\n"
    "void main() {\n"
    "    vec4 c = vec4(level, texture(texMask, vec2(0.5)).g, texture(tex, vec2(0.5)).b, 1.0);\n"
    "    // <FRAGMENT_PATCH>\n"
    "    colour = c;\n"
    "}\n";

class ShaderProgramNodeGLTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        addProgram("glow.frag", {"level"});
        addProgram("mask.frag", {"level", "texMask"});
        installLiveExecutes(types);
        linkShaderPrograms(demo.shaders, types);
        context.demo = &demo;
        context.patchSet = &patches;
    }

    void addProgram(const char* filename, std::vector<const char*> uniforms) {
        auto program = makeProgram(kFragment, filename);
        for (const char* name : uniforms) {
            UniformDef& def = program->uniformDefs.emplace_back();
            def.name = name;
            def.default_val = 0.5f;
        }
        demo.shaders.push_back(std::move(program));
    }
    GraphNode& addNode(const char* typeName) {
        nodes.push_back(std::make_unique<GraphNode>(types.find(typeName)));
        return *nodes.back();
    }
    void run(GraphNode& node) { visitNode(node, &demo, context); }
    ShaderProgram* copyOf(const GraphNode& node) {
        return Registry::resolve<ShaderProgram>(node.state[kCopySlot].value.asReference());
    }
    static Pixel pixelOf(const std::vector<uint8_t>& pixels, int at = 0) {
        return {pixels[size_t(at)], pixels[size_t(at) + 1], pixels[size_t(at) + 2], pixels[size_t(at) + 3]};
    }

    NodeCatalogue types;
    Demo demo;
    PatchSet patches;
    ExecutionContext context;
    std::vector<std::unique_ptr<GraphNode>> nodes;
};

TEST_F(ShaderProgramNodeGLTest, InstallFillsTheDrawingRowsAndTheGeneratedProgramTypes) {
    for (const char* name : {"TwoTriangles", "DrawTriangles", "Shader", "ScreenToTexture", "Effect2D", "Texture",
                             "SoundTexture", "FontTexture", "Clear", "SetFrameBuffer", "ClearFrameBuffer", "ReadPixel"})
        EXPECT_NE(types.find(name)->execute, nullptr) << name;
    EXPECT_EQ(types.find("glow.frag")->execute, &executeShaderProgramNode);
}

// The copy is drawn with the uniform defaults; the screen is copied only for a linked output.
TEST_F(ShaderProgramNodeGLTest, ScreenPathDrawsAndCopiesOnlyForALinkedOutput) {
    GraphNode& node = addNode("glow.frag");
    run(node);
    expectPixelNear(readPixel(10, 10), {128, 0, 0, 255});
    EXPECT_FALSE(node.outputValues[0].hasValue);
    ShaderProgram* copy = copyOf(node);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, demo.shaders[0].get());

    GraphNode& reader = addNode("ClearFrameBuffer");
    node.connections.push_back({&reader, 0, 0});
    run(node);
    ASSERT_TRUE(node.outputValues[0].hasValue);
    expectPixelNear(pixelOf(readTexture(nameIn(node.outputValues[0]), kSize, kSize)), {128, 0, 0, 255});
    EXPECT_EQ(reader.inputs[0], node.outputValues[0]);
}

// "tex" takes unit 0, so texture uniforms start at unit 1; float uniforms override their defaults.
TEST_F(ShaderProgramNodeGLTest, UniformInputsAndTextures) {
    auto blue = solidTexture({0, 0, 255, 255});
    auto green = solidTexture({0, 255, 0, 255});
    GraphNode& node = addNode("mask.frag");
    ASSERT_EQ(node.inputs.size(), size_t(kFirstUniform + 2));
    node.inputs[kTexInput] = Value::ofName(values::Texture, blue->glName);
    node.inputs[kFirstUniform] = Value::ofFloat(1.0f);
    node.inputs[kFirstUniform + 1] = Value::ofName(values::Texture, green->glName);
    run(node);
    expectPixelNear(readPixel(10, 10), {255, 255, 255, 255});
    GLint maskUnit = -1;
    glGetUniformiv(copyOf(node)->program, copyOf(node)->uniformDefs[1].location, &maskUnit);
    EXPECT_EQ(maskUnit, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "a sampler listed as a uniform def gets no float default";
}

// Drawn into its own float texture at the node's size; the screen, the render size and the
// viewport are as they were.
TEST_F(ShaderProgramNodeGLTest, InternalDrawsIntoItsOwnTextureAndRestoresTheRenderSize) {
    GraphNode& node = addNode("glow.frag");
    node.inputs[kInternalInput] = Value::ofBool(true);
    node.inputs[kSizeInput] = ivec2(16, 8);
    run(node);
    ASSERT_TRUE(node.outputValues[0].hasValue);
    const GLuint texture = nameIn(node.outputValues[0]);
    expectPixelNear(pixelOf(readTexture(texture, 16, 8)), {128, 0, 0, 255});
    expectPixelNear(readPixel(10, 10), {0, 0, 0, 255});
    EXPECT_EQ(renderSize.width, kSize);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kSize);
    EXPECT_EQ(glInteger(GL_FRAMEBUFFER_BINDING), 0);

    node.inputs[kSizeInput] = ivec2(32, 4);
    run(node);
    EXPECT_EQ(nameIn(node.outputValues[0]), texture) << "re-specified, not replaced";
    EXPECT_EQ(textureLevel(texture, 0, GL_TEXTURE_WIDTH), 32);
    expectPixelNear(pixelOf(readTexture(texture, 32, 4), 31 * 4), {128, 0, 0, 255});
}

// The copy is rebuilt when the hooks change, not when only input values do; the set's values
// reach the program by their type, textures on the units after the node's own.
TEST_F(ShaderProgramNodeGLTest, PatchedCopyRebuildsOnlyWhenTheHooksChange) {
    GraphNode& node = addNode("glow.frag");
    auto red = solidTexture({255, 0, 0, 255});
    const float green[4] = {0, 1, 0, 1}, blue[4] = {0, 0, 1, 1};
    patches.fragmentHooks["// <FRAGMENT_PATCH>"] =
        "c = tint * float(gain.x + gain.y) + texture(texPatch, vec2(0.5)) * float(on);\n";
    patches.inputs = {{"tint", Value::ofFloats(values::Vec4, green, 4)},
                      {"gain", ivec2(1, 0)},
                      {"on", Value::ofBool(true)},
                      {"texPatch", Value::ofName(values::Texture, red->glName)}};
    int rebuilds = 0;
    auto frame = [&] {
        if (ShaderProgram* copy = copyOf(node)) copy->log = "unchanged";
        run(node);
        ASSERT_NE(copyOf(node), nullptr);
        if (copyOf(node)->log != "unchanged") ++rebuilds;
    };
    frame();
    expectPixelNear(readPixel(10, 10), {255, 255, 0, 255});
    patches.inputs[0].second = Value::ofFloats(values::Vec4, blue, 4);
    patches.inputs[2].second = Value::ofBool(false);
    frame();
    expectPixelNear(readPixel(10, 10), {0, 0, 255, 255});
    EXPECT_EQ(rebuilds, 1);

    patches.fragmentHooks["// <FRAGMENT_PATCH>"] += "c.r = 1.0;\n";
    frame();
    expectPixelNear(readPixel(10, 10), {255, 0, 255, 255});
    frame();
    EXPECT_EQ(rebuilds, 2);
}

// A node whose program left the show, or that runs outside a show, draws nothing.
TEST_F(ShaderProgramNodeGLTest, NodeWithoutItsProgramDoesNothing) {
    demo.shaders[0]->fragmentFilename = "renamed.frag";
    GraphNode& node = addNode("glow.frag");
    node.connections.push_back({&node, 0, 0});
    run(node);
    context.demo = nullptr;
    run(node);
    EXPECT_FALSE(node.state[3].hasValue);
    EXPECT_FALSE(node.outputValues[0].hasValue);
    expectPixelNear(readPixel(10, 10), {0, 0, 0, 255});
}

// The patched copy of a program that includes another compiles with the include resolved.
TEST_F(ShaderProgramNodeGLTest, PatchedCopyKeepsItsIncludes) {
    auto library = makeProgram("float level() { return 1.0; }\n", "library.frag");
    demo.shaders.push_back(std::move(library));
    auto includer = makeProgram("#version 150\n#include \"library.frag\"\n// <UNIFORMS>\nout vec4 colour;\n"
                                "void main() { vec4 c = vec4(level(), 0.0, 0.0, 1.0);\n// <FRAGMENT_PATCH>\n"
                                "colour = c; }\n",
                                "includer.frag");
    demo.shaders.push_back(std::move(includer));
    showPrograms = &demo.shaders;
    demo.shaders.back()->build();
    linkShaderPrograms(demo.shaders, types);
    patches.fragmentHooks["// <FRAGMENT_PATCH>"] = "c.b = blue;\n";
    patches.inputs = {{"blue", Value::ofFloat(1.0f)}};

    run(addNode("includer.frag"));
    expectPixelNear(readPixel(10, 10), {255, 0, 255, 255});
}

}  // namespace
