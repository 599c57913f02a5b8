// A hidden window with a GL 3.2 core context for tests that draw and read pixels back, and
// small helpers to make programs and textures for them.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/Texture.h"
#include "shaders/ShaderProgram.h"
#include "timeline/Effect.h"

namespace gl_support {

constexpr int kSize = 64;  // render size and window size of every GL test

using Pixel = std::array<int, 4>;  // R, G, B, A as 0..255

// Every test gets the shared context, a render size of kSize x kSize, a black back buffer bound
// as frame buffer 0, beat 0 and no current show.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A pixel of the read frame buffer: the back buffer, or colour attachment 0 of a bound frame buffer.
Pixel readPixel(int x, int y);
// The whole base level of a texture, rows from the first uploaded.
std::vector<uint8_t> readTexture(uint32_t texture, int width, int height);

// A program with the built-in vertex shader and the given fragment text, built.
std::unique_ptr<ShaderProgram> makeProgram(const std::string& fragmentSource,
                                           const std::string& fragmentFilename = "test.frag");
// Draws the program over the viewport through a fresh effect and reads the centre pixel.
Pixel drawCentre(ShaderProgram& program, DrawCallback callback = {});
// A 1 x 1 texture of one colour.
std::unique_ptr<Texture> solidTexture(Pixel colour);

void expectPixelNear(const Pixel& actual, const Pixel& expected, int tolerance = 2);

}  // namespace gl_support
