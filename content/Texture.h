// An image carried as its encoded file; the GPU side decodes and uploads it after reading.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "content/ByteBuffer.h"
#include "content/ImageLimits.h"

// The routine that makes every 2D RGBA8 texture of the player; the texture stays bound.
uint32_t createTexture2D(int32_t width, int32_t height, const void* rgbaPixels, int32_t wrapMode);

// GPU side: takes GL_MAX_TEXTURE_SIZE of the current context as content::maxTextureEdge.
void rememberMaxTextureSize();

class Texture : public ISerializable {
public:
    uint32_t glName = 0;
    ByteBuffer image;  // absent for textures made from a size
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    content::TextureShare budget;  // the decoded pixels' part of the texture budget

    // GPU side (TextureGL.cpp): decode the image bytes and create the GL texture (name 0 and
    // size 0 x 0 when they cannot be decoded or their header's size is refused by the image
    // limits), or make a blank transparent texture of a size.
    void upload();
    // upload() in two steps: decode needs no GL and may run on another thread (one texture at a
    // time, after rememberMaxTextureSize); the step it returns makes the GL texture and prints
    // what the decode found, on the GL thread.
    std::function<void()> decode();
    void makeBlank(int32_t width, int32_t height);

    content::Json toJson(const content::JsonFiles& files) const override;
    void writeBinary(content::BinaryWriter& out) const override;
    void fromJson(const content::Json& json, const content::JsonFiles& files) override;
    void readBinary(content::BinaryReader& in) override;
};
