// An image carried as its encoded file; the GPU side decodes and uploads it after reading.
#pragma once
#include <cstdint>
#include <string>

#include "content/ByteBuffer.h"

class Texture : public ISerializable {
public:
    uint32_t glName = 0;
    ByteBuffer image;  // absent for textures made from a size
    std::string name;
    int32_t width = 0;
    int32_t height = 0;

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
