#include <SDL.h>
#include <SDL_mixer.h>
#include <libmodplug/modplug.h>

#include <cmath>

#include "audio/Audio.h"
#include "audio/MixedSound.h"
#include "audio/OfflineAudio.h"
#include "content/AudioSample.h"
#include "content/Demo.h"

namespace audio {
namespace {

OfflineAudio* active = nullptr;  // the one whose mix receives the samples events play

bool isModule(const ByteBuffer& bytes) {
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.begin(), int(bytes.length));
    Mix_Music* music = stream ? Mix_LoadMUS_RW(stream, 1) : nullptr;
    const bool module = music && Mix_GetMusicType(music) == MUS_MOD;
    if (music) Mix_FreeMusic(music);
    return module;
}

// SDL_mixer's own settings for modules, with the song's loop off so that its end is an end.
bool renderModule(const ByteBuffer& bytes, size_t frameLimit, std::vector<int16_t>& out) {
    ModPlug_Settings settings;
    ModPlug_GetSettings(&settings);
    settings.mFlags = MODPLUG_ENABLE_OVERSAMPLING;
    settings.mChannels = 2;
    settings.mBits = 16;
    settings.mFrequency = deviceSpec().frequency;
    settings.mResamplingMode = MODPLUG_RESAMPLE_FIR;
    settings.mReverbDepth = 0;
    settings.mReverbDelay = 100;
    settings.mBassAmount = 0;
    settings.mBassRange = 50;
    settings.mSurroundDepth = 0;
    settings.mSurroundDelay = 10;
    settings.mLoopCount = 0;
    ModPlug_SetSettings(&settings);
    ModPlugFile* module = ModPlug_Load(bytes.begin(), int(bytes.length));
    if (!module) return false;
    constexpr size_t kChunkFrames = 4096;
    while (out.size() / 2 < frameLimit) {
        const size_t at = out.size();
        out.resize(at + kChunkFrames * 2);
        const int read = ModPlug_Read(module, out.data() + at, int(kChunkFrames * 4));
        out.resize(at + size_t(std::max(read, 0)) / 2);
        if (read <= 0) break;
    }
    ModPlug_Unload(module);
    return true;
}

// Other formats decode whole through SDL_mixer, converted by SDL to the device's format and rate
// as the live music is.
bool decodeWhole(const ByteBuffer& bytes, std::vector<int16_t>& out) {
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.begin(), int(bytes.length));
    Mix_Chunk* chunk = stream ? Mix_LoadWAV_RW(stream, 1) : nullptr;
    if (!chunk) return false;
    const auto* values = reinterpret_cast<const int16_t*>(chunk->abuf);
    out.assign(values, values + chunk->alen / 2);
    Mix_FreeChunk(chunk);
    return true;
}

bool decodeMusic(const ByteBuffer& bytes, size_t frameLimit, std::vector<int16_t>& out, std::string& error) {
    if (!bytes.present() || bytes.length == 0) return true;
    if (bytes.length > INT_MAX) return error = "the music is too large to decode", false;
    if (isModule(bytes) ? renderModule(bytes, frameLimit, out) : decodeWhole(bytes, out)) return true;
    error = std::string("cannot decode the music: ") + Mix_GetError();
    return false;
}

OfflineSound soundOf(const AudioSample& sample) {
    if (!sample.chunk) return {nullptr, 0, sample.durationMs / 1000.0};
    return {reinterpret_cast<const int16_t*>(sample.chunk->abuf), sample.chunk->alen / 4u, sample.durationMs / 1000.0};
}

}  // namespace

bool OfflineAudio::open(Demo& demo, double startSeconds, bool loopMusic, size_t musicFrameLimit,
                        std::string& error) {
    close();
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return error = std::string("SDL audio: ") + SDL_GetError(), false;
    open_ = true;
    if (!openDevice(demo.musicSampleRate)) return error = std::string("audio: ") + Mix_GetError(), false;
    for (auto& sample : demo.audioSamples) sample->decode();
    const int rate = deviceSpec().frequency;
    const auto startFrame = size_t(std::llround(startSeconds * rate));
    std::vector<int16_t> music;
    if (!decodeMusic(demo.music, startFrame + musicFrameLimit, music, error)) return false;
    mix_ = std::make_unique<OfflineMix>(std::move(music), startFrame, loopMusic, rate);
    mixedSound();
    active = this;
    setSampleListener(onSample);
    return true;
}

void OfflineAudio::close() {
    if (!open_) return;
    if (active == this) setSampleListener(nullptr), active = nullptr;
    closeDevice();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    open_ = false;
}

void OfflineAudio::onSample(AudioSample& sample) {
    if (active && active->mix_) active->mix_->fire(&sample, soundOf(sample), active->now_);
}

void OfflineAudio::advanceTo(double seconds) {
    now_ = seconds;
    const auto frame = size_t(std::llround(std::max(0.0, seconds) * mix_->rate()));
    if (const int16_t* block = mix_->blockBefore(frame)) mixedSound().analyse(block, kMixBlockFrames * 2, 2);
}

}  // namespace audio
