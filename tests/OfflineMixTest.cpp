#include <gtest/gtest.h>

#include "audio/OfflineMix.h"

using audio::kMixBlockFrames;
using audio::OfflineMix;
using audio::OfflineSound;

namespace {

constexpr int kRate = 10240;  // ten blocks a second

std::vector<int16_t> constant(size_t frames, int16_t value) { return std::vector<int16_t>(frames * 2, value); }

int16_t at(const OfflineMix& mix, size_t frame) { return mix.values()[frame * 2]; }

}  // namespace

// A sample fired inside block 2 starts with block 3, block 2 being mixed already; the music is ducked to 100/128 from that
// block until the sample's duration has passed, and the sample does not restart while it plays.
TEST(OfflineMixTest, SamplesStartOnTheNextBlockAndDuckTheMusicWhilePlaying) {
    OfflineMix mix(std::make_unique<audio::DecodedMusic>(constant(20 * kMixBlockFrames, 1280), 0, false), kRate);
    const std::vector<int16_t> click = constant(kMixBlockFrames, 500);
    const OfflineSound sound{click.data(), kMixBlockFrames, 0.45};  // ducks blocks 3 to 5
    const int key = 0;
    mix.blockBefore(3 * kMixBlockFrames + 10);
    mix.fire(&key, sound, 0.21);
    mix.fire(&key, sound, 0.3);  // still playing: ignored
    mix.mixThrough(10 * kMixBlockFrames);
    EXPECT_EQ(at(mix, 3 * kMixBlockFrames - 1), 1280);
    EXPECT_EQ(at(mix, 3 * kMixBlockFrames), 1000 + 500);
    EXPECT_EQ(at(mix, 4 * kMixBlockFrames), 1000) << "the sample ended, the music is still ducked";
    EXPECT_EQ(at(mix, 5 * kMixBlockFrames + 7), 1000);
    EXPECT_EQ(at(mix, 6 * kMixBlockFrames), 1280) << "full volume once the duration has passed";
    mix.fire(&key, sound, 0.7);  // ended: plays again
    mix.mixThrough(12 * kMixBlockFrames);
    EXPECT_EQ(at(mix, 10 * kMixBlockFrames), 1500);
}

// Channels add up with clipping, like SDL's mixing; the music loops or falls silent at its end.
TEST(OfflineMixTest, SamplesClipAndTheMusicLoopsOrEnds) {
    std::vector<int16_t> music = constant(kMixBlockFrames, 0);
    music[0] = 7;
    const std::vector<int16_t> loud = constant(2 * kMixBlockFrames, 30000);
    const int first = 0, second = 0;
    for (bool loop : {true, false}) {
        OfflineMix mix(std::make_unique<audio::DecodedMusic>(music, 1, loop), kRate);
        mix.fire(&first, {loud.data(), 2 * kMixBlockFrames, 0.0}, 0.0);
        mix.fire(&second, {loud.data(), 2 * kMixBlockFrames, 0.0}, 0.0);
        mix.mixThrough(3 * kMixBlockFrames);
        EXPECT_EQ(at(mix, 0), 32767);
        EXPECT_EQ(at(mix, kMixBlockFrames - 1), 32767) << "two loud samples add up and clip";
        EXPECT_EQ(at(mix, 2 * kMixBlockFrames + kMixBlockFrames - 1), loop ? 7 : 0);
    }
}
