#include "recording/FrameFolderSink.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include <stb_image_write.h>

#include "recording/RecordSink.h"

namespace fs = std::filesystem;

namespace {

void put(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(char((value >> (8 * i)) & 0xFF));
}

// RIFF/WAVE with one PCM format chunk and one data chunk.
void writeWav(const fs::path& file, const std::vector<int16_t>& values, int rate) {
    std::ofstream out(file, std::ios::binary);
    const auto dataBytes = uint32_t(values.size() * 2);
    out.write("RIFF", 4);
    put(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    put(out, 16, 4);
    put(out, 1, 2);  // PCM
    put(out, 2, 2);
    put(out, uint32_t(rate), 4);
    put(out, uint32_t(rate) * 4, 4);
    put(out, 4, 2);
    put(out, 16, 2);
    out.write("data", 4);
    put(out, dataBytes, 4);
    for (int16_t v : values) put(out, uint16_t(v), 2);
    if (!out) throw RecordError("cannot write " + file.string());
}

// "frames/" and "frames" name the same folder; its work copy is "frames.part" beside it.
fs::path withoutTrailingSlash(const std::string& folder) {
    fs::path path(folder);
    while (!path.has_filename() && path.has_parent_path() && path != path.root_path()) path = path.parent_path();
    return path;
}

class FrameFolderSink : public RecordSink {
public:
    FrameFolderSink(const std::string& folder, const RecordFormat& format);
    ~FrameFolderSink() override;
    void writeVideo(const uint8_t* rgba) override;
    void writeAudio(const int16_t* values, size_t frames) override { audio_.insert(audio_.end(), values, values + frames * 2); }
    void finish() override;

private:
    fs::path folder_, partFolder_;
    RecordFormat format_;
    std::vector<uint8_t> rgb_;
    std::vector<int16_t> audio_;
    int64_t frameIndex_ = 0;
    bool finished_ = false;
};

FrameFolderSink::FrameFolderSink(const std::string& folder, const RecordFormat& format)
    : folder_(withoutTrailingSlash(folder)), format_(format), rgb_(size_t(format.width) * format.height * 3) {
    partFolder_ = folder_;
    partFolder_ += ".part";
    std::error_code failed;
    if (fs::exists(folder_) && !(fs::is_directory(folder_) && fs::is_empty(folder_)))
        throw RecordError(folder + " exists and is not an empty folder");
    fs::remove_all(partFolder_, failed);
    if (!fs::create_directory(partFolder_, failed) || failed)
        throw RecordError("cannot write " + partFolder_.string() + ": " + failed.message());
}

FrameFolderSink::~FrameFolderSink() {
    std::error_code ignored;
    if (!finished_) fs::remove_all(partFolder_, ignored);
}

// The picture arrives bottom row first; the PNG is written top row first, without alpha.
void FrameFolderSink::writeVideo(const uint8_t* rgba) {
    const size_t width = size_t(format_.width), height = size_t(format_.height);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* from = rgba + (height - 1 - y) * width * 4;
        uint8_t* to = rgb_.data() + y * width * 3;
        for (size_t x = 0; x < width; ++x, from += 4, to += 3) to[0] = from[0], to[1] = from[1], to[2] = from[2];
    }
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(frameIndex_++));
    const fs::path file = partFolder_ / name;
    if (!stbi_write_png(file.c_str(), format_.width, format_.height, 3, rgb_.data(), format_.width * 3))
        throw RecordError("cannot write " + file.string());
}

void FrameFolderSink::finish() {
    writeWav(partFolder_ / "audio.wav", audio_, format_.sampleRate);
    std::error_code failed;
    if (fs::exists(folder_)) fs::remove(folder_, failed);  // empty, as checked at the start
    fs::rename(partFolder_, folder_, failed);
    if (failed) throw RecordError("cannot move " + partFolder_.string() + " to " + folder_.string() + ": " + failed.message());
    finished_ = true;
}

}  // namespace

std::unique_ptr<RecordSink> openFrameFolder(const std::string& folder, const RecordFormat& format) {
    return std::make_unique<FrameFolderSink>(folder, format);
}
