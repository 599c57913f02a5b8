#include "live/ReloadHooks.h"

#include <cstring>

#include "show/Demo.h"

namespace live {
namespace {

bool sameBytes(const ByteBuffer& a, const ByteBuffer& b) {
    return a.present() == b.present() && a.length == b.length && (a.length == 0 || std::memcmp(a.begin(), b.begin(), a.length) == 0);
}

// The first record of the old show's list that holds its object, is not shared yet and matches.
template <class T, class Holds, class Same>
T* match(Demo* previous, Demo::List<T> Demo::*list, Handover& handover, Holds holds, Same same) {
    if (!previous) return nullptr;
    for (const auto& record : previous->*list)
        if (holds(*record) && same(*record) && handover.claim(record.get())) return record.get();
    return nullptr;
}

}  // namespace

void Handover::run(std::vector<std::function<void()>>& actions) {
    for (auto& action : actions) action();
    actions.clear();
}

void ReloadHooks::textureRead(Texture& texture) {
    Texture* old = match(previous_, &Demo::textures, handover_, [](const Texture& t) { return t.glName != 0; },
                         [&](const Texture& t) { return sameBytes(t.image, texture.image); });
    if (!old) {
        ++made;
        PlayerHooks::textureRead(texture);
        return;
    }
    ++kept;
    texture.width = old->width;
    texture.height = old->height;
    handover_.share(old->glName, texture.glName);
}

void ReloadHooks::sampleRead(AudioSample& sample) {
    AudioSample* old = match(previous_, &Demo::audioSamples, handover_, [](const AudioSample& s) { return s.chunk != nullptr; },
                             [&](const AudioSample& s) { return sameBytes(s.bytes, sample.bytes); });
    if (!old) {
        ++made;
        PlayerHooks::sampleRead(sample);
        return;
    }
    ++kept;
    sample.durationMs = old->durationMs;
    handover_.share(old->chunk, sample.chunk);
}

void ReloadHooks::fontRead(Font& font) {
    Font* old = match(previous_, &Demo::fonts, handover_, [](const Font& f) { return f.handle != nullptr; },
                      [&](const Font& f) { return f.ptsize == font.ptsize && sameBytes(f.data, font.data); });
    if (!old) {
        ++made;
        PlayerHooks::fontRead(font);
        return;
    }
    ++kept;
    handover_.share(old->handle, font.handle);
    handover_.swapOnKeep(old->data, font.data);
}

}  // namespace live
