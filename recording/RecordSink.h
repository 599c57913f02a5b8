// Where a recording goes: a video file or a folder of numbered frames, fed pictures as GL reads
// them back and the mixed sound as it becomes final. Output is written under a temporary name
// and moved into place by finish(); a sink dropped before that leaves nothing behind.
#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// A recording that cannot go on; its message is the one-line error the user sees.
struct RecordError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct RecordFormat {
    int width = 0, height = 0, fps = 0;
    int sampleRate = 44100;       // of the interleaved signed 16-bit stereo sound
    std::string x264Preset = "veryfast";
};

class RecordSink {
public:
    virtual ~RecordSink() = default;
    // One frame of RGBA pixels, bottom row first (as glReadPixels delivers them).
    virtual void writeVideo(const uint8_t* rgba) = 0;
    virtual void writeAudio(const int16_t* values, size_t frames) = 0;
    virtual void finish() = 0;
};
