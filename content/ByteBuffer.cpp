#include "content/ByteBuffer.h"

#include <cstring>

ByteBuffer::ByteBuffer(const uint8_t* bytes, uint64_t size) : data(new uint8_t[size ? size : 1]), length(size) {
    if (size) std::memcpy(data.get(), bytes, size);
}

content::Json ByteBuffer::toJson(const content::JsonFiles&) const {
    return content::base64Encode(data.get(), length);
}

void ByteBuffer::writeBinary(content::BinaryWriter& out) const { out.bytes(data.get(), length); }

void ByteBuffer::fromJson(const content::Json& json, const content::JsonFiles&) {
    std::vector<uint8_t> bytes = content::base64Decode(json.is_string() ? json.get<std::string>() : std::string());
    *this = ByteBuffer(bytes);
}

void ByteBuffer::readBinary(content::BinaryReader& in) { data = in.bytes(length); }
