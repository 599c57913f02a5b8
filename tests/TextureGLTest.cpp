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

std::unique_ptr<Texture> uploaded(const std::vector<uint8_t>& bytes) {
    auto texture = std::make_unique<Texture>();
    texture->image = ByteBuffer(bytes);
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

TEST_F(TextureGLTest, PalettePngDecodesToOpaqueRgba) {
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, 3, 1, 8, SDL_PIXELFORMAT_INDEX8);
    const SDL_Color colours[3] = {{200, 10, 10, 255}, {10, 200, 10, 255}, {10, 10, 200, 255}};
    SDL_SetPaletteColors(image->format->palette, colours, 0, 3);
    const uint8_t indices[3] = {0, 1, 2};
    std::memcpy(image->pixels, indices, 3);
    auto png = encodePng(image);
    ASSERT_EQ(png.at(25), 3) << "IHDR colour type must be indexed";
    auto texture = uploaded(png);
    ASSERT_EQ(texture->width, 3);
    EXPECT_EQ(readTexture(texture->glName, 3, 1),
              (std::vector<uint8_t>{200, 10, 10, 255, 10, 200, 10, 255, 10, 10, 200, 255}));
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
