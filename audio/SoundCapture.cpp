#include "audio/SoundCapture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace audio {
namespace {

// The spectrum's pixels spread FFT bins 0 ... 231 (about 0 to 10 kHz at 44.1 kHz) over the row.
int binOfPixel(int k) { return k * 20000 / 88200; }

void setPixel(uint8_t* row, size_t x, uint8_t grey) { std::memset(row + x * 4, grey, 4); }

// 0 dB (a full-scale sine) gives 255, -90 dB or less 0; peaks above full scale clamp to 255.
uint8_t decibelGrey(float magnitude, float norm) {
    float d = 20.0f * std::log10(magnitude / norm);
    if (!(d > -90.0f)) d = -90.0f;  // silent bins give -inf, an empty block NaN
    int v = static_cast<int>((d + 90.0f) * 255.0f / 90.0f);
    return static_cast<uint8_t>(std::min(v, 255));
}

}  // namespace

SoundCapture::SoundCapture() : fft_(kiss_fftr_alloc(kSoundWidth, 0, nullptr, nullptr)) {
    if (!fft_) throw std::bad_alloc();
}

SoundCapture::~SoundCapture() { kiss_fftr_free(fft_); }

void SoundCapture::analyse(const int16_t* values, size_t count, int32_t channels) {
    SoundBlock& block = blocks_[back_];
    size_t frames = channels > 0 ? count / static_cast<size_t>(channels) : 0;
    analyseFrames(values, frames, channels, block);
    updateLevel(values, count, block);
    publish();
}

// Waveform from the left channel and a Hamming-windowed FFT of it. Blocks of other sizes than
// 1024 frames are spread over the row; positions they leave out read as silence.
void SoundCapture::analyseFrames(const int16_t* values, size_t frames, int32_t channels,
                                 SoundBlock& block) {
    uint8_t* wave = block.pixels.data() + kSoundWidth * 4;
    std::memset(wave, 128, kSoundWidth * 4);
    fftInput_.fill(0.0f);
    float windowSum = 0.0f;
    for (size_t i = 0; i < frames; ++i) {
        size_t c = frames > 1 ? i * (kSoundWidth - 1) / (frames - 1) : 0;
        int16_t left = values[i * static_cast<size_t>(channels)];
        setPixel(wave, c, static_cast<uint8_t>(left / 256 + 128));
        float h = 0.54f - 0.46f * static_cast<float>(std::cos(i * 6.283185307179586 / 1023));
        fftInput_[c] = left * (1.0f / 32768.0f) * h;
        windowSum += h;
    }
    kiss_fftr(fft_, fftInput_.data(), fftOutput_.data());
    writeSpectrum(windowSum * 0.5f, block);
}

void SoundCapture::writeSpectrum(float norm, SoundBlock& block) {
    int lastBin = -1;
    uint8_t grey = 0;
    for (int k = 0; k < kSoundWidth; ++k) {
        int b = binOfPixel(k);
        if (b != lastBin) {
            const kiss_fft_cpx& bin = fftOutput_[b];
            grey = decibelGrey(std::sqrt(bin.r * bin.r + bin.i * bin.i), norm);
            lastBin = b;
        }
        setPixel(block.pixels.data(), k, grey);
    }
}

// The ring takes the first 100 values of each block, so a full block replaces all of it.
void SoundCapture::updateLevel(const int16_t* values, size_t count, SoundBlock& block) {
    size_t n = std::min(count, static_cast<size_t>(kLevelCount));
    for (size_t j = 0; j < n; ++j) {
        levelRing_[levelIndex_] = std::abs(static_cast<int32_t>(values[j]));
        levelIndex_ = (levelIndex_ + 1) % kLevelCount;
    }
    int32_t sum = 0;
    for (int32_t v : levelRing_) sum += v;
    block.level = sum / kLevelCount;
}

void SoundCapture::publish() {
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & ~kFresh;
}

const SoundBlock& SoundCapture::latest() {
    if (middle_.load(std::memory_order_acquire) & kFresh)
        front_ = middle_.exchange(front_, std::memory_order_acq_rel) & ~kFresh;
    return blocks_[front_];
}

}  // namespace audio
