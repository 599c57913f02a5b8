// What the player's own text and graphs share on the GPU: a program that draws one rectangle given
// in window pixels, textures made from text surfaces, and the GL state they draw with.
#pragma once
#include <cstdint>

struct SDL_Surface;

namespace overlay {

class RectProgram {
public:
    // The fragment shader reads `in vec2 uv` (0,0 at the rectangle's top left).
    explicit RectProgram(const char* fragmentSource) : fragmentSource_(fragmentSource) {}
    ~RectProgram();
    RectProgram(const RectProgram&) = delete;
    RectProgram& operator=(const RectProgram&) = delete;

    // Binds the program (built on first use) for a rectangle; returns the program for uniforms,
    // 0 when it did not build.
    uint32_t use(int x, int y, int width, int height, int windowWidth, int windowHeight);
    void draw() const;

private:
    const char* fragmentSource_;
    uint32_t program_ = 0, vertexArray_ = 0;
    int rectLocation_ = -1;
    bool failed_ = false;
};

// Replaces the texture's pixels (made when 0) with a 32-bit ARGB surface's; returns the texture.
uint32_t uploadSurface(const SDL_Surface& surface, uint32_t texture);
void deleteTexture(uint32_t& texture);

// Draws over the whole window into the default frame buffer, blended, without depth or culling;
// restores what the show's frame expects on leaving.
class OverlayState {
public:
    OverlayState(int windowWidth, int windowHeight);
    ~OverlayState();

private:
    bool depthTest_, cullFace_, scissor_;
};

}  // namespace overlay
