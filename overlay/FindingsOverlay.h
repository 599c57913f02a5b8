// What is wrong with the show being worked on, as lines of text over its frame.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "overlay/TextPanel.h"

namespace overlay {

// Lines of text over the frame in the built-in font, at the top left on a dark band, readable at
// any window size: at most 8 lines, then "... and N more".
class FindingsOverlay {
public:
    void setLines(std::vector<std::string> lines);  // empty: nothing drawn
    bool empty() const;
    void draw(int windowWidth, int windowHeight);    // GL, after the show's frame

    static constexpr size_t kShownLines = 8;

private:
    std::vector<std::string> lines_;
    TextPanel band_;
    int renderedFor_[2] = {0, 0};  // the window size the band was rendered for
    bool stale_ = true;
};

// The lines as shown: the first 8, each cut to a length a window can hold, then how many more.
std::vector<std::string> shownLines(const std::vector<std::string>& lines);

}  // namespace overlay
