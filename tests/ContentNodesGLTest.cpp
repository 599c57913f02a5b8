#include <GL/glew.h>

#include <SDL_ttf.h>

#include <algorithm>

#include "audio/MixedSound.h"
#include "show/Demo.h"
#include "graph/ExecutionContext.h"
#include "nodes/NodesGL.h"
#include "tests/ContextGLSupport.h"
#include "tests/TestSupport.h"

using namespace gl_support;
using namespace Nodes;
using values::MaybeValue;
using values::Value;

namespace {

class ContentNodeGLTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        context.demo = &demo;
    }
    static GLuint textureOut(const GraphNode& node) { return GLuint(node.outputValues[0].value.asInt()); }

    Demo demo;
    ExecutionContext context;
};

TEST_F(ContentNodeGLTest, TextureHandsOutTheShowsTextureByIndex) {
    demo.textures.push_back(solidTexture({255, 0, 0, 255}));
    demo.textures.push_back(solidTexture({0, 255, 0, 255}));
    GraphNode node(catalogue().find("Texture"));
    node.inputs[0] = Value::ofInt(1);
    executeTexture(node.inputs, node.outputValues, node.state, context);
    EXPECT_EQ(node.outputValues[0], MaybeValue(Value::ofName(values::Texture, demo.textures[1]->glName)));

    for (int index : {2, -1}) {
        GraphNode other(catalogue().find("Texture"));
        other.inputs[0] = Value::ofInt(index);
        executeTexture(other.inputs, other.outputValues, other.state, context);
        EXPECT_FALSE(other.outputValues[0].hasValue) << index;
    }
    context.demo = nullptr;
    node.outputValues[0] = {};
    executeTexture(node.inputs, node.outputValues, node.state, context);
    EXPECT_FALSE(node.outputValues[0].hasValue);
}

TEST_F(ContentNodeGLTest, SoundTextureUploadsTheLatestBlock) {
    GraphNode node(catalogue().find("SoundTexture"));
    executeSoundTexture(node.inputs, node.outputValues, node.state, context);
    EXPECT_FALSE(node.outputValues[0].hasValue) << "a show without a sound texture";

    demo.soundTexture = std::make_unique<Texture>();
    demo.soundTexture->makeBlank(audio::kSoundWidth, 2);
    std::vector<int16_t> ramp(audio::kSoundWidth * 2);
    for (int i = 0; i < audio::kSoundWidth; ++i) ramp[2 * i] = int16_t(i * 20 - 10000);
    audio::mixedSound().analyse(ramp.data(), ramp.size());
    executeSoundTexture(node.inputs, node.outputValues, node.state, context);
    EXPECT_EQ(textureOut(node), demo.soundTexture->glName);
    const std::vector<uint8_t> pixels = readTexture(demo.soundTexture->glName, audio::kSoundWidth, 2);
    const audio::SoundBlock& block = audio::mixedSound().latest();
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), block.pixels.begin()));
}

TEST_F(ContentNodeGLTest, FontTextureDrawsTheTextInput) {
    Font font;
    font.data = ByteBuffer(testing_support::readFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    font.ptsize = 20;
    font.open();
    ASSERT_NE(font.handle, nullptr);
    auto& text = demo.fontTextures.emplace_back(std::make_unique<FontTexture>());
    text->width = 64;
    text->height = 32;
    text->font = &font;
    text->prepare();
    GraphNode node(catalogue().find("FontTexture"));
    node.inputs[1] = Value::ofString("Hi");

    executeFontTexture(node.inputs, node.outputValues, node.state, context);
    EXPECT_EQ(textureOut(node), text->glName);
    EXPECT_EQ(text->text, "Hi");
    const std::vector<uint8_t> pixels = readTexture(text->glName, 64, 32);
    EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](uint8_t b) { return b != 0; }));

    GraphNode outside(catalogue().find("FontTexture"));
    outside.inputs[0] = Value::ofInt(1);
    outside.inputs[1] = Value::ofString("other");
    executeFontTexture(outside.inputs, outside.outputValues, outside.state, context);
    EXPECT_FALSE(outside.outputValues[0].hasValue);
    EXPECT_EQ(text->text, "Hi");
    text->font = nullptr;
    TTF_CloseFont(font.handle);
}

}  // namespace
