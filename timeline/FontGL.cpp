#include <GL/glew.h>
#include <SDL_ttf.h>

#include <climits>
#include <cstdint>

#include "timeline/FontTexture.h"
#include "content/RgbaSurface.h"
#include "content/Texture.h"
#include "timeline/Font.h"

// The handle reads from the font data for its whole life; it owns only the stream over it, so
// closing the font (or a failed open) frees the stream and never the data.
void Font::open() {
    if (handle) TTF_CloseFont(handle);
    handle = nullptr;
    if (!data.present() || data.length > uint64_t(INT_MAX)) return;
    SDL_RWops* stream = SDL_RWFromConstMem(data.begin(), int(data.length));
    if (stream) handle = TTF_OpenFontRW(stream, 1, ptsize);
}

// A texture without a size would be incomplete, and GL samples an incomplete texture as opaque
// black; one transparent texel shows nothing, as an empty text does.
void FontTexture::prepare() {
    if (width <= 0 || height <= 0) {
        const uint8_t transparent[4] = {0, 0, 0, 0};
        surface = nullptr;
        glName = createTexture2D(1, 1, transparent, GL_CLAMP_TO_EDGE);
        return;
    }
    surface = createRgbaSurface(width, height);
    glName = createTexture2D(width, height, surface ? surface->pixels : nullptr, GL_CLAMP_TO_EDGE);
}

namespace {

// Lines wrap at the texture's width and start at the top row.
void drawText(SDL_Surface* target, TTF_Font* font, const std::string& text, bool center) {
    const SDL_Color white{255, 255, 255, 255};
    SDL_Surface* rendered = TTF_RenderText_Blended_Wrapped(font, text.c_str(), white, Uint32(target->w));
    if (!rendered) return;
    SDL_Rect source{0, 0, target->w, target->h};
    SDL_Rect destination{center ? (target->w - rendered->w) / 2 : 0, 0, rendered->w, target->h};
    SDL_UpperBlit(rendered, &source, target, &destination);
    SDL_FreeSurface(rendered);
}

}  // namespace

// Without a usable font the cleared surface is uploaded, so stale text never stays visible.
void FontTexture::setText(const std::string& newText) {
    if (newText == text) return;
    text = newText;
    if (!surface) return;
    SDL_FillRect(surface, nullptr, 0);
    if (font && font->handle && !text.empty()) drawText(surface, font->handle, text, center);
    glBindTexture(GL_TEXTURE_2D, glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, surface->pixels);
}
