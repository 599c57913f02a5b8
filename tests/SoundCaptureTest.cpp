#include "audio/SoundCapture.h"

#include <cmath>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using audio::kSoundWidth;
using audio::SoundBlock;
using audio::SoundCapture;

namespace {

constexpr size_t kFrames = 1024;

uint8_t spectrumAt(const SoundBlock& block, int x) { return block.pixels[x * 4]; }
uint8_t waveAt(const SoundBlock& block, int x) { return block.pixels[(kSoundWidth + x) * 4]; }

std::vector<int16_t> stereo(size_t frames, int16_t left, int16_t right) {
    std::vector<int16_t> values(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        values[2 * i] = left;
        values[2 * i + 1] = right;
    }
    return values;
}

// A full-scale sine on the left channel that completes `bin` periods in one block.
std::vector<int16_t> leftSine(int bin) {
    std::vector<int16_t> values(kFrames * 2, 0);
    for (size_t i = 0; i < kFrames; ++i)
        values[2 * i] = static_cast<int16_t>(32767 * std::sin(2 * M_PI * bin * i / kFrames));
    return values;
}

const SoundBlock& analysed(SoundCapture& capture, const std::vector<int16_t>& values) {
    capture.analyse(values.data(), values.size());
    return capture.latest();
}

void expectSilentRows(const SoundBlock& block) {
    for (int x = 0; x < kSoundWidth; ++x) {
        ASSERT_EQ(spectrumAt(block, x), 0) << "spectrum pixel " << x;
        ASSERT_EQ(waveAt(block, x), 128) << "wave pixel " << x;
    }
}

}  // namespace

TEST(SoundCaptureTest, SilenceGivesFlatWaveNoSpectrumAndNoLevel) {
    SoundCapture capture;
    const SoundBlock& block = analysed(capture, stereo(kFrames, 0, 0));
    expectSilentRows(block);
    EXPECT_EQ(block.level, 0);
    for (int x = 0; x < kSoundWidth; ++x)
        ASSERT_TRUE(block.pixels[x * 4 + 1] == block.pixels[x * 4] &&
                    block.pixels[x * 4 + 3] == block.pixels[x * 4])
            << "pixel " << x << " is not grey";
}

TEST(SoundCaptureTest, NothingAnalysedYetReadsAsZero) {
    SoundCapture capture;
    const SoundBlock& block = capture.latest();
    for (uint8_t byte : block.pixels) ASSERT_EQ(byte, 0);
    EXPECT_EQ(block.level, 0);
}

TEST(SoundCaptureTest, FullScaleSineLightsItsBinOnly) {
    constexpr int kBin = 40;
    SoundCapture capture;
    const SoundBlock& block = analysed(capture, leftSine(kBin));
    // The window's main lobe spreads into the neighbouring bins only.
    for (int x = 0; x < kSoundWidth; ++x) {
        int distance = std::abs(x * 20000 / 88200 - kBin);
        if (distance == 0) {
            EXPECT_GE(spectrumAt(block, x), 250) << "pixel " << x;
        } else if (distance >= 4) {
            EXPECT_LE(spectrumAt(block, x), 20) << "pixel " << x;
        } else if (distance >= 2) {
            EXPECT_LE(spectrumAt(block, x), 60) << "pixel " << x;
        }
    }
}

TEST(SoundCaptureTest, WaveformTruncatesTowardZero) {
    SoundCapture capture;
    std::vector<int16_t> values = stereo(kFrames, 0, 0);
    values[0] = 32767;
    values[2] = -32768;
    values[4] = -255;  // -0.99 truncates to 0, not -1
    values[6] = 256;
    const SoundBlock& block = analysed(capture, values);
    EXPECT_EQ(waveAt(block, 0), 255);
    EXPECT_EQ(waveAt(block, 1), 0);
    EXPECT_EQ(waveAt(block, 2), 128);
    EXPECT_EQ(waveAt(block, 3), 129);
}

TEST(SoundCaptureTest, LevelComesFromTheFirstHundredValuesOfBothChannels) {
    SoundCapture capture;
    const SoundBlock& rightOnly = analysed(capture, stereo(kFrames, 0, 20000));
    expectSilentRows(rightOnly);
    EXPECT_EQ(rightOnly.level, 10000);

    std::vector<int16_t> values = stereo(kFrames, 5000, 5000);
    for (size_t j = 0; j < 100; ++j) values[j] = j % 3 ? 1000 : -1000;
    EXPECT_EQ(analysed(capture, values).level, 1000);

    EXPECT_EQ(analysed(capture, stereo(kFrames, -32768, -32768)).level, 32768);
}

TEST(SoundCaptureTest, ShortBlocksStayInBounds) {
    SoundCapture capture;
    capture.analyse(nullptr, 0);
    expectSilentRows(capture.latest());
    EXPECT_EQ(capture.latest().level, 0);

    // One frame: its value sits at position 0, and two new values join an empty ring.
    std::vector<int16_t> oneFrame = {-20000, 3000};
    const SoundBlock& single = analysed(capture, oneFrame);
    EXPECT_EQ(waveAt(single, 0), -20000 / 256 + 128);
    EXPECT_EQ(waveAt(single, 1), 128);
    EXPECT_EQ(single.level, 230);

    // Two frames spread to both ends of the row; the ring keeps its older values.
    std::vector<int16_t> twoFrames = {512, 0, -512, 100};
    const SoundBlock& pair = analysed(capture, twoFrames);
    EXPECT_EQ(waveAt(pair, 0), 130);
    EXPECT_EQ(waveAt(pair, 1023), 126);
    EXPECT_EQ(waveAt(pair, 500), 128);
    EXPECT_EQ(pair.level, (20000 + 3000 + 512 + 512 + 100) / 100);

    // An odd trailing value is no frame but still counts for the level.
    std::vector<int16_t> ragged = {300, 0, -300};
    const SoundBlock& odd = analysed(capture, ragged);
    EXPECT_EQ(waveAt(odd, 0), 129);
    EXPECT_EQ(waveAt(odd, 1023), 128);
    EXPECT_EQ(odd.level, (20000 + 3000 + 512 + 512 + 100 + 300 + 300) / 100);
}

TEST(SoundCaptureTest, LatestHoldsTheNewestCompleteBlock) {
    SoundCapture capture;
    capture.analyse(stereo(kFrames, 1000, 0).data(), kFrames * 2);
    capture.analyse(stereo(kFrames, 2000, 0).data(), kFrames * 2);
    EXPECT_EQ(capture.latest().level, 1000);
    EXPECT_EQ(waveAt(capture.latest(), 7), 2000 / 256 + 128);
}

// The reader must see whole blocks while the writer keeps going: every wave pixel of a block
// agrees with its first one.
TEST(SoundCaptureTest, ReaderNeverSeesAHalfWrittenBlock) {
    SoundCapture capture;
    const std::vector<int16_t> low = stereo(kFrames, -16384, 0);
    const std::vector<int16_t> high = stereo(kFrames, 16384, 0);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int n = 0; n < 3000; ++n) capture.analyse((n % 2 ? high : low).data(), kFrames * 2);
        done = true;
    });
    int torn = 0;
    int reads = 0;
    while (!done) {
        const SoundBlock& block = capture.latest();
        for (int x = 1; x < kSoundWidth; ++x)
            if (waveAt(block, x) != waveAt(block, 0)) {
                ++torn;
                break;
            }
        ++reads;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_EQ(waveAt(capture.latest(), 0), 16384 / 256 + 128);
}
