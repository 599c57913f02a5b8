#include <GL/glew.h>
#include <SDL_image.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "content/RgbaSurface.h"
#include "content/Texture.h"

uint32_t createTexture2D(int32_t width, int32_t height, const void* rgbaPixels, int32_t wrapMode) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapMode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapMode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgbaPixels);
    glGenerateMipmap(GL_TEXTURE_2D);
    return texture;
}

namespace {

SDL_Surface* decodeImage(const ByteBuffer& image) {
    if (!image.present() || image.length > uint64_t(INT_MAX)) return nullptr;
    SDL_RWops* stream = SDL_RWFromConstMem(image.begin(), int(image.length));
    if (!stream) return nullptr;
    SDL_Surface* decoded = IMG_Load_RW(stream, 0);
    SDL_RWclose(stream);
    return decoded;
}

}  // namespace

void Texture::upload() {
    glName = 0;
    width = 0;
    height = 0;
    SDL_Surface* decoded = decodeImage(image);
    if (!decoded) return;
    // Blitting onto an RGBA surface turns every source format (palette, grey, RGB) into the
    // one layout GL receives.
    SDL_Surface* rgba = createRgbaSurface(decoded->w, decoded->h);
    if (rgba) {
        SDL_UpperBlit(decoded, nullptr, rgba, nullptr);
        width = decoded->w;
        height = decoded->h;
        glName = createTexture2D(width, height, rgba->pixels, GL_CLAMP_TO_EDGE);
        SDL_FreeSurface(rgba);
    }
    SDL_FreeSurface(decoded);
}

void Texture::makeBlank(int32_t blankWidth, int32_t blankHeight) {
    char label[64];
    std::snprintf(label, sizeof label, "Texture %p (%d x %d)", static_cast<void*>(this), blankWidth, blankHeight);
    name = label;
    width = blankWidth;
    height = blankHeight;
    std::vector<uint8_t> zeros(size_t(std::max(blankWidth, 0)) * size_t(std::max(blankHeight, 0)) * 4);
    glName = createTexture2D(width, height, zeros.data(), GL_CLAMP_TO_EDGE);
}
