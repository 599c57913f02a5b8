#include "overlay/FindingsOverlay.h"

#include <algorithm>

#include "overlay/BuiltInFont.h"

namespace overlay {
namespace {

// A message may quote content of any length; no window shows more than this of one line.
constexpr size_t kLongestLine = 400;

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

void FindingsOverlay::setLines(std::vector<std::string> lines) {
    lines_ = shownLines(lines);
    stale_ = true;
}

bool FindingsOverlay::empty() const { return lines_.empty(); }

void FindingsOverlay::draw(int windowWidth, int windowHeight) {
    if (lines_.empty() || windowWidth <= 0 || windowHeight <= 0) return;
    if (stale_ || renderedFor_[0] != windowWidth || renderedFor_[1] != windowHeight) {
        band_.render(lines_, readableFontSize(windowHeight), windowWidth, windowWidth, windowHeight);
        stale_ = false;
        renderedFor_[0] = windowWidth, renderedFor_[1] = windowHeight;
    }
    OverlayState state(windowWidth, windowHeight);
    band_.draw(0, 0, windowWidth, windowHeight);
}

}  // namespace overlay
