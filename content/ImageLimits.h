// Limits on decoded images: an image's size read from its file header before it is decoded, a
// pixel budget per image and one for all decoded textures together (software GL drivers keep
// textures in main memory, so this is memory the process holds for the whole show).
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace content {

// One image: at most 8192 x 8192 pixels, and no edge above the GL's largest texture.
constexpr uint64_t kMaxImagePixels = uint64_t(8192) * 8192;
// All decoded textures together: 1 GiB of RGBA pixels (four images at the per-image budget).
constexpr uint64_t kDecodedTextureBudget = uint64_t(1) << 30;

// GL_MAX_TEXTURE_SIZE once a GL side has set it; before that the per-image edge of 16384.
extern std::atomic<int32_t> maxTextureEdge;

// Width and height from a PNG, JPEG, GIF or BMP header; false for other or truncated data.
bool imageHeaderSize(const uint8_t* bytes, size_t size, int64_t& width, int64_t& height);

// Bytes of RGBA pixels held against the total budget, given back when the share goes.
class TextureShare {
public:
    TextureShare() = default;
    TextureShare(TextureShare&& other) noexcept : bytes_(other.bytes_) { other.bytes_ = 0; }
    TextureShare& operator=(TextureShare&& other) noexcept;
    TextureShare(const TextureShare&) = delete;
    TextureShare& operator=(const TextureShare&) = delete;
    ~TextureShare() { release(); }

    // Takes width x height RGBA pixels from the budget; the reason when the image may not be
    // decoded (too large on its own, or the budget spent), empty on success.
    std::string reserve(int64_t width, int64_t height);
    void release();
    uint64_t bytes() const { return bytes_; }

private:
    uint64_t bytes_ = 0;
};

// Bytes the budget has given out, for tests.
uint64_t decodedTextureBytes();

}  // namespace content
