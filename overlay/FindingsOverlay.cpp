#include "overlay/FindingsOverlay.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>

#include "overlay/BuiltInFont.h"

namespace overlay {
namespace {

// A message may quote content of any length; no window shows more than this of one line.
constexpr size_t kLongestLine = 400;

const char* const kBandFragment = R"(#version 150
uniform sampler2D band;
in vec2 uv;
out vec4 colour;
void main() { colour = texture(band, uv); }
)";

// Cut at a character boundary, so that the font never sees half a UTF-8 sequence.
std::string cutLine(const std::string& line) {
    if (line.size() <= kLongestLine) return line;
    size_t end = kLongestLine;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    return line.substr(0, end) + "...";
}

}  // namespace

std::vector<std::string> shownLines(const std::vector<std::string>& lines) {
    std::vector<std::string> shown;
    const size_t count = std::min(lines.size(), FindingsOverlay::kShownLines);
    for (size_t i = 0; i < count; ++i) shown.push_back(cutLine(lines[i]));
    if (lines.size() > count) shown.push_back("... and " + std::to_string(lines.size() - count) + " more");
    return shown;
}

FindingsOverlay::FindingsOverlay() : program_(kBandFragment) {}

FindingsOverlay::~FindingsOverlay() { deleteTexture(texture_); }

void FindingsOverlay::setLines(std::vector<std::string> lines) {
    lines_ = shownLines(lines);
    stale_ = true;
}

bool FindingsOverlay::empty() const { return lines_.empty(); }

// The lines wrapped to the window's width, light on a dark, mostly opaque band, as one texture.
void FindingsOverlay::renderBand(int windowWidth, int windowHeight) {
    stale_ = false;
    renderedFor_[0] = windowWidth, renderedFor_[1] = windowHeight;
    bandWidth_ = bandHeight_ = 0;
    TTF_Font* font = builtInFont(readableFontSize(windowHeight));
    if (!font) return;
    const int margin = TTF_FontHeight(font) / 2;
    const SDL_Color text{255, 236, 200, 255};
    std::vector<SDL_Surface*> rendered;
    int height = margin;
    for (const std::string& line : lines_) {
        SDL_Surface* surface = TTF_RenderUTF8_Blended_Wrapped(font, line.empty() ? " " : line.c_str(), text,
                                                              std::max(1, windowWidth - 2 * margin));
        if (!surface) continue;
        rendered.push_back(surface);
        height += surface->h;
    }
    height = std::min(height + margin, windowHeight);
    SDL_Surface* band = SDL_CreateRGBSurfaceWithFormat(0, windowWidth, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (band) {
        SDL_FillRect(band, nullptr, SDL_MapRGBA(band->format, 16, 8, 8, 215));
        SDL_Rect at{margin, margin, 0, 0};
        for (SDL_Surface* surface : rendered) {
            SDL_BlitSurface(surface, nullptr, band, &at);
            at.y += surface->h;
        }
        texture_ = uploadSurface(*band, texture_);
        bandWidth_ = band->w, bandHeight_ = band->h;
        SDL_FreeSurface(band);
    }
    for (SDL_Surface* surface : rendered) SDL_FreeSurface(surface);
}

void FindingsOverlay::draw(int windowWidth, int windowHeight) {
    if (lines_.empty() || windowWidth <= 0 || windowHeight <= 0) return;
    if (stale_ || renderedFor_[0] != windowWidth || renderedFor_[1] != windowHeight)
        renderBand(windowWidth, windowHeight);
    if (!texture_ || bandHeight_ == 0) return;
    OverlayState state(windowWidth, windowHeight);
    if (!program_.use(0, 0, bandWidth_, bandHeight_, windowWidth, windowHeight)) return;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture_);
    program_.draw();
}

}  // namespace overlay
