// The show's sound mixed for a recording, block by block as the device mixes it live: the music,
// ducked to 100/128 while any sample plays, and samples starting in the block of their event.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace audio {

constexpr size_t kMixBlockFrames = 1024;  // the device's chunk size
constexpr int kMixChannels = 8;           // SDL_mixer's default number of sample channels

// A decoded sample at the mix's rate: interleaved signed 16-bit stereo, and how long it holds
// the music down (its duration as the live path measures it).
struct OfflineSound {
    const int16_t* values = nullptr;
    size_t frames = 0;
    double seconds = 0.0;
};

// Where the mix takes its music from, one block after the other.
class MusicSource {
public:
    virtual ~MusicSource() = default;
    // The next `frames` stereo frames at `volume` out of 128 into `out`; silence past the end.
    virtual void render(int16_t* out, size_t frames, int volume) = 0;
};

// Music decoded whole: scaled as SDL mixes (truncating), from a start frame, repeated or not.
class DecodedMusic : public MusicSource {
public:
    DecodedMusic(std::vector<int16_t> values, size_t startFrame, bool loop);
    void render(int16_t* out, size_t frames, int volume) override;

private:
    std::vector<int16_t> values_;
    size_t next_;  // index into values_
    bool loop_;
};

class OfflineMix {
public:
    OfflineMix(std::unique_ptr<MusicSource> music, int rate);

    // A sample's event fired `seconds` after the start. Like live play, a sample that is still
    // playing is not started again, and one that finds every channel busy is not heard (it still
    // ducks the music). `key` names the sample.
    void fire(const void* key, const OfflineSound& sound, double seconds);

    // Mixes every block before the one that holds frame `frame` and returns the last of them
    // (2 x kMixBlockFrames values), or null when there is none: live, that is the block the
    // device has mixed last while `frame` is heard.
    const int16_t* blockBefore(size_t frame);
    // Mixes up to `frames` frames (whole blocks); the values before are final.
    void mixThrough(size_t frames);

    const std::vector<int16_t>& values() const { return out_; }
    size_t mixedFrames() const { return out_.size() / 2; }
    int rate() const { return rate_; }

private:
    struct Voice {
        const int16_t* values = nullptr;
        size_t frames = 0;
        size_t played = 0;
    };
    struct Pending {
        Voice voice;
        size_t block = 0;
    };

    void mixBlock();
    bool ducked(size_t block) const;
    void startVoices(size_t block);

    std::unique_ptr<MusicSource> music_;
    int rate_;
    std::vector<int16_t> out_;
    std::array<Voice, kMixChannels> channels_{};
    std::vector<Pending> pending_;
    std::map<const void*, double> playingUntil_;
    std::vector<std::pair<size_t, size_t>> ducks_;  // blocks [from, to) that play the music ducked
};

}  // namespace audio
