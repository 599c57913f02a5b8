// The guards in front of the glTF parser: JSON nesting measured before parsing (and a model at
// the bound parsing on a small thread stack), images whose bytes lie past their buffer or whose
// header is too large refused before decoding, and the budget of all decoded textures.
#include <pthread.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include "content/ImageLimits.h"
#include "scene/GltfGuards.h"
#include "scene/Model.h"
#include "TestSupport.h"

namespace {

void appendChunk(std::vector<uint8_t>& out, const std::string& bytes, const char* type, char pad) {
    std::string chunk = bytes;
    chunk.resize((chunk.size() + 3) / 4 * 4, pad);
    const uint32_t length = uint32_t(chunk.size());
    out.insert(out.end(), reinterpret_cast<const uint8_t*>(&length), reinterpret_cast<const uint8_t*>(&length) + 4);
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), chunk.begin(), chunk.end());
}

std::vector<uint8_t> glb(const std::string& json, const std::string& bin = "") {
    std::vector<uint8_t> out = {'g', 'l', 'T', 'F', 2, 0, 0, 0, 0, 0, 0, 0};
    appendChunk(out, json, "JSON", ' ');
    if (!bin.empty()) appendChunk(out, bin, "BIN\0", '\0');
    const uint32_t total = uint32_t(out.size());
    std::memcpy(out.data() + 8, &total, 4);
    return out;
}

std::unique_ptr<Model> parsed(const std::vector<uint8_t>& bytes, std::string* said, bool* ok = nullptr) {
    auto model = std::make_unique<Model>();
    model->name = "m.glb";
    model->buffer = ByteBuffer(bytes);
    testing::internal::CaptureStdout();
    const bool parsedOk = model->parse();
    *said = testing::internal::GetCapturedStdout();
    if (ok) *ok = parsedOk;
    return model;
}

// The asset object's extras hold arrays nested so that the whole text is depth levels deep.
std::string nestedAsset(size_t depth) {
    return R"({"asset":{"version":"2.0","extras":)" + std::string(depth - 2, '[') + std::string(depth - 2, ']') + "}}";
}

// A 24-byte PNG header claiming the given size: nothing after it would decode.
std::string pngHeader(uint32_t width, uint32_t height) {
    std::string h("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (uint32_t v : {width, height})
        for (int shift : {24, 16, 8, 0}) h += char((v >> shift) & 0xFF);
    return h;
}

std::string oneImage(size_t offset, size_t length, size_t bufferLength) {
    return R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":)" + std::to_string(bufferLength) +
           R"(}],"bufferViews":[{"buffer":0,"byteOffset":)" + std::to_string(offset) + R"(,"byteLength":)" +
           std::to_string(length) + R"(}],"images":[{"name":"logo","bufferView":0,"mimeType":"image/png"}]})";
}

void* parseAtTheBound(void* result) {
    std::string said;
    bool ok = false;
    parsed(glb(nestedAsset(gltf_guards::kMaxJsonNesting)), &said, &ok);
    *static_cast<bool*>(result) = ok;
    return nullptr;
}

}  // namespace

TEST(ModelGuards, NestingIsMeasuredOutsideStringsAndRefusedPastTheBound) {
    const std::string text = R"({"a":"[[[{{\"[","b":[[1]]})";
    EXPECT_EQ(gltf_guards::jsonNesting(reinterpret_cast<const uint8_t*>(text.data()), text.size()), 3u);

    std::string said;
    bool ok = true;
    parsed(glb(nestedAsset(100000)), &said, &ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(said.find("Model m.glb: its JSON is nested deeper than 64 levels; not loaded"), std::string::npos) << said;

    // At the bound the parser recurses on a 256 KiB thread stack without overflowing it.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    bool atBound = false;
    ASSERT_EQ(pthread_create(&thread, &attributes, parseAtTheBound, &atBound), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_TRUE(atBound);
}

TEST(ModelGuards, ImagesPastTheirBufferOrTooLargeAreRefusedBeforeDecoding) {
    const uint64_t before = content::decodedTextureBytes();
    std::string said;
    bool ok = false;
    auto past = parsed(glb(oneImage(4, 1 << 20, 32), std::string(32, 'x')), &said, &ok);
    EXPECT_TRUE(ok) << "the model loads without the image";
    EXPECT_NE(said.find("Model m.glb: image 0 \"logo\" lies past the end of its buffer; not loaded"), std::string::npos)
        << said;
    ASSERT_EQ(past->gltf->images.size(), 1u);
    EXPECT_TRUE(past->gltf->images[0].image.empty());

    const std::string header = pngHeader(16384, 16384);
    auto huge = parsed(glb(oneImage(0, header.size(), header.size()), header), &said);
    EXPECT_NE(said.find("image 0 \"logo\" is 16384 x 16384, above 8192 x 8192 pixels; not loaded"), std::string::npos)
        << said;
    EXPECT_EQ(content::decodedTextureBytes(), before);

    const auto example = std::filesystem::path(DEMO_SOURCE_DIR) / "examples/show/resources/cube_textured.glb";
    auto textured = parsed(testing_support::readFile(example), &said);
    ASSERT_EQ(textured->gltf->images.size(), 1u);
    const tinygltf::Image& image = textured->gltf->images[0];
    EXPECT_EQ(textured->image_budget[0].bytes(), uint64_t(image.width) * uint64_t(image.height) * 4);
    EXPECT_EQ(content::decodedTextureBytes(), before + textured->image_budget[0].bytes());
    textured.reset();
    EXPECT_EQ(content::decodedTextureBytes(), before) << "the model's images give their share back";
}

TEST(ModelGuards, DecodedTexturesShareOneBudget) {
    const uint64_t before = content::decodedTextureBytes();
    constexpr uint64_t kLargest = uint64_t(8192) * 8192 * 4;
    std::vector<content::TextureShare> shares;
    std::string refused;
    while (refused.empty() && shares.size() < 8) {
        shares.emplace_back();
        refused = shares.back().reserve(8192, 8192);
    }
    EXPECT_NE(refused.find("1 GiB budget"), std::string::npos) << refused;
    const uint64_t held = kLargest * (shares.size() - 1);
    EXPECT_LE(before + held, content::kDecodedTextureBudget);
    EXPECT_GT(before + held + kLargest, content::kDecodedTextureBudget);
    shares.front().release();
    EXPECT_EQ(shares.back().reserve(8192, 8192), "") << "a released share makes room again";
    shares.clear();
    EXPECT_EQ(content::decodedTextureBytes(), before);
}
