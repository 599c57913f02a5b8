#include <algorithm>

#include "audio/Audio.h"
#include "audio/MixedSound.h"
#include "tests/ContextGLSupport.h"

using namespace gl_support;

namespace {

class SoundTextureGLTest : public GLTest {};

TEST_F(SoundTextureGLTest, UploadsTheLatestAnalysedBlock) {
    Texture sound;
    sound.makeBlank(audio::kSoundWidth, 2);
    std::vector<int16_t> ramp(audio::kSoundWidth * 2);
    for (int i = 0; i < audio::kSoundWidth; ++i) ramp[2 * i] = static_cast<int16_t>(i * 30 - 15000);
    audio::mixedSound().analyse(ramp.data(), ramp.size());

    audio::uploadSoundTexture(sound);
    std::vector<uint8_t> pixels = readTexture(sound.glName, audio::kSoundWidth, 2);
    const audio::SoundBlock& block = audio::mixedSound().latest();
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), block.pixels.begin()));
    EXPECT_EQ(pixels[audio::kSoundWidth * 4], -15000 / 256 + 128) << "waveform row starts the ramp";
}

}  // namespace
