// The show's sound for a recording: decoded the way live play decodes it (SDL_mixer on a silent
// device at the show's rate, modules through libmodplug), mixed ahead of the pictures, and
// analysed for the sound texture and the sound level of every frame.
#pragma once
#include <memory>
#include <string>

#include "audio/OfflineMix.h"

class AudioSample;
class Demo;

namespace audio {

class OfflineAudio {
public:
    // Opens SDL audio on its dummy driver (nothing is heard), decodes the samples, readies the
    // music from `startSeconds` on, and takes over sample playback. False with `error` set when
    // the device fails; music that cannot be decoded is silence, as it is live.
    bool open(Demo& demo, double startSeconds, bool loopMusic, std::string& error);
    // Hands sample playback back and closes the device.
    void close();
    ~OfflineAudio() { close(); }

    // The frame at `seconds` after the start is next: samples its events fire start there, and the
    // sound texture and level now describe the mixed block that holds it.
    void advanceTo(double seconds);

    OfflineMix& mix() { return *mix_; }

private:
    static void onSample(AudioSample& sample);

    std::unique_ptr<OfflineMix> mix_;
    double now_ = 0.0;
    bool open_ = false;
    bool analysed_ = false;
};

}  // namespace audio
