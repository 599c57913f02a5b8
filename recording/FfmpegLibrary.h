// FFmpeg's libraries, loaded when a recording into a video file starts instead of linked, so that
// a show plays where FFmpeg is not installed. The functions recording calls are one table.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#define DEMO_FFMPEG_FUNCTIONS(X)                                                                        \
    X(av_channel_layout_copy) X(av_channel_layout_default) X(av_frame_alloc) X(av_frame_free)          \
    X(av_frame_get_buffer) X(av_frame_make_writable) X(av_log_set_level) X(av_opt_set) X(av_strerror)  \
    X(swr_alloc_set_opts2) X(swr_convert) X(swr_free) X(swr_init)                                      \
    X(sws_freeContext) X(sws_getContext) X(sws_scale)                                                  \
    X(av_packet_alloc) X(av_packet_free) X(av_packet_rescale_ts) X(av_packet_unref)                    \
    X(avcodec_alloc_context3) X(avcodec_find_encoder) X(avcodec_free_context) X(avcodec_open2)         \
    X(avcodec_parameters_from_context) X(avcodec_receive_packet) X(avcodec_send_frame)                 \
    X(av_guess_format) X(av_interleaved_write_frame) X(av_write_trailer) X(avformat_alloc_output_context2) \
    X(avformat_free_context) X(avformat_new_stream) X(avformat_query_codec) X(avformat_write_header)   \
    X(avio_closep) X(avio_open)

namespace ffmpeg {

struct Library {
#define DEMO_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    DEMO_FFMPEG_FUNCTIONS(DEMO_FFMPEG_POINTER)
#undef DEMO_FFMPEG_POINTER
};

// The loaded libraries, the first call loading them; throws RecordError, one line naming the
// libraries that are missing and the packages that bring them.
const Library& library();

}  // namespace ffmpeg
