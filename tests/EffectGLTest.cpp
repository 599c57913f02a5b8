#include <GL/glew.h>

#include "timeline/FontTexture.h"
#include "frame/Runtime.h"
#include "tests/ContextGLSupport.h"

using namespace gl_support;

namespace {

class EffectGLTest : public GLTest {};

GLuint boundOn(int unit) {
    GLint texture = 0;
    glActiveTexture(GL_TEXTURE0 + unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    return GLuint(texture);
}

// Leaves the clear colour black, as the player keeps it, so that stray clears show.
void clearScreen(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

std::unique_ptr<ShaderProgram> solidProgram(const char* colour) {
    return makeProgram(std::string("#version 150\nout vec4 colour;\nvoid main() { colour = ") + colour + "; }\n");
}

// A fragment program whose body sees uv (0..1 over the viewport) and samplers tex, tex1, tex2.
std::unique_ptr<ShaderProgram> samplingProgram(const char* body) {
    return makeProgram(std::string("#version 150\nuniform vec2 resolution;\nuniform sampler2D tex, tex1, tex2;\n"
                                   "out vec4 colour;\nvoid main() {\nvec2 uv = gl_FragCoord.xy / resolution;\n") +
                       body + "\n}\n");
}

TEST_F(EffectGLTest, UnitsFollowFeedbackTexturesFontTexturesInputsScreen) {
    auto program = solidProgram("vec4(1.0)");
    auto t1 = solidTexture({255, 0, 0, 255});
    auto t2 = solidTexture({0, 255, 0, 255});
    auto glyphs = solidTexture({0, 0, 255, 255});
    FontTexture fontTexture;
    fontTexture.glName = glyphs->glName;
    Effect input("input", program.get(), nullptr, nullptr, false, false, nullptr);
    Effect effect("effect", program.get(), t1.get(), &input, true, true, nullptr);
    effect.textures.push_back(t2.get());
    effect.fontTextures.push_back(&fontTexture);

    ASSERT_EQ(effect.bindInputs(*program, false), 6);
    const GLuint expected[6] = {effect.captureTexture, t1->glName, t2->glName, glyphs->glName,
                                input.frameBufferTexture, effect.captureTexture};
    for (int unit = 0; unit < 6; ++unit) EXPECT_EQ(boundOn(unit), expected[unit]) << "unit " << unit;
}

TEST_F(EffectGLTest, FeedbackSamplesTheCaptureOnUnitZero) {
    auto program = samplingProgram("colour = vec4(texture(tex1, uv).r, texture(tex2, uv).g, texture(tex, uv).b, 1.0);");
    auto t1 = solidTexture({255, 0, 0, 255});
    auto t2 = solidTexture({0, 255, 0, 255});
    Effect effect("effect", program.get(), t1.get(), nullptr, true, false, nullptr);
    effect.textures.push_back(t2.get());
    clearScreen(0, 0, 1);
    effect.captureScreen();
    clearScreen(0, 0, 0);
    effect.render({}, false);
    expectPixelNear(readPixel(10, 10), {255, 255, 255, 255});
}

// The copy lands after the texture, the earlier unit keeps its texture even when the capture is
// made on this first use, and what was on screen is visible only through the effect.
TEST_F(EffectGLTest, ScreenCopyIsSampledAfterTheOtherInputsAndCleared) {
    auto program = samplingProgram("if (uv.x < 0.5) discard;\n"
                                   "colour = vec4(texture(tex1, vec2(1.0 - uv.x, uv.y)).rg, texture(tex, uv).b, 1.0);");
    auto blue = solidTexture({0, 0, 255, 255});
    Effect effect("effect", program.get(), blue.get(), nullptr, false, true, nullptr);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, kSize / 2, kSize);
    clearScreen(1, 0, 0);
    glScissor(kSize / 2, 0, kSize / 2, kSize);
    clearScreen(0, 1, 0);
    glDisable(GL_SCISSOR_TEST);

    effect.render({}, false);
    expectPixelNear(readPixel(kSize - 4, 10), {255, 0, 255, 255});
    expectPixelNear(readPixel(4, 10), {0, 0, 0, 255});
}

TEST_F(EffectGLTest, InputsRenderIntoTheirTargetsOneLevelDeep) {
    auto yellow = solidProgram("vec4(1.0, 1.0, 0.0, 1.0)");
    auto steel = solidProgram("vec4(0.25, 0.5, 0.75, 1.0)");
    auto copy = samplingProgram("colour = texture(tex, uv);");
    Effect inner("inner", yellow.get(), nullptr, nullptr, false, false, nullptr);
    Effect middle("middle", steel.get(), nullptr, &inner, false, false, nullptr);
    Effect outer("outer", copy.get(), nullptr, &middle, false, false, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, inner.frameBuffer);
    clearScreen(1, 0, 1);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    outer.render({}, true);
    expectPixelNear(readPixel(10, 10), {64, 128, 191, 255});
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, inner.frameBuffer);
    expectPixelNear(readPixel(10, 10), {255, 0, 255, 255});
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// Missing references keep their units bound to nothing. An effect without a program draws
// nothing, and as an input it has no target and is skipped rather than clearing the screen.
TEST_F(EffectGLTest, NullReferencesAreSkipped) {
    auto program = samplingProgram("if (uv.x < 0.5) discard;\ncolour = texture(tex1, uv);");
    auto green = solidTexture({0, 255, 0, 255});
    Effect noTarget("no target", nullptr, nullptr, nullptr, false, false, nullptr);
    EXPECT_EQ(noTarget.frameBuffer, 0u);
    Effect effect("effect", program.get(), nullptr, nullptr, false, false, nullptr);
    effect.textures = {nullptr, green.get()};
    effect.fontTextures = {nullptr};
    effect.effects = {nullptr, &noTarget};
    clearScreen(1, 0, 0);

    noTarget.render({}, true);
    effect.render({}, true);
    expectPixelNear(readPixel(4, 10), {255, 0, 0, 255});
    expectPixelNear(readPixel(kSize - 4, 10), {0, 255, 0, 255});
    EXPECT_EQ(effect.bindInputs(*program, false), 5);
    EXPECT_EQ(boundOn(0), 0u);

    noTarget.createTargets();
    glBindFramebuffer(GL_FRAMEBUFFER, noTarget.frameBuffer);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// The case: a program with a syntax error must not draw the previous effect's program
// over its own inputs.
TEST_F(EffectGLTest, AProgramThatDidNotLinkDrawsNothing) {
    auto red = solidProgram("vec4(1.0, 0.0, 0.0, 1.0)");
    auto broken = samplingProgram("colour = texture(tex, uv) oops;");
    ASSERT_TRUE(red->linked);
    ASSERT_FALSE(broken->linked);
    auto green = solidTexture({0, 255, 0, 255});
    Effect a("a", red.get(), nullptr, nullptr, false, false, nullptr);
    Effect b("b", broken.get(), green.get(), nullptr, false, false, nullptr);
    a.render({}, true);
    clearScreen(0, 0, 1);
    b.render({}, true);
    expectPixelNear(readPixel(10, 10), {0, 0, 255, 255});
}

TEST_F(EffectGLTest, CaptureFollowsTheRenderSizeFrameBufferDoesNot) {
    auto program = solidProgram("vec4(1.0)");
    auto texture = solidTexture({0, 0, 0, 255});
    Effect input("input", program.get(), nullptr, nullptr, false, false, nullptr);
    Effect effect("effect", program.get(), texture.get(), &input, true, false, nullptr);
    EXPECT_EQ(effect.textures, std::vector<Texture*>{texture.get()});
    EXPECT_EQ(effect.effects, std::vector<Effect*>{&input});
    effect.ensureCapture();
    renderSize.width = 48;
    renderSize.height = 16;
    effect.ensureCapture();
    ASSERT_TRUE(effect.capture);
    EXPECT_EQ(effect.capture->pixels.size(), 48u * 16u * 4u);
    auto widthOf = [](GLuint texture) {
        GLint width = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        return width;
    };
    EXPECT_EQ(widthOf(effect.captureTexture), 48);
    EXPECT_EQ(widthOf(effect.frameBufferTexture), kSize);
}

TEST_F(EffectGLTest, CallbackRunsAfterStandardUniformsAndUnitsAreReleased) {
    auto program = makeProgram("#version 150\nuniform float beat;\nuniform sampler2D tex;\nout vec4 colour;\n"
                               "void main() { colour = vec4(beat, 0.0, 0.0, 1.0) + 0.0001 * texture(tex, vec2(0.0)); }\n");
    auto texture = solidTexture({0, 0, 0, 255});
    Effect effect("effect", program.get(), texture.get(), nullptr, false, false, nullptr);
    int calls = 0;
    effect.render(
        [&] {
            glUniform1f(program->locations.beat, 0.5f);
            ++calls;
        },
        false);
    EXPECT_EQ(calls, 1);
    expectPixelNear(readPixel(10, 10), {128, 0, 0, 255});
    EXPECT_EQ(boundOn(0), 0u);
}

// Seventeen inputs: the sixteen sampler units fill up and the seventeenth is left out, so the
// sound texture on unit 16 is what the effect sees there, and stays bound after the draw.
TEST_F(EffectGLTest, InputsPastSixteenUnitsLeaveTheSoundTextureAlone) {
    auto program = makeProgram("#version 150\nuniform sampler2D sound_texture, tex15;\nout vec4 colour;\n"
                               "void main() { colour = vec4(texture(sound_texture, vec2(0.5)).rg, "
                               "texture(tex15, vec2(0.5)).b, 1.0); }\n");
    auto red = solidTexture({255, 0, 0, 255});
    auto blue = solidTexture({0, 0, 255, 255});
    auto sound = solidTexture({0, 255, 0, 255});
    Effect effect("crowded", program.get(), nullptr, nullptr, false, false, nullptr);
    effect.textures.assign(15, red.get());
    effect.textures.push_back(blue.get());  // tex15
    effect.textures.push_back(red.get());   // one too many
    glActiveTexture(GL_TEXTURE16);
    glBindTexture(GL_TEXTURE_2D, sound->glName);

    effect.render({}, false);
    expectPixelNear(readPixel(10, 10), {0, 255, 255, 255});
    EXPECT_EQ(boundOn(16), sound->glName);
    EXPECT_EQ(boundOn(15), 0u);
    EXPECT_TRUE(effect.unitsWarned);
    glActiveTexture(GL_TEXTURE16);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace
