#include "overlay/BuiltInFont.h"

#include <algorithm>
#include <cstddef>
#include <map>

// The font file's bytes, generated at build time (cmake/EmbedFile.cmake).
extern const unsigned char kBuiltInFont[];
extern const std::size_t kBuiltInFontSize;

namespace overlay {

TTF_Font* builtInFont(int pixelSize) {
    static std::map<int, TTF_Font*> opened;
    if (auto found = opened.find(pixelSize); found != opened.end()) return found->second;
    if (!TTF_WasInit() && TTF_Init() != 0) return nullptr;
    SDL_RWops* bytes = SDL_RWFromConstMem(kBuiltInFont, int(kBuiltInFontSize));
    TTF_Font* font = bytes ? TTF_OpenFontRW(bytes, 1, pixelSize) : nullptr;
    opened[pixelSize] = font;
    return font;
}

// Bounded, so that only a few sizes are ever opened.
int readableFontSize(int windowHeight) { return std::clamp(windowHeight / 36, 11, 32); }

}  // namespace overlay
