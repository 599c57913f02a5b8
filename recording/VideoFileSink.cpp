#include "recording/VideoFileSink.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "recording/FfmpegSupport.h"

namespace {

struct OutputFree {
    void operator()(AVFormatContext* c) const {
        if (c->pb) ffmpeg::library().avio_closep(&c->pb);
        ffmpeg::library().avformat_free_context(c);
    }
};
// The file being written; removed unless the recording was finished, also when the sink's
// construction fails half-way (when the destructor does not run).
struct PartFile {
    std::string path;
    bool kept = false;
    ~PartFile() {
        std::error_code ignored;
        if (!kept) std::filesystem::remove(path, ignored);
    }
};

// A container that cannot hold H.264 video with AAC sound is refused before any frame is drawn.
const AVOutputFormat* containerFor(const std::string& path) {
    const ffmpeg::Library& av = ffmpeg::library();
    const AVOutputFormat* container = av.av_guess_format(nullptr, path.c_str(), nullptr);
    if (!container) throw RecordError("no video container is known for the name " + path + " (try .mp4 or .mkv)");
    if (av.avformat_query_codec(container, AV_CODEC_ID_H264, FF_COMPLIANCE_NORMAL) != 1 ||
        av.avformat_query_codec(container, AV_CODEC_ID_AAC, FF_COMPLIANCE_NORMAL) != 1)
        throw RecordError(std::string("the ") + container->name + " container of " + path +
                          " cannot hold H.264 video with AAC sound (try .mp4, .mkv or .mov)");
    return container;
}

struct ResamplerFree {
    void operator()(SwrContext* s) const { ffmpeg::library().swr_free(&s); }
};

class VideoFileSink : public RecordSink {
public:
    VideoFileSink(const std::string& path, const RecordFormat& format);
    void writeVideo(const uint8_t* rgba) override;
    void writeAudio(const int16_t* values, size_t frames) override;
    void finish() override;

private:
    AVStream* addStream(const AVCodecContext* context);
    void openVideo();
    void openAudio();
    void encodeAudioFrame(size_t frames);
    void write(AVPacket* packet, const AVCodecContext* context, AVStream* stream);

    std::string path_;
    PartFile part_;  // before the output, so that it is removed after the output is closed
    RecordFormat format_;
    std::unique_ptr<AVFormatContext, OutputFree> output_;
    ffmpeg::CodecContext video_, audio_;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    ffmpeg::Frame picture_, sound_;
    ffmpeg::Packet packet_ = ffmpeg::allocPacket();
    ffmpeg::Scaler scaler_;
    std::unique_ptr<SwrContext, ResamplerFree> resampler_;
    std::vector<int16_t> pendingAudio_;
    int64_t videoPts_ = 0, audioPts_ = 0;
};

VideoFileSink::VideoFileSink(const std::string& path, const RecordFormat& format)
    : path_(path), part_{path + ".part"}, format_(format) {
    const AVOutputFormat* container = containerFor(path);
    AVFormatContext* output = nullptr;
    ffmpeg::check(ffmpeg::library().avformat_alloc_output_context2(&output, container, nullptr, part_.path.c_str()), path);
    output_.reset(output);
    openVideo();
    openAudio();
    if (ffmpeg::library().avio_open(&output_->pb, part_.path.c_str(), AVIO_FLAG_WRITE) < 0)
        throw RecordError("cannot write " + part_.path);
    ffmpeg::check(ffmpeg::library().avformat_write_header(output_.get(), nullptr), "writing " + path);
}

AVStream* VideoFileSink::addStream(const AVCodecContext* context) {
    AVStream* stream = ffmpeg::library().avformat_new_stream(output_.get(), nullptr);
    if (!stream) throw RecordError("out of memory for a stream");
    ffmpeg::check(ffmpeg::library().avcodec_parameters_from_context(stream->codecpar, context), "stream");
    stream->time_base = context->time_base;
    return stream;
}

void VideoFileSink::openVideo() {
    if (format_.width % 2 || format_.height % 2)
        throw RecordError("H.264 in yuv420p needs an even width and height; " + std::to_string(format_.width) + "x" +
                          std::to_string(format_.height) + " is not");
    const AVCodec* codec = ffmpeg::findEncoder(AV_CODEC_ID_H264, "H.264");
    video_ = ffmpeg::videoEncoder(codec, AV_PIX_FMT_YUV420P, format_.width, format_.height, format_.fps);
    video_->framerate = {format_.fps, 1};
    video_->colorspace = AVCOL_SPC_SMPTE170M;  // what swscale's default coefficients are
    video_->color_range = AVCOL_RANGE_MPEG;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ffmpeg::library().av_opt_set(video_->priv_data, "preset", format_.x264Preset.c_str(), 0);
    ffmpeg::library().av_opt_set(video_->priv_data, "crf", "18", 0);
    ffmpeg::check(ffmpeg::library().avcodec_open2(video_.get(), codec, nullptr), std::string("opening the encoder ") + codec->name);
    videoStream_ = addStream(video_.get());
    picture_ = ffmpeg::allocVideoFrame(AV_PIX_FMT_YUV420P, format_.width, format_.height);
    scaler_ = ffmpeg::rgbaConverter(format_.width, format_.height, AV_PIX_FMT_YUV420P);
}

void VideoFileSink::openAudio() {
    const AVCodec* codec = ffmpeg::findEncoder(AV_CODEC_ID_AAC, "AAC");
    audio_.reset(ffmpeg::library().avcodec_alloc_context3(codec));
    audio_->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    audio_->sample_rate = format_.sampleRate;
    ffmpeg::library().av_channel_layout_default(&audio_->ch_layout, 2);
    audio_->bit_rate = 192000;
    audio_->time_base = {1, format_.sampleRate};
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ffmpeg::check(ffmpeg::library().avcodec_open2(audio_.get(), codec, nullptr), "opening the AAC encoder");
    audioStream_ = addStream(audio_.get());
    SwrContext* resampler = nullptr;
    ffmpeg::check(ffmpeg::library().swr_alloc_set_opts2(&resampler, &audio_->ch_layout, audio_->sample_fmt, format_.sampleRate,
                                      &audio_->ch_layout, AV_SAMPLE_FMT_S16, format_.sampleRate, 0, nullptr),
                  "sample conversion");
    resampler_.reset(resampler);
    ffmpeg::check(ffmpeg::library().swr_init(resampler), "sample conversion");
    sound_.reset(ffmpeg::library().av_frame_alloc());
    sound_->format = audio_->sample_fmt;
    sound_->nb_samples = audio_->frame_size > 0 ? audio_->frame_size : 1024;
    ffmpeg::check(ffmpeg::library().av_channel_layout_copy(&sound_->ch_layout, &audio_->ch_layout), "audio frame");
    sound_->sample_rate = format_.sampleRate;
    ffmpeg::check(ffmpeg::library().av_frame_get_buffer(sound_.get(), 0), "audio frame");
}

void VideoFileSink::write(AVPacket* packet, const AVCodecContext* context, AVStream* stream) {
    ffmpeg::library().av_packet_rescale_ts(packet, context->time_base, stream->time_base);
    packet->stream_index = stream->index;
    ffmpeg::check(ffmpeg::library().av_interleaved_write_frame(output_.get(), packet), "writing " + path_);
}

void VideoFileSink::writeVideo(const uint8_t* rgba) {
    ffmpeg::convertRgba(scaler_.get(), rgba, format_.width, format_.height, picture_.get());
    picture_->pts = videoPts_++;
    ffmpeg::encode(video_.get(), picture_.get(), packet_.get(),
                   [this](AVPacket* p) { write(p, video_.get(), videoStream_); });
}

void VideoFileSink::encodeAudioFrame(size_t frames) {
    ffmpeg::check(ffmpeg::library().av_frame_make_writable(sound_.get()), "audio frame");
    sound_->nb_samples = int(frames);
    const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(pendingAudio_.data())};
    ffmpeg::check(ffmpeg::library().swr_convert(resampler_.get(), sound_->data, int(frames), source, int(frames)), "sample conversion");
    sound_->pts = audioPts_;
    audioPts_ += int64_t(frames);
    ffmpeg::encode(audio_.get(), sound_.get(), packet_.get(),
                   [this](AVPacket* p) { write(p, audio_.get(), audioStream_); });
    pendingAudio_.erase(pendingAudio_.begin(), pendingAudio_.begin() + std::ptrdiff_t(frames * 2));
}

void VideoFileSink::writeAudio(const int16_t* values, size_t frames) {
    pendingAudio_.insert(pendingAudio_.end(), values, values + frames * 2);
    const auto frameSize = size_t(audio_->frame_size > 0 ? audio_->frame_size : 1024);
    while (pendingAudio_.size() / 2 >= frameSize) encodeAudioFrame(frameSize);
}

void VideoFileSink::finish() {
    if (!pendingAudio_.empty()) encodeAudioFrame(pendingAudio_.size() / 2);
    ffmpeg::encode(video_.get(), nullptr, packet_.get(), [this](AVPacket* p) { write(p, video_.get(), videoStream_); });
    ffmpeg::encode(audio_.get(), nullptr, packet_.get(), [this](AVPacket* p) { write(p, audio_.get(), audioStream_); });
    ffmpeg::check(ffmpeg::library().av_write_trailer(output_.get()), "finishing " + path_);
    ffmpeg::check(ffmpeg::library().avio_closep(&output_->pb), "closing " + path_);
    std::error_code failed;
    std::filesystem::rename(part_.path, path_, failed);
    if (failed) throw RecordError("cannot move " + part_.path + " to " + path_ + ": " + failed.message());
    part_.kept = true;
}

}  // namespace

std::unique_ptr<RecordSink> openVideoFile(const std::string& path, const RecordFormat& format) {
    return std::make_unique<VideoFileSink>(path, format);
}

void checkVideoFileName(const std::string& path) { containerFor(path); }
