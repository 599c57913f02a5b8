// A short sound carried as its encoded file; the audio side decodes it after reading.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "content/ByteBuffer.h"

struct Mix_Chunk;

class AudioSample : public ISerializable {
public:
    ByteBuffer bytes;
    Mix_Chunk* chunk = nullptr;  // null when decoding failed or has not happened
    std::string name;
    int32_t durationMs = 0;
    bool refused = false;  // not a format decoded as a sample; said once
    // Cleared by the audio side's timer thread, read by the frame loop.
    std::atomic<bool> playing{false};

    // Audio side (AudioSdl.cpp): decode for the device as it runs now, and its duration.
    void decode();
    // decode() without printing, for another thread while the device stays open: returns what
    // decode() would print (standard error), or nothing.
    std::string decodeSilently();

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
