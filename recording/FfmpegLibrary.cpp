#include "recording/FfmpegLibrary.h"

#include <dlfcn.h>

#include <string>
#include <vector>

#include "recording/RecordSink.h"

namespace ffmpeg {

namespace {

#define DEMO_SONAME(lib, major) "lib" lib ".so." AV_STRINGIFY(major)
#define DEMO_PACKAGE(lib, major) "lib" lib AV_STRINGIFY(major)

// In load order, each after what it needs. The version numbers are those of the headers built
// against: another major version has another binary interface.
const char* const kNames[] = {DEMO_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR),
                              DEMO_SONAME("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
                              DEMO_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR),
                              DEMO_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR),
                              DEMO_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR), nullptr};
const char* const kPackages = DEMO_PACKAGE("avutil", LIBAVUTIL_VERSION_MAJOR) " " DEMO_PACKAGE(
    "swresample", LIBSWRESAMPLE_VERSION_MAJOR) " " DEMO_PACKAGE("swscale", LIBSWSCALE_VERSION_MAJOR) " "
    DEMO_PACKAGE("avcodec", LIBAVCODEC_VERSION_MAJOR) " " DEMO_PACKAGE("avformat", LIBAVFORMAT_VERSION_MAJOR);

struct Loaded {
    Library functions;
    std::string error;
};

// Looks a function up in every library loaded; the first that has it wins.
void* find(const std::vector<void*>& handles, const char* name) {
    for (void* handle : handles)
        if (void* found = dlsym(handle, name)) return found;
    return nullptr;
}

Loaded load() {
    Loaded loaded;
    std::vector<void*> handles;
    std::string missing;
    for (const char* const* name = kNames; *name; ++name) {
        if (void* handle = dlopen(*name, RTLD_NOW | RTLD_LOCAL))
            handles.push_back(handle);
        else
            missing += std::string(missing.empty() ? "" : ", ") + *name;
    }
    if (!missing.empty()) {
        loaded.error = "recording a video needs FFmpeg's " + missing + " (on Debian 12: apt-get install " +
                       kPackages + "); --frames records without them";
        return loaded;
    }
#define DEMO_FFMPEG_RESOLVE(name)                                                                    \
    loaded.functions.name = reinterpret_cast<decltype(&::name)>(find(handles, #name));              \
    if (!loaded.functions.name && loaded.error.empty())                                              \
        loaded.error = std::string("FFmpeg's libraries lack ") + #name + " (install " + kPackages + ")";
    DEMO_FFMPEG_FUNCTIONS(DEMO_FFMPEG_RESOLVE)
#undef DEMO_FFMPEG_RESOLVE
    // The encoders' statistics would bury the progress line.
    if (loaded.error.empty()) loaded.functions.av_log_set_level(AV_LOG_ERROR);
    return loaded;
}

}  // namespace

const Library& library() {
    static const Loaded loaded = load();
    if (!loaded.error.empty()) throw RecordError(loaded.error);
    return loaded.functions;
}

}  // namespace ffmpeg
