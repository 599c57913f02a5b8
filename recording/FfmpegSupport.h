// Small pieces of FFmpeg use for the video file sink: owning handles, errors, encoders, pictures.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "recording/FfmpegLibrary.h"

namespace ffmpeg {

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { library().avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { library().av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { library().av_packet_free(&p); }
};
struct SwsFree {
    void operator()(SwsContext* s) const { library().sws_freeContext(s); }
};
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using Scaler = std::unique_ptr<SwsContext, SwsFree>;

Packet allocPacket();

std::string errorText(int code);
// Throws RecordError "what: FFmpeg's reason" when `code` is negative.
void check(int code, const std::string& what);

// An encoder by id, or a RecordError naming the codec FFmpeg lacks.
const AVCodec* findEncoder(AVCodecID id, const char* name);
// A video encoder's context for pictures of a format and size at a frame rate, not yet opened.
CodecContext videoEncoder(const AVCodec* codec, AVPixelFormat format, int width, int height, int fps);
// A video frame buffer of a format and size, owned.
Frame allocVideoFrame(AVPixelFormat format, int width, int height);
// A converter from bottom-up RGBA of a size to a picture format of the same size.
Scaler rgbaConverter(int width, int height, AVPixelFormat to);
// Converts bottom-up RGBA into `frame` (top row first).
void convertRgba(SwsContext* scaler, const uint8_t* rgba, int width, int height, AVFrame* frame);

// Sends a frame (null: flush) and hands each packet the encoder has ready to `take`.
void encode(AVCodecContext* context, const AVFrame* frame, AVPacket* packet, const std::function<void(AVPacket*)>& take);

}  // namespace ffmpeg
