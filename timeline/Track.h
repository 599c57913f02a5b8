// An animation track: control points (beat relative to the event's start, value, optional text)
// with an interpolation mode.
#pragma once
#include <string>
#include <vector>

struct ControlPoint {
    float beat = 0.0f;
    float value = 0.0f;
    std::string text;
};

struct Track {
    enum Mode : int32_t { Step = 0, Linear = 1, Smooth = 2 };
    std::vector<ControlPoint> points;
    int32_t mode = Linear;
    bool repeat = false;
};
