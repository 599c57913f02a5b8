#include <GL/glew.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>

#include "timeline/FontTexture.h"
#include "tests/ContextGLSupport.h"
#include "tests/TestSupport.h"
#include "timeline/Font.h"

using namespace gl_support;

namespace {

constexpr int kWidth = 128, kHeight = 64;

class TextGLTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        font.data = ByteBuffer(testing_support::readFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        font.ptsize = 20;
        font.open();
        ASSERT_NE(font.handle, nullptr) << TTF_GetError();
    }
    void TearDown() override {
        TTF_CloseFont(font.handle);
        GLTest::TearDown();
    }

    std::unique_ptr<FontTexture> fontTexture(Font* withFont, bool center = false) {
        auto texture = std::make_unique<FontTexture>();
        texture->width = kWidth;
        texture->height = kHeight;
        texture->font = withFont;
        texture->center = center;
        texture->prepare();
        return texture;
    }

    static std::vector<uint8_t> pixelsOf(const FontTexture& texture) {
        return readTexture(texture.glName, texture.width, texture.height);
    }
    static uint8_t alphaAt(const std::vector<uint8_t>& pixels, int x, int y) { return pixels[(y * kWidth + x) * 4 + 3]; }
    static bool transparent(const std::vector<uint8_t>& pixels) {
        return std::all_of(pixels.begin(), pixels.end(), [](uint8_t byte) { return byte == 0; });
    }
    static void paintRed(const FontTexture& texture) {
        std::vector<uint8_t> red(size_t(kWidth) * kHeight * 4);
        for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
        glBindTexture(GL_TEXTURE_2D, texture.glName);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, red.data());
    }

    Font font;
};

TEST_F(TextGLTest, TextIsWhiteFromTheTopLeftAndWrapsAtTheWidth) {
    auto texture = fontTexture(&font);
    texture->setText("Hi");
    auto pixels = pixelsOf(*texture);
    ASSERT_EQ(0, std::memcmp(pixels.data(), texture->surface->pixels, pixels.size()));
    int firstColumn = kWidth, solid = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &pixels[(y * kWidth + x) * 4];
            if (p[3] > 0) firstColumn = std::min(firstColumn, x);
            if (p[3] == 255) solid += p[0] == 255 && p[1] == 255 && p[2] == 255;
        }
    }
    EXPECT_GT(solid, 0);
    EXPECT_LT(firstColumn, 5);
    const int lineSkip = TTF_FontLineSkip(font.handle);
    for (int x = 0; x < kWidth; ++x) EXPECT_EQ(alphaAt(pixels, x, lineSkip + 2), 0) << "one line only";

    texture->setText("wrapping words wrap");
    pixels = pixelsOf(*texture);
    int below = 0;
    for (int x = 0; x < kWidth; ++x) below += alphaAt(pixels, x, lineSkip + lineSkip / 2) > 0;
    EXPECT_GT(below, 0) << "a second line";
}

TEST_F(TextGLTest, CentredTextStartsAtHalfTheSpareWidth) {
    auto left = fontTexture(&font);
    auto centred = fontTexture(&font, true);
    left->setText("Hi");
    centred->setText("Hi");
    SDL_Surface* block = TTF_RenderText_Blended_Wrapped(font.handle, "Hi", SDL_Color{255, 255, 255, 255}, kWidth);
    ASSERT_NE(block, nullptr);
    const int offset = (kWidth - block->w) / 2;
    SDL_FreeSurface(block);
    ASSERT_GT(offset, 0);
    auto leftPixels = pixelsOf(*left), centredPixels = pixelsOf(*centred);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x + offset < kWidth; ++x)
            ASSERT_EQ(alphaAt(centredPixels, x + offset, y), alphaAt(leftPixels, x, y)) << x << ", " << y;
        for (int x = 0; x < offset; ++x) ASSERT_EQ(alphaAt(centredPixels, x, y), 0);
    }
}

TEST_F(TextGLTest, SameTextUploadsOnceAndEmptyTextClears) {
    auto texture = fontTexture(&font);
    texture->setText("A");
    paintRed(*texture);
    texture->setText("A");
    auto pixels = pixelsOf(*texture);
    EXPECT_EQ(pixels[0], 255) << "unchanged text must not upload again";
    texture->setText("");
    EXPECT_TRUE(transparent(pixelsOf(*texture)));
}

TEST_F(TextGLTest, MissingOrBrokenFontUploadsTheClearedSurface) {
    Font broken;
    const std::vector<uint8_t> garbage(64, 7);
    broken.data = ByteBuffer(garbage);
    broken.ptsize = 20;
    broken.open();
    EXPECT_EQ(broken.handle, nullptr);
    for (Font* withFont : {static_cast<Font*>(nullptr), &broken}) {
        auto texture = fontTexture(withFont);
        paintRed(*texture);
        texture->setText("text");
        EXPECT_EQ(texture->text, "text");
        EXPECT_TRUE(transparent(pixelsOf(*texture)));
    }
}

// Sampled as an input, a font texture without a size shows nothing rather than opaque black.
TEST_F(TextGLTest, ATextureWithoutASizeIsTransparent) {
    for (auto [w, h] : {std::pair{0, 16}, std::pair{16, 0}}) {
        FontTexture texture;
        texture.width = w;
        texture.height = h;
        texture.font = &font;
        texture.prepare();
        texture.setText("text");
        auto alpha = makeProgram("#version 150\nuniform sampler2D tex;\nout vec4 colour;\n"
                                 "void main() { colour = vec4(texture(tex, vec2(0.5)).a, 0.0, 0.0, 1.0); }\n");
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, texture.glName);
        expectPixelNear(drawCentre(*alpha), {0, 0, 0, 255});
    }
}

}  // namespace
