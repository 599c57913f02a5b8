#include "audio/Audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "audio/MixedSound.h"
#include "content/AudioSample.h"
#include "content/ByteBuffer.h"

namespace audio {
namespace {

constexpr int kFullVolume = MIX_MAX_VOLUME;
constexpr int kDuckedVolume = 100;

DeviceSpec device;
Mix_Music* music = nullptr;

// Samples playing now; the music stays ducked while there is any. The mutex keeps the flags,
// the count and the volume in step between the main thread and SDL's timer thread.
std::mutex duckMutex;
int samplesPlaying = 0;

// Each sample's own timer ends it, so overlapping samples never lose their end. The volume comes
// back before the flag clears: whoever sees the last sample ended also hears the music again.
Uint32 endSample(Uint32, void* param) {
    std::lock_guard lock(duckMutex);
    if (--samplesPlaying == 0) Mix_VolumeMusic(kFullVolume);
    static_cast<AudioSample*>(param)->playing = false;
    return 0;
}

std::atomic<bool> muted{false};
SampleListener sampleListener = nullptr;
int musicLoops = 0;

std::atomic<bool> analysing{false};

// The last step of every mix: the analysis once the music has started, then silence when muted.
// Reads the device settings without a lock: they change only while the device is closed, which
// unregisters this hook.
void finishMix(int, void* stream, int len, void*) {
    if (analysing)
        mixedSound().analyse(static_cast<const int16_t*>(stream), static_cast<size_t>(len) / 2,
                             device.channels);
    if (muted) std::memset(stream, 0, static_cast<size_t>(len));
}

// Positions are seconds for sampled formats; SDL_mixer reads them its own way for modules.
void playMusicFrom(double fromSeconds) {
    if (!music) return;
    Mix_PlayMusic(music, musicLoops);
    if (fromSeconds > 0.0) Mix_SetMusicPosition(fromSeconds);
}

void freeMusic() {
    if (music) Mix_FreeMusic(music);
    music = nullptr;
}

// A read-only stream over bytes, or null when SDL cannot address them.
SDL_RWops* memoryStream(const ByteBuffer& bytes) {
    if (!bytes.present() || bytes.length > INT_MAX) return nullptr;
    return SDL_RWFromConstMem(bytes.begin(), static_cast<int>(bytes.length));
}

bool startsWith(const ByteBuffer& bytes, size_t at, const char* magic) {
    const size_t length = std::strlen(magic);
    return bytes.length >= at + length && std::memcmp(bytes.begin() + at, magic, length) == 0;
}

// Samples are decoded whole. A tracker module's song may jump back on itself and SDL_mixer then
// decodes it without end, so only formats whose data ends where the file does are decoded:
// WAV, AIFF, VOC, Ogg, FLAC and MP3 (ID3 tag or frame sync).
bool endsWithItsData(const ByteBuffer& bytes) {
    if (startsWith(bytes, 0, "RIFF") && startsWith(bytes, 8, "WAVE")) return true;
    for (const char* magic : {"FORM", "Creative Voice File", "OggS", "fLaC", "ID3"})
        if (startsWith(bytes, 0, magic)) return true;
    return bytes.length >= 2 && bytes.begin()[0] == 0xFF && (bytes.begin()[1] & 0xE0) == 0xE0;
}

}  // namespace

SoundCapture& mixedSound() {
    static SoundCapture capture;
    return capture;
}

const DeviceSpec& deviceSpec() { return device; }

bool openDevice(int32_t frequency) {
    if (openDeviceQuietly(frequency)) return true;
    std::printf("Mix_OpenAudio: %s\n", Mix_GetError());
    return false;
}

bool openDeviceQuietly(int32_t frequency) {
    closeDevice();  // SDL_mixer would otherwise only count the open and keep the old rate
    if (Mix_OpenAudio(frequency, AUDIO_S16LSB, 2, 1024) == -1) return false;
    int queriedFrequency = 0;
    int queriedChannels = 0;
    Uint16 queriedFormat = 0;
    if (Mix_QuerySpec(&queriedFrequency, &queriedFormat, &queriedChannels))
        device = {queriedFrequency, queriedFormat, queriedChannels};
    analysing = false;
    Mix_RegisterEffect(MIX_CHANNEL_POST, finishMix, nullptr, nullptr);
    return true;
}

void closeDevice() {
    freeMusic();
    int frequency = 0;
    int channels = 0;
    Uint16 format = 0;
    while (Mix_QuerySpec(&frequency, &format, &channels)) Mix_CloseAudio();
}

void startMusic(const ByteBuffer& bytes, bool loop, double fromSeconds) {
    if (bytes.length == 0) return;
    freeMusic();
    SDL_RWops* stream = memoryStream(bytes);
    if (stream) music = Mix_LoadMUS_RW(stream, 1);
    mixedSound();  // made here rather than on the audio thread
    analysing = true;
    musicLoops = loop ? -1 : 0;
    playMusicFrom(fromSeconds);
}

void replayMusic(double fromSeconds) { playMusicFrom(fromSeconds); }

void setPlaybackPaused(bool paused) {
    if (paused) {
        Mix_PauseMusic();
        Mix_Pause(-1);
    } else {
        Mix_ResumeMusic();
        Mix_Resume(-1);
    }
}

void setMuted(bool mute) { muted = mute; }

void setSampleListener(SampleListener listener) { sampleListener = listener; }

void playSample(AudioSample& sample) {
    if (sampleListener) return sampleListener(sample);
    {
        std::lock_guard lock(duckMutex);
        if (sample.playing) return;
        sample.playing = true;
        ++samplesPlaying;
        Mix_VolumeMusic(kDuckedVolume);
    }
    if (sample.chunk) Mix_PlayChannelTimed(-1, sample.chunk, 0, -1);
    Uint32 duration = sample.durationMs > 0 ? static_cast<Uint32>(sample.durationMs) : 0;
    if (SDL_AddTimer(duration, endSample, &sample) == 0) endSample(0, &sample);
}

void playSample(AudioSample* sample) {
    if (sample) playSample(*sample);
}

int32_t soundLevel() { return mixedSound().latest().level; }

}  // namespace audio

void AudioSample::decode() { std::fputs(decodeSilently().c_str(), stderr); }

std::string AudioSample::decodeSilently() {
    if (chunk) Mix_FreeChunk(chunk);
    chunk = nullptr;
    durationMs = 0;
    if (!bytes.present() || bytes.length == 0) return {};
    if (!audio::endsWithItsData(bytes)) {
        const bool first = !refused;
        refused = true;
        if (!first) return {};
        return "Sample " + name + " is left out: only WAV, AIFF, VOC, Ogg, FLAC and MP3 files are samples "
               "(a module belongs in the music)\n";
    }
    SDL_RWops* stream = audio::memoryStream(bytes);
    if (!stream) return {};
    chunk = Mix_LoadWAV_RW(stream, 1);
    const audio::DeviceSpec& device = audio::deviceSpec();
    if (!chunk || device.channels <= 0 || device.frequency <= 0) return {};
    // 500 = 1000 ms over the 2 bytes of a 16-bit value.
    durationMs = static_cast<int32_t>(static_cast<uint64_t>(chunk->alen) * 500 / device.channels /
                                      device.frequency);
    return {};
}
