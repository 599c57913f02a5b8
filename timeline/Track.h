// An animation track: control points (beat relative to the event's start, value, optional text)
// with an interpolation mode.
#pragma once
#include <map>
#include <string>
#include <string_view>
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

// The track name owner + "." + field held as its two pieces, so that the tracks a group keeps
// for its members are found without joining the name every frame.
struct DottedName {
    std::string_view owner;
    std::string_view field;
};

// Byte-wise order of track names that can also compare a name against a DottedName.
struct TrackNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return a < b; }
    bool operator()(std::string_view a, const DottedName& b) const { return compare(a, b) < 0; }
    bool operator()(const DottedName& a, std::string_view b) const { return compare(b, a) > 0; }

    static int compare(std::string_view a, const DottedName& b) {
        for (std::string_view piece : {b.owner, std::string_view("."), b.field}) {
            std::string_view head = a.substr(0, piece.size());
            if (int c = head.compare(piece)) return c;
            a.remove_prefix(head.size());
        }
        return a.empty() ? 0 : 1;
    }
};

using TrackMap = std::map<std::string, Track, TrackNameLess>;
