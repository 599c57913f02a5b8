// Lines of text in the built-in font on a dark panel, kept as one texture and drawn anywhere in
// the window: what the findings overlay and the heads-up display show their text on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "overlay/OverlayGL.h"

namespace overlay {

class TextPanel {
public:
    TextPanel();
    ~TextPanel();
    TextPanel(const TextPanel&) = delete;
    TextPanel& operator=(const TextPanel&) = delete;

    // Renders the lines at a font size, each wrapped to `maxWidth`; the panel is `width` wide (0:
    // as wide as its widest line) and no taller than `maxHeight`. GL.
    void render(const std::vector<std::string>& lines, int fontSize, int width, int maxWidth, int maxHeight);
    // GL, inside an OverlayState.
    void draw(int x, int y, int windowWidth, int windowHeight);

    int width = 0, height = 0;  // 0 when nothing was rendered

private:
    RectProgram program_;
    uint32_t texture_ = 0;
};

// The text cut to at most `maxBytes` at a character boundary, with "..." when cut: content may hold
// text of any length, and the font must never see half a UTF-8 sequence.
std::string cutText(const std::string& text, size_t maxBytes);

}  // namespace overlay
