// The show's sound: the audio device, the music, samples with ducking, and the analysis of the
// final mix that feeds the sound texture and the "sound" level.
#pragma once
#include <cstdint>

class AudioSample;
class ByteBuffer;
class Texture;

namespace audio {

struct DeviceSpec {
    int32_t frequency = 44100;
    uint16_t format = 0x8010;  // signed 16-bit little-endian
    int32_t channels = 2;
};

// What the device runs at now, as queried after it was (re)opened.
const DeviceSpec& deviceSpec();

// Opens the device at a rate, 16-bit stereo, 1024-frame chunks; false when SDL_mixer refuses
// (SDL's error is printed).
bool openDevice(int32_t frequency);
// The same without the message.
bool openDeviceQuietly(int32_t frequency);
void closeDevice();

// Plays the show's music (nothing when it has none), looped forever or once, from a point in
// seconds, and starts the analysis of every mixed block.
void startMusic(const ByteBuffer& music, bool loop, double fromSeconds = 0.0);
// Plays the music again from a point, as it was started, even after it has ended.
void replayMusic(double fromSeconds);
// Stops the music and the samples where they are, or lets them go on.
void setPlaybackPaused(bool paused);

// Muted, the device plays silence while the analysis still hears the mix.
void setMuted(bool muted);

// Plays a sample once unless it is still playing; the music is ducked while any sample plays.
void playSample(AudioSample& sample);
// The same for a reference that may be null; null plays nothing.
void playSample(AudioSample* sample);

// While set, playSample hands every call to the listener instead of playing it: an offline
// render places the sample in its own mix. Null restores live play.
using SampleListener = void (*)(AudioSample& sample);
void setSampleListener(SampleListener listener);

// Uploads the latest analysed block into the 1024 x 2 sound texture.
void uploadSoundTexture(const Texture& soundTexture);

// The loudness of the latest analysed block: the mean of its first 100 absolute sample values.
int32_t soundLevel();

}  // namespace audio
