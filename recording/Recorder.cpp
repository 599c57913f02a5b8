#include "recording/Recorder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>

#include "frame/QuitSignals.h"
#include "recording/EncoderThread.h"
#include "recording/FrameFolderSink.h"
#include "recording/PixelReadBack.h"
#include "recording/VideoFileSink.h"

namespace {

using Clock = std::chrono::steady_clock;

// Ctrl-C or a termination request ends the recording between frames, so that the sinks can
// remove their unfinished output instead of leaving it behind.
std::atomic<bool> interrupted{false};
void interrupt(int) { interrupted = true; }

// "frame 120/300  45.2 fps  0:04 left", rewritten in place at most four times a second.
class ProgressLine {
public:
    ProgressLine(long total, bool shown) : total_(total), shown_(shown) {}
    // A line cut short by an error is ended, so that the error gets a line of its own.
    ~ProgressLine() {
        if (printed_ != Clock::time_point{} && !ended_) std::fputc('\n', stderr);
    }
    void update(long done) {
        const auto now = Clock::now();
        if (!shown_ || (now - printed_ < std::chrono::milliseconds(250) && done < total_)) return;
        printed_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const double fps = seconds > 0 ? done / seconds : 0.0;
        const long left = fps > 0 ? long((total_ - done) / fps + 0.5) : 0;
        std::fprintf(stderr, "\rframe %ld/%ld  %.1f fps  %ld:%02ld left ", done, total_, fps, left / 60, left % 60);
        if (done == total_) std::fputc('\n', stderr), ended_ = true;
        std::fflush(stderr);
    }

private:
    long total_;
    bool shown_;
    Clock::time_point start_ = Clock::now(), printed_{};
    bool ended_ = false;
};

// Sound that has become final since the last call, up to what the recording covers.
struct SoundFeed {
    size_t sent = 0, total = 0;
    std::pair<const int16_t*, size_t> next(audio::OfflineMix& mix, size_t upTo) {
        const size_t end = std::min(std::min(upTo, mix.mixedFrames()), total);
        const size_t from = sent;
        sent = std::max(sent, end);
        return {mix.values().data() + from * 2, sent - from};
    }
};

}  // namespace

RecordReport recordFrames(RecordSession& session, std::vector<std::unique_ptr<RecordSink>> sinks,
                          RecordPipeline pipeline, bool progress) {
    const RecordFormat& format = session.format();
    const bool pipelined = pipeline == RecordPipeline::Pipelined;
    EncoderThread encoder(std::move(sinks), size_t(format.width) * format.height * 4, pipelined);
    PixelReadBack readBack(format.width, format.height, pipelined ? 2 : 0);
    SoundFeed sound{0, session.soundFrames()};
    ProgressLine line(session.frameCount(), progress);
    const auto start = Clock::now();
    long written = 0;
    auto handOver = [&](size_t soundUpTo) {
        const uint8_t* pixels = readBack.take();
        const auto [values, frames] = sound.next(session.mix(), soundUpTo);
        encoder.push(pixels, values, frames);
        readBack.release();
        line.update(++written);
    };
    for (long n = 0; n < session.frameCount(); ++n) {
        if (interrupted) throw RecordError("interrupted; nothing was written");
        session.drawFrame(n);
        readBack.capture();
        while (readBack.inFlight() > readBack.delay()) handOver(session.mix().mixedFrames());
    }
    session.mix().mixThrough(sound.total);
    while (readBack.inFlight() > 0) handOver(sound.total);
    const auto [values, frames] = sound.next(session.mix(), sound.total);
    encoder.push(nullptr, values, frames);
    encoder.finish();
    return {written, std::chrono::duration<double>(Clock::now() - start).count()};
}

std::vector<std::unique_ptr<RecordSink>> openSinks(const PlayerOptions& options, const RecordFormat& format) {
    std::vector<std::unique_ptr<RecordSink>> sinks;
    if (!options.recordPath.empty()) sinks.push_back(openVideoFile(options.recordPath, format));
    if (!options.framesDir.empty()) sinks.push_back(openFrameFolder(options.framesDir, format));
    return sinks;
}

int runRecorder(const std::string& executablePath, const PlayerOptions& options) {
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, interrupt);
    installQuitSignals();  // a second signal ends the process even inside a long frame
    try {
        if (!options.recordPath.empty()) checkVideoFileName(options.recordPath);
        RecordSession session(executablePath, options);
        const RecordReport report =
            recordFrames(session, openSinks(options, session.format()), RecordPipeline::Pipelined, true);
        std::fprintf(stderr, "recorded %ld frames in %.1f s\n", report.frames, report.seconds);
        return 0;
    } catch (const RecordError& error) {
        std::fprintf(stderr, "demoplayer: %s\n", error.what());
        return 1;
    }
}
