#include <GL/glew.h>

#include "overlay/HeadsUpDisplay.h"
#include "show/Demo.h"
#include "tests/ContextGLSupport.h"

using gl_support::kSize;
using gl_support::Pixel;

namespace {

class HeadsUpDisplayGLTest : public gl_support::GLTest {};

void addEvent(Demo& demo, const std::string& name, float start, float end) {
    auto event = std::make_unique<Event>();
    event->name = name;
    event->start_beat = start;
    event->end_beat = end;
    demo.events.push_back(std::move(event));
}

}  // namespace

TEST(HeadsUpDisplayTest, TextTellsBeatBarTimesAndActiveEvents) {
    Demo demo;
    addEvent(demo, "intro", 0, 32);
    addEvent(demo, "tunnel", 36, 40);
    addEvent(demo, "later", 38, 64);
    FrameTimes times;
    for (int i = 0; i < 100; ++i) times.add(i < 99 ? 0.020 : 0.100, 0.005);
    const std::vector<std::string> lines = overlay::headsUpLines(37.5f, true, times, demo);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "beat 37.50   bar 10.2   paused");
    EXPECT_EQ(lines[1], "50.0 fps");
    EXPECT_EQ(lines[2], "frame  median 20.0 ms  99% 20.0 ms");
    EXPECT_EQ(lines[3], "cpu    median 5.0 ms  99% 5.0 ms");
    EXPECT_EQ(lines[4], "events: tunnel");
    for (int i = 0; i < 9; ++i) addEvent(demo, "e" + std::to_string(i), 0, 100);
    EXPECT_EQ(overlay::headsUpLines(-0.5f, false, times, demo)[0], "beat -0.50   bar 0.4");
    EXPECT_EQ(overlay::headsUpLines(50, false, times, demo)[4], "events: later, e0, e1, e2, e3, e4 and 4 more");
}

// Frame times as bars from the bottom of the window, the oldest at the left: 10 ms frames, then
// 40 ms frames, which miss 60 Hz and show red.
TEST_F(HeadsUpDisplayGLTest, GraphShowsTheLastFrameTimes) {
    overlay::HeadsUpDisplay hud;
    for (size_t i = 0; i < FrameTimes::kCapacity; ++i) hud.addFrame(i < FrameTimes::kCapacity / 2 ? 0.010 : 0.040, 0.001);
    Demo demo;
    hud.draw(kSize, kSize, 4.0f, false, demo);
    const int low = 4, high = 22;  // rows from the bottom at about 5 ms and 25 ms of a 50 ms range
    const Pixel oldLow = gl_support::readPixel(3, low), oldHigh = gl_support::readPixel(3, high);
    const Pixel newLow = gl_support::readPixel(kSize - 4, low), newHigh = gl_support::readPixel(kSize - 4, high);
    EXPECT_GT(oldLow[1], 150);
    EXPECT_LT(oldLow[0], 120);
    EXPECT_LT(oldHigh[1], 60) << "a 10 ms bar ends below 25 ms";
    EXPECT_GT(newLow[0], 200);
    EXPECT_GT(newHigh[0], 200);
    EXPECT_LT(newHigh[1], 120);
}
