// A fixed-size text surface that events and nodes write text into (drawn by the GPU side).
#pragma once
#include <cstdint>
#include <string>

#include "content/ISerializable.h"

class Font;
struct SDL_Surface;

class FontTexture : public ISerializable {
public:
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    Font* font = nullptr;
    uint64_t fontKey = 0;      // as stored, until the Demo resolves it
    std::string fontName;      // as read from JSON, until the Demo resolves it
    bool center = false;
    int32_t charsPerBeat = -1;  // -1: no typewriter
    SDL_Surface* surface = nullptr;
    uint32_t glName = 0;
    std::string text;  // the text last drawn

    // GPU side (FontGL.cpp).
    void prepare();  // the surface and its GL texture
    void setText(const std::string& newText);  // draws and uploads; nothing when unchanged
    void clearText() { setText(std::string()); }

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
