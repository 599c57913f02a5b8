#include <GL/glew.h>

#include "show/Demo.h"
#include "frame/Runtime.h"
#include "tests/ContextGLSupport.h"

using namespace gl_support;

namespace {

class ShaderProgramGLTest : public GLTest {};

ShaderProgram& addProgram(Demo& demo, const std::string& filename, const std::string& fragment) {
    auto program = std::make_unique<ShaderProgram>();
    program->fragmentFilename = filename;
    program->fragmentSource = fragment;
    demo.shaders.push_back(std::move(program));
    return *demo.shaders.back();
}

const char* kBeatShader = R"(#version 150
uniform float beat;
uniform vec2 iTime2;
out vec4 colour;
void main() { colour = vec4(0.5 + beat / 8.0, 0.5 + iTime2.x / 8.0, 0.5 + iTime2.y / 2.0, 1.0); }
)";

TEST_F(ShaderProgramGLTest, BeatAndITime2KeepTheSignOfTheFraction) {
    auto program = makeProgram(kBeatShader);
    currentBeat = 3.75f;  // iTime2 (3.75, 0.75)
    expectPixelNear(drawCentre(*program), {247, 247, 223, 255});
    currentBeat = -0.25f;  // iTime2 (-0.25, -0.25)
    expectPixelNear(drawCentre(*program), {120, 120, 96, 255});
}

TEST_F(ShaderProgramGLTest, ResolutionAndSamplerUnits) {
    auto program = makeProgram(R"(#version 150
uniform vec2 resolution;
uniform sampler2D tex, tex7, tex15, sound_texture;
out vec4 colour;
void main() {
    vec4 unused = texture(tex, vec2(0.0)) + texture(tex7, vec2(0.0)) + texture(tex15, vec2(0.0))
                + texture(sound_texture, vec2(0.0));
    colour = vec4(resolution / 255.0, 0.001 * unused.r, 1.0);
}
)");
    renderSize.width = 40;
    renderSize.height = 24;
    expectPixelNear(drawCentre(*program), {40, 24, 0, 255});
    auto unitOf = [&](const char* name) {
        GLint unit = -1;
        glGetUniformiv(program->program, glGetUniformLocation(program->program, name), &unit);
        return unit;
    };
    EXPECT_EQ(unitOf("tex"), 0);
    EXPECT_EQ(unitOf("tex7"), 7);
    EXPECT_EQ(unitOf("tex15"), 15);
    EXPECT_EQ(unitOf("sound_texture"), 16);
}

TEST_F(ShaderProgramGLTest, IncludesReplaceOnlyTheFirstLineOfOtherPrograms) {
    Demo demo;
    addProgram(demo, "b.frag", "float b() { return 0.5; }\n");
    ShaderProgram& a = addProgram(demo, "a.frag", "#include \"b.frag\"\n#include \"b.frag\"\n#include \"a.frag\"\n");
    a.build();
    EXPECT_EQ(a.processedFragmentSource, a.fragmentSource) << "no current show, no includes";
    showPrograms = &demo.shaders;
    a.recompile();
    EXPECT_EQ(a.processedFragmentSource, "float b() { return 0.5; }\n\n#include \"b.frag\"\n#include \"a.frag\"\n");
}

TEST_F(ShaderProgramGLTest, NestedIncludeResolvesOnlyWhenItsTargetComesLater) {
    const std::string a = "#version 150\n#include \"b.frag\"\nout vec4 colour;\nvoid main() { colour = b(); }\n";
    const std::string b = "#include \"c.frag\"\nvec4 b() { return c(); }\n";
    const std::string c = "vec4 c() { return vec4(0.0, 1.0, 0.0, 1.0); }\n";
    Demo inOrder;
    ShaderProgram& resolved = addProgram(inOrder, "a.frag", a);
    addProgram(inOrder, "b.frag", b);
    addProgram(inOrder, "c.frag", c);
    showPrograms = &inOrder.shaders;
    resolved.build();
    EXPECT_EQ(resolved.log, "Compilation successful.");
    expectPixelNear(drawCentre(resolved), {0, 255, 0, 255});

    Demo reversed;
    ShaderProgram& unresolved = addProgram(reversed, "a.frag", a);
    addProgram(reversed, "c.frag", c);
    addProgram(reversed, "b.frag", b);
    showPrograms = &reversed.shaders;
    unresolved.build();
    EXPECT_NE(unresolved.processedFragmentSource.find("#include \"c.frag\""), std::string::npos);
    EXPECT_NE(unresolved.log.find("\nLINKER ERROR: "), std::string::npos);
    EXPECT_EQ(unresolved.locations.tex[0], -1);
}

TEST_F(ShaderProgramGLTest, ErrorsNameTheFileAndLineTheyAreInThroughIncludes) {
    Demo demo;
    ShaderProgram& a = addProgram(demo, "a.frag", "#version 150\n#include \"b.frag\"\nout vec4 colour;\n"
                                                  "void main() { colour = b(); }\n");
    addProgram(demo, "b.frag", "// helpers\nvec4 b() { return vec4(1.0) }\n");
    showPrograms = &demo.shaders;
    a.build();
    EXPECT_EQ(a.log.rfind("b.frag:2:", 0), 0u) << a.log;
}

TEST_F(ShaderProgramGLTest, WarningsAreKeptAsTheLog) {
    auto warned = makeProgram("#version 150\n#extension GL_EXT_not_a_real_extension : warn\n"
                              "out vec4 colour;\nvoid main() { colour = vec4(1.0); }\n");
    EXPECT_NE(warned->log.find("warning"), std::string::npos) << warned->log;
    expectPixelNear(drawCentre(*warned), {255, 255, 255, 255});
}

// Effects feed the quad through the program's position attribute, wherever the linker put it.
TEST_F(ShaderProgramGLTest, QuadUsesVpOrAttributeZero) {
    auto withoutVp = std::make_unique<ShaderProgram>();
    withoutVp->vertexSource = "#version 150\nin vec3 corner;\nvoid main() { gl_Position = vec4(corner, 1.0); }\n";
    withoutVp->fragmentSource = "#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0, 0.0, 0.0, 1.0); }\n";
    withoutVp->build();
    EXPECT_EQ(withoutVp->positionAttribute, 0u);
    expectPixelNear(drawCentre(*withoutVp), {255, 0, 0, 255});

    auto placedVp = std::make_unique<ShaderProgram>();
    placedVp->vertexSource = "#version 150\n#extension GL_ARB_explicit_attrib_location : require\n"
                             "layout(location = 3) in vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";
    placedVp->fragmentSource = withoutVp->fragmentSource;
    placedVp->build();
    EXPECT_EQ(placedVp->positionAttribute, 3u);
    expectPixelNear(drawCentre(*placedVp), {255, 0, 0, 255});
}

TEST_F(ShaderProgramGLTest, PatchedTextsCompileAsGiven) {
    Demo demo;
    addProgram(demo, "b.frag", "float b() { return 0.5; }\n");
    ShaderProgram& program = addProgram(demo, "a.frag", kBeatShader);
    showPrograms = &demo.shaders;
    program.build();
    const GLuint before = program.program;
    const std::string fragment =
        "#version 150\n// #include \"b.frag\"\nout vec4 colour;\nvoid main() { colour = vec4(0.0, 0.0, 1.0, 1.0); }\n";
    program.recompileWithPatch(ShaderProgram::kDefaultVertexSource, fragment);
    EXPECT_EQ(program.processedFragmentSource, fragment);
    EXPECT_EQ(program.patchedVertexSource, ShaderProgram::kDefaultVertexSource);
    EXPECT_EQ(program.fragmentSource, kBeatShader);
    EXPECT_FALSE(glIsProgram(before) && before != program.program);
    expectPixelNear(drawCentre(program), {0, 0, 255, 255});
}

TEST_F(ShaderProgramGLTest, UniformDefaultsReachFloatsAndBoolsAndSkipTheRest) {
    auto program = std::make_unique<ShaderProgram>();
    program->fragmentSource = "#version 150\nuniform float level;\nuniform bool flag;\nuniform sampler2D tex3;\n"
                              "out vec4 colour;\n"
                              "void main() { colour = vec4(level, flag ? 1.0 : 0.0, texture(tex3, vec2(0.5)).b, 1.0); }\n";
    const char* names[] = {"missing", "level", "flag", "tex3"};
    program->uniformDefs.resize(4);
    for (int i = 0; i < 4; ++i) {
        program->uniformDefs[i].name = names[i];
        program->uniformDefs[i].default_val = 1.0f;
    }
    program->uniformDefs[1].default_val = 0.5f;
    program->build();
    EXPECT_EQ(program->uniformDefs[0].location, -1);
    EXPECT_NE(program->uniformDefs[2].location, -1);
    // GL accepts a float upload for a bool but raises an error for a sampler; TearDown checks.
    // Unit 3 holds no texture, whatever earlier tests in this process bound, so it samples black.
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    expectPixelNear(drawCentre(*program, [&] { program->applyUniformDefaults(); }), {128, 255, 0, 255});
}

TEST_F(ShaderProgramGLTest, SceneLocationsAndUnitsAfterLink) {
    auto program = makeProgram(R"(#version 150
layout(std140) uniform MatricesBlock { mat4 joints[100]; };
uniform float uTag;
out vec4 colour;
void main() { colour = joints[0][0] * uTag; }
)");
    const auto& names = ShaderProgram::sceneUniformNames();
    for (int i = 0; i < ShaderProgram::kSceneUniformCount; ++i)
        EXPECT_EQ(program->sceneLocations[i] != -1, std::string(names[i]) == "uTag") << names[i];
    ASSERT_NE(program->matricesBlock, GL_INVALID_INDEX);
    GLint binding = -1;
    glGetActiveUniformBlockiv(program->program, program->matricesBlock, GL_UNIFORM_BLOCK_BINDING, &binding);
    EXPECT_EQ(binding, 0);
    program->sceneTextureUnits[0] = GL_TEXTURE9;
    program->recompile();
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(program->sceneTextureUnits[i], GL_TEXTURE0 + i);
}

}  // namespace
