#include "audio/OfflineMix.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace audio {
namespace {

constexpr int kFullVolume = 128;
constexpr int kDuckedVolume = 100;

// SDL's mixing of signed 16-bit audio: scale (truncating), add, clip.
int16_t addClipped(int16_t into, int16_t value, int volume) {
    const int sum = int(into) + value * volume / kFullVolume;
    return int16_t(std::clamp(sum, -32768, 32767));
}

}  // namespace

DecodedMusic::DecodedMusic(std::vector<int16_t> values, size_t startFrame, bool loop)
    : values_(std::move(values)), next_(startFrame * 2), loop_(loop) {
    values_.resize(values_.size() / 2 * 2);
    if (loop_ && !values_.empty()) next_ %= values_.size();
}

void DecodedMusic::render(int16_t* out, size_t frames, int volume) {
    for (size_t i = 0; i < frames * 2; ++i, ++next_) {
        if (loop_ && next_ == values_.size()) next_ = 0;
        out[i] = next_ < values_.size() ? addClipped(0, values_[next_], volume) : 0;
    }
}

OfflineMix::OfflineMix(std::unique_ptr<MusicSource> music, int rate) : music_(std::move(music)), rate_(rate) {}

void OfflineMix::fire(const void* key, const OfflineSound& sound, double seconds) {
    auto playing = playingUntil_.find(key);
    if (playing != playingUntil_.end() && seconds < playing->second) return;
    playingUntil_[key] = seconds + sound.seconds;
    // Live, the device mixes a block ahead of what is heard, so a sample enters the block that
    // holds the moment its event fired, unless that block is mixed already.
    const double block = std::floor(seconds * rate_ / double(kMixBlockFrames));
    const size_t start = std::max(size_t(std::max(0.0, block)), mixedFrames() / kMixBlockFrames);
    // The volume comes back likewise with the block that holds the sample's end.
    const double end = std::floor((seconds + sound.seconds) * rate_ / double(kMixBlockFrames));
    ducks_.emplace_back(start, size_t(std::max(0.0, end)));
    if (sound.values && sound.frames > 0) pending_.push_back({{sound.values, sound.frames, 0}, start});
}

const int16_t* OfflineMix::blockBefore(size_t frame) {
    const size_t block = frame / kMixBlockFrames;
    if (block == 0) return nullptr;
    mixThrough(block * kMixBlockFrames);
    return out_.data() + (block - 1) * kMixBlockFrames * 2;
}

void OfflineMix::mixThrough(size_t frames) {
    while (mixedFrames() < frames) mixBlock();
}

bool OfflineMix::ducked(size_t block) const {
    return std::any_of(ducks_.begin(), ducks_.end(),
                       [block](const auto& duck) { return duck.first <= block && block < duck.second; });
}

// Samples take the lowest free channel, as SDL_mixer's "first free channel" does.
void OfflineMix::startVoices(size_t block) {
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->block > block) {
            ++it;
            continue;
        }
        auto free = std::find_if(channels_.begin(), channels_.end(), [](const Voice& v) { return !v.values; });
        if (free != channels_.end()) *free = it->voice;
        it = pending_.erase(it);
    }
}

void OfflineMix::mixBlock() {
    const size_t block = mixedFrames() / kMixBlockFrames;
    std::erase_if(ducks_, [block](const auto& duck) { return duck.second <= block; });
    startVoices(block);
    const size_t first = out_.size();
    out_.resize(first + kMixBlockFrames * 2);
    const int volume = ducked(block) ? kDuckedVolume : kFullVolume;
    music_->render(out_.data() + first, kMixBlockFrames, volume);
    for (Voice& voice : channels_) {
        if (!voice.values) continue;
        const size_t frames = std::min(kMixBlockFrames, voice.frames - voice.played);
        const int16_t* from = voice.values + voice.played * 2;
        for (size_t i = 0; i < frames * 2; ++i) out_[first + i] = addClipped(out_[first + i], from[i], kFullVolume);
        voice.played += frames;
        if (voice.played == voice.frames) voice = {};
    }
}

}  // namespace audio
