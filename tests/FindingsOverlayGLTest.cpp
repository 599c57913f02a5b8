#include <GL/glew.h>

#include <algorithm>

#include "overlay/FindingsOverlay.h"
#include "tests/ContextGLSupport.h"

using gl_support::kSize;
using gl_support::Pixel;

namespace {

// The brightest red of the window's rows from `top` down to `bottom` (counted from the top).
int brightestRed(int top, int bottom) {
    std::vector<uint8_t> rgba(kSize * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    int brightest = 0;
    for (int row = top; row < bottom; ++row)
        for (int x = 0; x < kSize; ++x) brightest = std::max<int>(brightest, rgba[((kSize - 1 - row) * kSize + x) * 4]);
    return brightest;
}

class FindingsOverlayGLTest : public gl_support::GLTest {};

}  // namespace

TEST_F(FindingsOverlayGLTest, LinesAreDrawnOnADarkBandAtTheTop) {
    overlay::FindingsOverlay findings;
    findings.draw(kSize, kSize);
    EXPECT_EQ(brightestRed(0, kSize), 0) << "no lines, nothing drawn";
    findings.setLines({"E1"});
    EXPECT_FALSE(findings.empty());
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
    findings.draw(kSize, kSize);
    const Pixel band = gl_support::readPixel(1, kSize - 2);
    EXPECT_LT(band[2], 80) << "the band darkens what lies below it";
    EXPECT_GT(brightestRed(0, 20), 200) << "light text on the band";
    gl_support::expectPixelNear(gl_support::readPixel(kSize / 2, 2), {0, 0, 255, 255});
    findings.setLines({});
    EXPECT_TRUE(findings.empty());
}

TEST(FindingsOverlayTest, EightLinesThenACountOfTheRest) {
    std::vector<std::string> lines(20, "a.frag:1:1: error");
    lines[0] = std::string(399, 'x') + "\u00e9" + std::string(5000, 'x');
    const std::vector<std::string> shown = overlay::shownLines(lines);
    ASSERT_EQ(shown.size(), 9u);
    EXPECT_EQ(shown[0], std::string(399, 'x') + "...") << "a long line is cut before a character, not inside it";
    EXPECT_EQ(shown[7], lines[7]);
    EXPECT_EQ(shown[8], "... and 12 more");
    EXPECT_EQ(overlay::shownLines({"one"}).size(), 1u);
}
