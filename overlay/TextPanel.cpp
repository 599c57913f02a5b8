#include "overlay/TextPanel.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>

#include "overlay/BuiltInFont.h"

namespace overlay {
namespace {

const char* const kPanelFragment = R"(#version 150
uniform sampler2D panel;
in vec2 uv;
out vec4 colour;
void main() { colour = texture(panel, uv); }
)";

}  // namespace

std::string cutText(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "...";
}

TextPanel::TextPanel() : program_(kPanelFragment) {}

TextPanel::~TextPanel() { deleteTexture(texture_); }

void TextPanel::render(const std::vector<std::string>& lines, int fontSize, int panelWidth, int maxWidth, int maxHeight) {
    width = height = 0;
    TTF_Font* font = builtInFont(fontSize);
    if (!font || maxWidth <= 0 || maxHeight <= 0) return;
    const int margin = TTF_FontHeight(font) / 2;
    const SDL_Color light{255, 236, 200, 255};
    std::vector<SDL_Surface*> rendered;
    int textWidth = 0, textHeight = 0;
    for (const std::string& line : lines) {
        SDL_Surface* surface = TTF_RenderUTF8_Blended_Wrapped(font, line.empty() ? " " : line.c_str(), light,
                                                              std::max(1, maxWidth - 2 * margin));
        if (!surface) continue;
        rendered.push_back(surface);
        textWidth = std::max(textWidth, surface->w);
        textHeight += surface->h;
    }
    const int w = std::min(panelWidth > 0 ? panelWidth : textWidth + 2 * margin, maxWidth);
    const int h = std::min(textHeight + 2 * margin, maxHeight);
    SDL_Surface* panel = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (panel) {
        SDL_FillRect(panel, nullptr, SDL_MapRGBA(panel->format, 16, 8, 8, 215));
        SDL_Rect at{margin, margin, 0, 0};
        for (SDL_Surface* surface : rendered) {
            SDL_BlitSurface(surface, nullptr, panel, &at);
            at.y += surface->h;
        }
        texture_ = uploadSurface(*panel, texture_);
        width = w, height = h;
        SDL_FreeSurface(panel);
    }
    for (SDL_Surface* surface : rendered) SDL_FreeSurface(surface);
}

void TextPanel::draw(int x, int y, int windowWidth, int windowHeight) {
    if (!texture_ || width == 0 || !program_.use(x, y, width, height, windowWidth, windowHeight)) return;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture_);
    program_.draw();
}

}  // namespace overlay
