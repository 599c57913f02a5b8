#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "audio/Audio.h"
#include "audio/MixedSound.h"
#include "content/AudioSample.h"
#include "player/Player.h"
#include "show/Demo.h"
#include "tests/TestSupport.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A 16-bit stereo PCM WAV file holding `frames` frames of a constant left and right value.
std::vector<uint8_t> wavFile(int rate, int frames, int16_t left = 1000, int16_t right = 1000) {
    uint32_t dataBytes = static_cast<uint32_t>(frames) * 4;
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    put32(out, 36 + dataBytes);
    for (char c : std::string("WAVEfmt ")) out.push_back(c);
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 2);
    put32(out, rate);
    put32(out, rate * 4);
    put16(out, 4);
    put16(out, 16);
    for (char c : std::string("data")) out.push_back(c);
    put32(out, dataBytes);
    for (int i = 0; i < frames; ++i) {
        put16(out, static_cast<uint16_t>(left));
        put16(out, static_cast<uint16_t>(right));
    }
    return out;
}

// A four-channel MOD whose one pattern plays a note and jumps back to its start: a song that
// never ends.
std::vector<uint8_t> loopingModule() {
    std::vector<uint8_t> mod(1084 + 1024, 0);
    const uint8_t sampleHeader[8] = {0, 32, 0, 64, 0, 0, 0, 1};  // 64 bytes, volume 64, no loop
    std::copy(sampleHeader, sampleHeader + 8, mod.begin() + 20 + 22);
    mod[950] = 1;  // song length
    mod[951] = 127;
    std::copy_n("M.K.", 4, mod.begin() + 1080);
    const uint8_t note[4] = {0x11, 0xAC, 0x00, 0x00}, jump[4] = {0x00, 0x00, 0x0B, 0x00};
    std::copy(note, note + 4, mod.begin() + 1084);
    std::copy(jump, jump + 4, mod.begin() + 1084 + 16);
    for (int i = 0; i < 64; ++i) mod.push_back(i < 32 ? 0x40 : 0xC0);
    return mod;
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms) {
    auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A decoded sample that outlives its end timer and releases its chunk.
struct TestSample {
    AudioSample sample;
    explicit TestSample(const std::vector<uint8_t>& bytes) {
        sample.bytes = ByteBuffer(bytes);
        sample.decode();
    }
    ~TestSample() {
        EXPECT_TRUE(waitFor([&] { return !sample.playing; })) << "sample never ended";
        if (sample.chunk) Mix_FreeChunk(sample.chunk);
    }
};

int musicVolume() { return Mix_VolumeMusic(-1); }

// Frames the device has mixed, counted by SDL_mixer's own post-mix hook (ours is an effect).
std::atomic<long> mixedFrames{0};
void countMixed(void*, Uint8*, int len) { mixedFrames += len / 4; }

// Waits until the device has mixed `frames` more frames: the disk driver may lag on a busy
// machine, so wall time alone says little about how far the music got.
bool mixFor(long frames) {
    long target = mixedFrames + frames;
    return waitFor([&] { return mixedFrames >= target; });
}

}  // namespace

// SDL's disk driver mixes in real time into a scratch file, so playing times are real.
class AudioSdlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scratch = new testing_support::ScratchDir("audio-sdl");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (scratch->path() / "mix.raw").c_str(), 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER), 0) << SDL_GetError();
    }
    static void TearDownTestSuite() {
        SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER);
        delete scratch;
    }
    void SetUp() override {
        ASSERT_TRUE(audio::openDevice(44100));
        Mix_SetPostMix(countMixed, nullptr);
    }
    void TearDown() override {
        Mix_SetPostMix(nullptr, nullptr);
        audio::closeDevice();
    }

    static inline testing_support::ScratchDir* scratch = nullptr;
};

TEST_F(AudioSdlTest, DecodeMeasuresTheSampleOnTheDeviceAsItRunsNow) {
    TestSample twoSeconds(wavFile(44100, 88200));
    ASSERT_NE(twoSeconds.sample.chunk, nullptr) << Mix_GetError();
    EXPECT_EQ(twoSeconds.sample.chunk->alen, 352800u);
    EXPECT_EQ(twoSeconds.sample.durationMs, 2000);

    // Reopened at another rate, decoding again resamples: still 2 s of device time.
    ASSERT_TRUE(audio::openDevice(48000));
    EXPECT_EQ(audio::deviceSpec().frequency, 48000);
    twoSeconds.sample.decode();
    ASSERT_NE(twoSeconds.sample.chunk, nullptr) << Mix_GetError();
    EXPECT_NEAR(twoSeconds.sample.chunk->alen / 4.0, 96000, 48);
    EXPECT_NEAR(twoSeconds.sample.durationMs, 2000, 1);

    TestSample garbage({'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v'});
    EXPECT_EQ(garbage.sample.chunk, nullptr);
    EXPECT_EQ(garbage.sample.durationMs, 0);
}

// Decoding a looping song whole would never end; the show goes on without it, told once.
TEST_F(AudioSdlTest, ModulesAreLeftOutOfTheSamples) {
    AudioSample module;
    module.name = "loop.mod";
    module.bytes = ByteBuffer(loopingModule());
    testing::internal::CaptureStderr();
    module.decode();
    module.decode();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(module.chunk, nullptr);
    EXPECT_EQ(module.durationMs, 0);
    EXPECT_EQ(said.find("loop.mod"), said.rfind("loop.mod"));
    EXPECT_NE(said.find("Sample loop.mod is left out"), std::string::npos) << said;
}

TEST_F(AudioSdlTest, OverlappingSamplesEndOnTheirOwnAndDuckTheMusicUntilTheLast) {
    TestSample first(wavFile(44100, 44100 / 5));   // 200 ms
    TestSample second(wavFile(44100, 44100 / 2));  // 500 ms
    ASSERT_EQ(musicVolume(), 128);

    auto start = Clock::now();
    audio::playSample(first.sample);
    EXPECT_EQ(musicVolume(), 100);
    std::this_thread::sleep_for(100ms);
    auto secondStart = Clock::now();
    audio::playSample(second.sample);

    // SDL's timers count whole milliseconds on their own clock: allow a little slack.
    ASSERT_TRUE(waitFor([&] { return !first.sample.playing; }));
    EXPECT_GE(msSince(start), 190);
    EXPECT_TRUE(second.sample.playing);
    EXPECT_EQ(musicVolume(), 100) << "music came back while a sample still plays";

    ASSERT_TRUE(waitFor([&] { return !second.sample.playing; }));
    EXPECT_GE(msSince(secondStart), 490);
    EXPECT_EQ(musicVolume(), 128);

    audio::playSample(second.sample);
    EXPECT_TRUE(second.sample.playing) << "an ended sample must play again";
    EXPECT_EQ(musicVolume(), 100);
}

TEST_F(AudioSdlTest, ASampleStartedAgainWhilePlayingPlaysOnce) {
    TestSample sample(wavFile(44100, 44100 / 4));
    audio::playSample(sample.sample);
    audio::playSample(sample.sample);
    EXPECT_EQ(Mix_Playing(-1), 1);
    ASSERT_TRUE(waitFor([&] { return !sample.sample.playing; }));
    EXPECT_EQ(musicVolume(), 128) << "the second start left the music ducked";
}

TEST_F(AudioSdlTest, SamplesWithoutSoundPlayNothing) {
    TestSample silent({'x'});
    audio::playSample(silent.sample);
    EXPECT_EQ(Mix_Playing(-1), 0);
    ASSERT_TRUE(waitFor([&] { return !silent.sample.playing; }, 500ms));
    EXPECT_EQ(musicVolume(), 128);

    audio::playSample(nullptr);
    EXPECT_EQ(musicVolume(), 128);
}

TEST_F(AudioSdlTest, MusicLoopsOnlyWhenAsked) {
    Demo demo;
    audio::startMusic(demo.music, true);
    EXPECT_EQ(Mix_PlayingMusic(), 0);

    constexpr long kMusicFrames = 44100 / 5;
    demo.music = ByteBuffer(wavFile(44100, kMusicFrames));
    audio::startMusic(demo.music, false);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    ASSERT_TRUE(mixFor(3 * kMusicFrames));
    EXPECT_EQ(Mix_PlayingMusic(), 0) << "music played once should have ended";

    audio::startMusic(demo.music, true);
    ASSERT_TRUE(mixFor(3 * kMusicFrames));
    EXPECT_EQ(Mix_PlayingMusic(), 1) << "looped music should still play";
}

// The frame loop's pause stops the music where it is; a seek plays it from there, even after it
// ended, and keeps it paused while the clock is.
TEST_F(AudioSdlTest, MusicFollowsPauseAndSeek) {
    Demo demo;
    demo.bpm = 600.0f;
    constexpr long kMusicFrames = 44100 / 5;
    demo.music = ByteBuffer(wavFile(44100, kMusicFrames));
    FrameLoop loop;
    loop.demo = &demo;
    audio::startMusic(demo.music, false);
    loop.setPaused(true);
    EXPECT_EQ(Mix_PausedMusic(), 1);
    loop.seek(1.0f);
    EXPECT_EQ(Mix_PausedMusic(), 1) << "a seek keeps the pause";
    loop.setPaused(false);
    EXPECT_EQ(Mix_PausedMusic(), 0);
    ASSERT_TRUE(mixFor(3 * kMusicFrames));
    ASSERT_EQ(Mix_PlayingMusic(), 0);
    loop.seek(0.0f);
    EXPECT_EQ(Mix_PlayingMusic(), 1) << "seeking back plays the ended music again";
}

TEST_F(AudioSdlTest, CaptureSeesTheFinalMix) {
    Demo demo;
    demo.music = ByteBuffer(wavFile(44100, 44100, 8192, -4096));
    audio::startMusic(demo.music, true);
    EXPECT_TRUE(waitFor([] { return audio::soundLevel() == (8192 + 4096) / 2; }))
        << "level " << audio::soundLevel();
    const audio::SoundBlock& block = audio::mixedSound().latest();
    for (int x = 0; x < audio::kSoundWidth; ++x)
        ASSERT_EQ(block.pixels[(audio::kSoundWidth + x) * 4], 8192 / 256 + 128) << "wave pixel " << x;
}

// Muted, the device gets silence while the sound texture still follows the music.
TEST_F(AudioSdlTest, MutedPlaySilencesTheDeviceButNotTheAnalysis) {
    static std::atomic<int> loudest{-1};
    auto listen = [](int, void* stream, int len, void*) {
        const int16_t* samples = static_cast<const int16_t*>(stream);
        for (int i = 0; i < len / 2; ++i) loudest = std::max<int>(loudest, std::abs(samples[i]));
    };
    audio::setMuted(true);
    Demo demo;
    demo.music = ByteBuffer(wavFile(44100, 44100, 8192, 8192));
    audio::startMusic(demo.music, true);
    Mix_RegisterEffect(MIX_CHANNEL_POST, listen, nullptr, nullptr);  // runs after the player's own step
    EXPECT_TRUE(waitFor([] { return audio::soundLevel() == 8192 && loudest >= 0; }));
    audio::setMuted(false);
    Mix_UnregisterEffect(MIX_CHANNEL_POST, listen);
    EXPECT_EQ(loudest, 0);
}
