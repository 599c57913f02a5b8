#include <GL/glew.h>
#include <SDL_image.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
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

void rememberMaxTextureSize() {
    GLint edge = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &edge);
    if (edge > 0) content::maxTextureEdge = edge;
}

namespace {

// The extension of the image's path, the only sign of formats without a magic number (TGA):
// SDL_image recognises every other format by its bytes, whatever the name says.
std::string extensionOf(const std::string& path) {
    const size_t dot = path.find_last_of("./");
    return dot == std::string::npos || path[dot] != '.' ? "" : path.substr(dot + 1);
}

SDL_Surface* decodeImage(const ByteBuffer& image, const std::string& path) {
    if (!image.present() || image.length > uint64_t(INT_MAX)) return nullptr;
    SDL_RWops* stream = SDL_RWFromConstMem(image.begin(), int(image.length));
    if (!stream) return nullptr;
    SDL_Surface* decoded = IMG_LoadTyped_RW(stream, 0, extensionOf(path).c_str());
    SDL_RWclose(stream);
    return decoded;
}

}  // namespace

// The size is taken from the header where the format has one, so that an image too large is
// refused before its pixels are made; other formats are judged by their decoded size.
std::function<void()> Texture::decode() {
    glName = 0;
    width = 0;
    height = 0;
    budget.release();
    int64_t headerWidth = 0, headerHeight = 0;
    std::string refused;
    const bool sized = image.present() && content::imageHeaderSize(image.begin(), size_t(image.length), headerWidth, headerHeight);
    if (sized) refused = budget.reserve(headerWidth, headerHeight);
    SDL_Surface* decoded = refused.empty() ? decodeImage(image, name) : nullptr;
    if (decoded && !sized) refused = budget.reserve(decoded->w, decoded->h);
    if (!refused.empty()) {
        SDL_FreeSurface(decoded);
        budget.release();
        return [this, refused] { std::printf("Texture %s: the image %s; not loaded\n", name.c_str(), refused.c_str()); };
    }
    if (!decoded) {
        budget.release();
        return [] {};
    }
    // Blitting onto an RGBA surface turns every source format (palette, grey, RGB) into the
    // one layout GL receives.
    std::shared_ptr<SDL_Surface> rgba(createRgbaSurface(decoded->w, decoded->h), SDL_FreeSurface);
    if (rgba) SDL_UpperBlit(decoded, nullptr, rgba.get(), nullptr);
    SDL_FreeSurface(decoded);
    if (!rgba) return [] {};
    return [this, rgba] {
        width = rgba->w;
        height = rgba->h;
        glName = createTexture2D(width, height, rgba->pixels, GL_CLAMP_TO_EDGE);
    };
}

void Texture::upload() {
    rememberMaxTextureSize();
    decode()();
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
