#include "content/ImageLimits.h"

#include <algorithm>

namespace content {

std::atomic<int32_t> maxTextureEdge{16384};

namespace {

std::atomic<uint64_t> spent{0};

uint32_t bigEndian(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

uint32_t littleEndian(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// The first start-of-frame segment holds the size; markers before it are stepped over by their
// lengths, so the walk takes at most size / 2 steps.
bool jpegSize(const uint8_t* b, size_t size, int64_t& width, int64_t& height) {
    size_t at = 2;
    while (at + 4 <= size) {
        if (b[at] != 0xFF) return false;
        const uint8_t marker = b[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        const size_t length = bigEndian(b + at + 2, 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > size) return false;
            height = bigEndian(b + at + 5, 2);
            width = bigEndian(b + at + 7, 2);
            return true;
        }
        if (length < 2) return false;
        at += 2 + length;
    }
    return false;
}

}  // namespace

bool imageHeaderSize(const uint8_t* b, size_t size, int64_t& width, int64_t& height) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 24 && std::equal(png, png + 8, b)) {
        width = bigEndian(b + 16, 4);
        height = bigEndian(b + 20, 4);
        return true;
    }
    if (size >= 4 && b[0] == 0xFF && b[1] == 0xD8) return jpegSize(b, size, width, height);
    if (size >= 10 && (std::string(reinterpret_cast<const char*>(b), 6) == "GIF87a" ||
                       std::string(reinterpret_cast<const char*>(b), 6) == "GIF89a")) {
        width = littleEndian(b + 6, 2);
        height = littleEndian(b + 8, 2);
        return true;
    }
    if (size >= 26 && b[0] == 'B' && b[1] == 'M') {
        // Height is signed: negative for top-down rows.
        width = int32_t(littleEndian(b + 18, 4));
        height = int32_t(littleEndian(b + 22, 4));
        if (height < 0) height = -height;
        return true;
    }
    return false;
}

TextureShare& TextureShare::operator=(TextureShare&& other) noexcept {
    if (this != &other) {
        release();
        bytes_ = other.bytes_;
        other.bytes_ = 0;
    }
    return *this;
}

std::string TextureShare::reserve(int64_t width, int64_t height) {
    release();
    if (width <= 0 || height <= 0) return "has no pixels";
    const int64_t edge = maxTextureEdge.load();
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width > edge || height > edge)
        return "is " + size + ", larger than the largest texture (" + std::to_string(edge) + ")";
    if (uint64_t(width) * uint64_t(height) > kMaxImagePixels) return "is " + size + ", above 8192 x 8192 pixels";
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
    if (spent.fetch_add(bytes) + bytes > kDecodedTextureBudget) {
        spent.fetch_sub(bytes);
        return "is " + size + ": the textures decoded so far leave no room for it in the 1 GiB budget";
    }
    bytes_ = bytes;
    return "";
}

void TextureShare::release() {
    spent.fetch_sub(bytes_);
    bytes_ = 0;
}

uint64_t decodedTextureBytes() { return spent.load(); }

}  // namespace content
