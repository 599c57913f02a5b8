// The display F1 shows over the frame: where the clock stands, how fast frames come, what plays.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/FrameTimes.h"
#include "overlay/TextPanel.h"

class Demo;

namespace overlay {

class HeadsUpDisplay {
public:
    HeadsUpDisplay();
    ~HeadsUpDisplay();
    HeadsUpDisplay(const HeadsUpDisplay&) = delete;
    HeadsUpDisplay& operator=(const HeadsUpDisplay&) = delete;

    // Every frame, shown or not, so that the figures are there when it opens. Never allocates.
    void addFrame(double frameSeconds, double cpuSeconds);
    // GL, after the show's frame, at the bottom left: the text (renewed a few times a second)
    // over a graph of the last frame times.
    void draw(int windowWidth, int windowHeight, float beat, bool paused, const Demo& demo);

    FrameTimes times;

private:
    void drawGraph(int x, int y, int width, int height, int windowWidth, int windowHeight);

    std::array<float, FrameTimes::kCapacity> graphMs_{};  // a ring, as the graph's texture holds it
    size_t newest_ = FrameTimes::kCapacity - 1;
    double sinceText_ = 1e9;  // seconds of frames since the text was rendered
    int textFor_[2] = {0, 0};  // the window size it was rendered for
    TextPanel text_;
    RectProgram graph_;
    uint32_t graphTexture_ = 0;
};

// The display's text: beat and bar, frames per second, median and 99th-percentile frame and
// processor times, and the events playing at the beat.
std::vector<std::string> headsUpLines(float beat, bool paused, const FrameTimes& times, const Demo& demo);

}  // namespace overlay
