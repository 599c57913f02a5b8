#include <SDL.h>
#include <SDL_mixer.h>
#include <libmodplug/modplug.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "audio/Audio.h"
#include "audio/MixedSound.h"
#include "recording/OfflineAudio.h"
#include "content/AudioSample.h"
#include "show/Demo.h"

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

// A module rendered block by block as SDL_mixer plays it: libmodplug with SDL_mixer's settings,
// the song's own loop off, the volume set as libmodplug's master volume (SDL_mixer's 0..128
// doubled), and played again from its start when the music loops.
class ModuleMusic : public MusicSource {
public:
    ModuleMusic(ModPlugFile* module, bool loop) : module_(module), loop_(loop) {}
    ~ModuleMusic() override { ModPlug_Unload(module_); }

    void render(int16_t* out, size_t frames, int volume) override {
        ModPlug_SetMasterVolume(module_, unsigned(volume) * 2);
        size_t done = 0;
        bool restarted = false;
        while (done < frames) {
            const int read = ModPlug_Read(module_, out + done * 2, int((frames - done) * 4));
            if (read > 0) {
                done += size_t(read) / 4, restarted = false;
                continue;
            }
            if (!loop_ || restarted) break;  // a module that renders nothing at all stays silent
            ModPlug_Seek(module_, 0);
            restarted = true;
        }
        std::fill(out + done * 2, out + frames * 2, int16_t(0));
    }

private:
    ModPlugFile* module_;
    bool loop_;
};

std::unique_ptr<MusicSource> loadModule(const ByteBuffer& bytes, double startSeconds, bool loop) {
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
    if (!module) return nullptr;
    if (startSeconds > 0) ModPlug_Seek(module, int(startSeconds * 1000));  // as SDL_mixer positions modules
    return std::make_unique<ModuleMusic>(module, loop);
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

// The music as the mix's source; silence when there is none or it cannot be decoded, as live.
std::unique_ptr<MusicSource> loadMusic(const ByteBuffer& bytes, double startSeconds, bool loop) {
    std::vector<int16_t> values;
    if (!bytes.present() || bytes.length == 0 || bytes.length > INT_MAX) return std::make_unique<DecodedMusic>(values, 0, loop);
    if (isModule(bytes)) {
        if (auto module = loadModule(bytes, startSeconds, loop)) return module;
    } else if (decodeWhole(bytes, values)) {
        const auto startFrame = size_t(std::llround(startSeconds * deviceSpec().frequency));
        return std::make_unique<DecodedMusic>(std::move(values), startFrame, loop);
    }
    std::fprintf(stderr, "The music cannot be decoded; the recording is silent where it would play\n");
    return std::make_unique<DecodedMusic>(std::move(values), 0, loop);
}

OfflineSound soundOf(const AudioSample& sample) {
    if (!sample.chunk) return {nullptr, 0, sample.durationMs / 1000.0};
    return {reinterpret_cast<const int16_t*>(sample.chunk->abuf), sample.chunk->alen / 4u, sample.durationMs / 1000.0};
}

}  // namespace

bool OfflineAudio::open(Demo& demo, double startSeconds, bool loopMusic, std::string& error) {
    close();
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    const int started = SDL_InitSubSystem(SDL_INIT_AUDIO);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);  // live audio opened later in the process keeps its driver
    if (started != 0) return error = std::string("SDL audio: ") + SDL_GetError(), false;
    open_ = true;
    if (!openDevice(demo.musicSampleRate)) return error = std::string("audio: ") + Mix_GetError(), false;
    for (auto& sample : demo.audioSamples) sample->decode();
    mix_ = std::make_unique<OfflineMix>(loadMusic(demo.music, startSeconds, loopMusic), deviceSpec().frequency);
    analysed_ = demo.music.length > 0;  // live, a show without music has no analysis at all
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
    const int16_t* block = mix_->blockBefore(frame);
    if (block && analysed_) mixedSound().analyse(block, kMixBlockFrames * 2, 2);
}

}  // namespace audio
