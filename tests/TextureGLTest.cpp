#include <GL/glew.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "content/RgbaSurface.h"
#include "tests/ContextGLSupport.h"

using namespace gl_support;

namespace {

class TextureGLTest : public GLTest {};

std::vector<uint8_t> encodePng(SDL_Surface* surface) {
    std::vector<uint8_t> bytes(1 << 16);
    SDL_RWops* stream = SDL_RWFromMem(bytes.data(), int(bytes.size()));
    EXPECT_EQ(IMG_SavePNG_RW(surface, stream, 0), 0) << IMG_GetError();
    bytes.resize(size_t(SDL_RWtell(stream)));
    SDL_RWclose(stream);
    SDL_FreeSurface(surface);
    return bytes;
}

std::unique_ptr<Texture> uploaded(const std::vector<uint8_t>& bytes, const std::string& name = "") {
    auto texture = std::make_unique<Texture>();
    texture->image = ByteBuffer(bytes);
    texture->name = name;
    texture->upload();
    return texture;
}

TEST_F(TextureGLTest, PngDecodesWithTheTopRowFirst) {
    SDL_Surface* image = createRgbaSurface(2, 2);
    const uint8_t rgba[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 10, 20, 30, 0};
    std::memcpy(image->pixels, rgba, sizeof rgba);
    auto texture = uploaded(encodePng(image));
    ASSERT_NE(texture->glName, 0u);
    EXPECT_EQ(texture->width, 2);
    EXPECT_EQ(texture->height, 2);
    auto pixels = readTexture(texture->glName, 2, 2);
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 12), std::vector<uint8_t>(rgba, rgba + 12));
    EXPECT_EQ(pixels[15], 0) << "transparent stays transparent";
}

// A 3 x 1 PNG of colour type 3 (indexed, 8 bits) with a palette of three colours, written out by
// hand: SDL_image's own writer stores true colour only.
const std::vector<uint8_t> kPalettePng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x08, 0x03, 0x00, 0x00, 0x00, 0x2c, 0x3e, 0xe4, 0x86, 0x00, 0x00, 0x00,
    0x09, 0x50, 0x4c, 0x54, 0x45, 0xc8, 0x0a, 0x0a, 0x0a, 0xc8, 0x0a, 0x0a, 0x0a, 0xc8, 0xc0, 0x48, 0x4c, 0xd0,
    0x00, 0x00, 0x00, 0x0c, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x60, 0x60, 0x64, 0x02, 0x00, 0x00, 0x08,
    0x00, 0x04, 0x36, 0xe0, 0xb0, 0xa6, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

TEST_F(TextureGLTest, PalettePngDecodesToOpaqueRgba) {
    ASSERT_EQ(kPalettePng.at(25), 3) << "IHDR colour type must be indexed";
    auto texture = uploaded(kPalettePng);
    ASSERT_EQ(texture->width, 3);
    EXPECT_EQ(readTexture(texture->glName, 3, 1),
              (std::vector<uint8_t>{200, 10, 10, 255, 10, 200, 10, 255, 10, 10, 200, 255}));
}

// TGA has no magic number: only the path's extension tells the decoder what the bytes are.
TEST_F(TextureGLTest, TgaDecodesByItsExtension) {
    // Uncompressed true colour, 2 x 1, 32 bits, top-left origin; pixels in BGRA order.
    const std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 0x28,
                                      30, 20, 10, 255, 0, 0, 250, 255};
    auto texture = uploaded(tga, "resources/flag.tga");
    ASSERT_EQ(texture->width, 2);
    EXPECT_EQ(readTexture(texture->glName, 2, 1), (std::vector<uint8_t>{10, 20, 30, 255, 250, 0, 0, 255}));
}

TEST_F(TextureGLTest, UndecodableOrAbsentImagesHaveNoTexture) {
    auto garbage = uploaded(std::vector<uint8_t>(100, 0x42));
    EXPECT_EQ(garbage->glName, 0u);
    EXPECT_EQ(garbage->width, 0);
    EXPECT_EQ(garbage->height, 0);
    Texture absent;
    absent.width = 5;
    absent.upload();
    EXPECT_EQ(absent.glName, 0u);
    EXPECT_EQ(absent.width, 0);
}

TEST_F(TextureGLTest, BlankTextureIsNamedBySizeTransparentAndStaysBound) {
    Texture texture;
    texture.makeBlank(1024, 2);
    char expected[64];
    std::snprintf(expected, sizeof expected, "Texture %p (1024 x 2)", static_cast<void*>(&texture));
    EXPECT_EQ(texture.name, expected);
    EXPECT_EQ(texture.width, 1024);
    EXPECT_EQ(texture.height, 2);
    GLint bound = 0, wrap = 0, filter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texture.glName);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(filter, GL_LINEAR);
    auto pixels = readTexture(texture.glName, 1024, 2);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint8_t byte) { return byte == 0; }));
}

}  // namespace

// A PNG whose header claims 16384 x 16384 is refused from the header alone: what follows it
// would not even decode. Nothing is held against the texture budget.
TEST_F(TextureGLTest, ImagesPastThePixelBudgetAreRefusedFromTheirHeader) {
    std::string header("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x40\0\0\0\x40\0", 24);
    const uint64_t before = content::decodedTextureBytes();
    auto texture = std::make_unique<Texture>();
    texture->name = "huge.png";
    texture->image = ByteBuffer(reinterpret_cast<const uint8_t*>(header.data()), header.size());
    testing::internal::CaptureStdout();
    texture->upload();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Texture huge.png: the image is 16384 x 16384, above 8192 x 8192 pixels; not loaded\n");
    EXPECT_EQ(texture->glName, 0u);
    EXPECT_EQ(content::decodedTextureBytes(), before);
}
