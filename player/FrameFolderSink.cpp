#include "player/FrameFolderSink.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "player/FfmpegSupport.h"

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

class FrameFolderSink : public RecordSink {
public:
    FrameFolderSink(const std::string& folder, const RecordFormat& format);
    ~FrameFolderSink() override;
    void writeVideo(const uint8_t* rgba) override;
    void writeAudio(const int16_t* values, size_t frames) override { audio_.insert(audio_.end(), values, values + frames * 2); }
    void finish() override;

private:
    void save(AVPacket* packet);

    fs::path folder_, partFolder_;
    RecordFormat format_;
    ffmpeg::CodecContext png_;
    ffmpeg::Frame picture_;
    ffmpeg::Packet packet_{av_packet_alloc()};
    ffmpeg::Scaler scaler_;
    std::vector<int16_t> audio_;
    int64_t frameIndex_ = 0;
    bool finished_ = false;
};

FrameFolderSink::FrameFolderSink(const std::string& folder, const RecordFormat& format)
    : folder_(folder), partFolder_(folder + ".part"), format_(format) {
    std::error_code failed;
    if (fs::exists(folder_) && !(fs::is_directory(folder_) && fs::is_empty(folder_)))
        throw RecordError(folder + " exists and is not an empty folder");
    fs::remove_all(partFolder_, failed);
    if (!fs::create_directory(partFolder_, failed) || failed)
        throw RecordError("cannot write " + partFolder_.string() + ": " + failed.message());
    const AVCodec* codec = ffmpeg::findEncoder(AV_CODEC_ID_PNG, "PNG");
    png_ = ffmpeg::videoEncoder(codec, AV_PIX_FMT_RGB24, format.width, format.height, format.fps);
    ffmpeg::check(avcodec_open2(png_.get(), codec, nullptr), "opening the PNG encoder");
    picture_ = ffmpeg::allocVideoFrame(AV_PIX_FMT_RGB24, format.width, format.height);
    scaler_ = ffmpeg::rgbaConverter(format.width, format.height, AV_PIX_FMT_RGB24);
}

FrameFolderSink::~FrameFolderSink() {
    std::error_code ignored;
    if (!finished_) fs::remove_all(partFolder_, ignored);
}

void FrameFolderSink::save(AVPacket* packet) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(frameIndex_++));
    std::ofstream out(partFolder_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(packet->data), packet->size);
    if (!out) throw RecordError("cannot write " + (partFolder_ / name).string());
}

void FrameFolderSink::writeVideo(const uint8_t* rgba) {
    ffmpeg::convertRgba(scaler_.get(), rgba, format_.width, format_.height, picture_.get());
    picture_->pts = frameIndex_;
    ffmpeg::encode(png_.get(), picture_.get(), packet_.get(), [this](AVPacket* p) { save(p); });
}

void FrameFolderSink::finish() {
    ffmpeg::encode(png_.get(), nullptr, packet_.get(), [this](AVPacket* p) { save(p); });
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
