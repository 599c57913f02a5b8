// An owned block of file bytes (images, sounds, fonts, models, music), kept as stored.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "content/ISerializable.h"

class ByteBuffer : public ISerializable {
public:
    std::unique_ptr<uint8_t[]> data;  // null when the record has no buffer at all
    uint64_t length = 0;

    ByteBuffer() = default;
    ByteBuffer(const uint8_t* bytes, uint64_t size);
    explicit ByteBuffer(const std::vector<uint8_t>& bytes) : ByteBuffer(bytes.data(), bytes.size()) {}

    bool present() const { return data != nullptr; }
    const uint8_t* begin() const { return data.get(); }
    const uint8_t* end() const { return data.get() + length; }

    // JSON form: the base64 text of the bytes.
    content::Json toJson(const content::JsonFiles& files = {}) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files = {}) override;
    void readBinary(content::BinaryReader& in) override;
};
