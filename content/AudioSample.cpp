#include "content/AudioSample.h"

#include "content/MediaBytes.h"

content::Json AudioSample::toJson(const content::JsonFiles& files) const {
    return content::namedMediaToJson(name, bytes, "audio_buffer", files);
}

void AudioSample::writeBinary(content::BinaryWriter& out) const { content::writeNamedMedia(out, name, bytes); }

void AudioSample::fromJson(const content::Json& json, const content::JsonFiles& files) {
    content::namedMediaFromJson(json, "audio_buffer", files, name, bytes);
}

void AudioSample::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "AudioSample");
    content::readNamedMedia(in, name, bytes);
}
