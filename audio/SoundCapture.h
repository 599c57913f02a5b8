// Analysis of mixed audio blocks into the sound texture's pixels (spectrum and waveform) and a
// loudness level, handed from the audio thread to one reading thread without locks.
#pragma once
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include <kissfft/kiss_fftr.h>

namespace audio {

constexpr int kSoundWidth = 1024;
constexpr int kSoundPixelBytes = kSoundWidth * 2 * 4;
constexpr int kLevelCount = 100;

// One analysed block: row 0 the spectrum, row 1 the waveform, as grey RGBA8 pixels.
struct SoundBlock {
    std::array<uint8_t, kSoundPixelBytes> pixels{};
    int32_t level = 0;
};

class SoundCapture {
public:
    SoundCapture();
    ~SoundCapture();
    SoundCapture(const SoundCapture&) = delete;
    SoundCapture& operator=(const SoundCapture&) = delete;

    // Audio thread: analyses a block of interleaved signed 16-bit values. Never allocates,
    // never waits.
    void analyse(const int16_t* values, size_t count, int32_t channels = 2);

    // Reading thread: the latest complete block. It stays unchanged until the next call.
    const SoundBlock& latest();

private:
    void analyseFrames(const int16_t* values, size_t frames, int32_t channels, SoundBlock& block);
    void writeSpectrum(float norm, SoundBlock& block);
    void updateLevel(const int16_t* values, size_t count, SoundBlock& block);
    void publish();

    kiss_fftr_cfg fft_ = nullptr;
    std::array<float, kSoundWidth> fftInput_{};
    std::array<kiss_fft_cpx, kSoundWidth / 2 + 1> fftOutput_{};
    std::array<int32_t, kLevelCount> levelRing_{};  // int32: |-32768| does not fit 16 bits
    int levelIndex_ = 0;

    // Triple buffer: the writer fills blocks_[back_], the reader holds blocks_[front_], and
    // the latest complete block waits in the slot named by middle_, flagged when fresh.
    static constexpr int kFresh = 4;
    std::array<SoundBlock, 3> blocks_{};
    int back_ = 0;
    int front_ = 1;
    std::atomic<int> middle_{2};
};

}  // namespace audio
