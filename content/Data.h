// A named opaque blob carried in the show for content that the player does not interpret.
#pragma once
#include <string>

#include "content/ByteBuffer.h"

class Data : public ISerializable {
public:
    ByteBuffer buffer;
    std::string name;

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
