// A TrueType font carried in the show and opened at one point size by the GPU side.
#pragma once
#include <string>

#include "content/ByteBuffer.h"

struct _TTF_Font;

class Font : public ISerializable {
public:
    std::string name;
    std::string filename;
    ByteBuffer data;
    int32_t ptsize = 0;
    _TTF_Font* handle = nullptr;

    // GPU side (FontGL.cpp): opens the font from its data at ptsize.
    void open();

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
