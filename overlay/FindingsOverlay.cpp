#include "overlay/FindingsOverlay.h"

#include <algorithm>

#include "overlay/BuiltInFont.h"

namespace overlay {
namespace {

// A message may quote content of any length; no window shows more than this of one line.
constexpr size_t kLongestLine = 400;

}  // namespace

std::vector<std::string> shownLines(const std::vector<std::string>& lines) {
    std::vector<std::string> shown;
    const size_t count = std::min(lines.size(), FindingsOverlay::kShownLines);
    for (size_t i = 0; i < count; ++i) shown.push_back(cutText(lines[i], kLongestLine));
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
