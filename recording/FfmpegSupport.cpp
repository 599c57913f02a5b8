#include "recording/FfmpegSupport.h"

#include "recording/RecordSink.h"

namespace ffmpeg {

Packet allocPacket() {
    Packet packet(library().av_packet_alloc());
    if (!packet) throw RecordError("out of memory for a packet");
    return packet;
}

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    library().av_strerror(code, text, sizeof text);
    return text;
}

void check(int code, const std::string& what) {
    if (code < 0) throw RecordError(what + ": " + errorText(code));
}

const AVCodec* findEncoder(AVCodecID id, const char* name) {
    const AVCodec* codec = library().avcodec_find_encoder(id);
    if (!codec) throw RecordError(std::string("this FFmpeg has no ") + name + " encoder");
    return codec;
}

CodecContext videoEncoder(const AVCodec* codec, AVPixelFormat format, int width, int height, int fps) {
    CodecContext context(library().avcodec_alloc_context3(codec));
    if (!context) throw RecordError("out of memory for an encoder");
    context->width = width;
    context->height = height;
    context->pix_fmt = format;
    context->time_base = {1, fps};
    return context;
}

Frame allocVideoFrame(AVPixelFormat format, int width, int height) {
    Frame frame(library().av_frame_alloc());
    if (!frame) throw RecordError("out of memory for a video frame");
    frame->format = format;
    frame->width = width;
    frame->height = height;
    check(library().av_frame_get_buffer(frame.get(), 0), "video frame");
    return frame;
}

Scaler rgbaConverter(int width, int height, AVPixelFormat to) {
    Scaler scaler(library().sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, to, SWS_BILINEAR, nullptr, nullptr,
                                 nullptr));
    if (!scaler) throw RecordError("no colour conversion from RGBA for this size");
    return scaler;
}

// A negative stride from the last row reads the bottom-up picture top row first.
void convertRgba(SwsContext* scaler, const uint8_t* rgba, int width, int height, AVFrame* frame) {
    check(library().av_frame_make_writable(frame), "video frame");
    const int stride = width * 4;
    const uint8_t* source[1] = {rgba + size_t(stride) * size_t(height - 1)};
    const int strides[1] = {-stride};
    library().sws_scale(scaler, source, strides, 0, height, frame->data, frame->linesize);
}

void encode(AVCodecContext* context, const AVFrame* frame, AVPacket* packet,
            const std::function<void(AVPacket*)>& take) {
    check(library().avcodec_send_frame(context, frame), "encoding");
    for (;;) {
        const int received = library().avcodec_receive_packet(context, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
        check(received, "encoding");
        take(packet);
        library().av_packet_unref(packet);
    }
}

}  // namespace ffmpeg
