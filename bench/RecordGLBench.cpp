// Recording throughput at 1280x720 on the example show, in one process: the drawing alone (the
// baseline), drawing with read-back and encoding one after another, and the pipelined recorder
// (pixel buffers a frame or two behind, encoding on its own thread). x264 runs with the
// recorder's preset, "veryfast". Besides the main thread's CPU time, each reports the whole
// process's per frame and the cores it kept busy: llvmpipe rasterises and x264 encodes on threads
// of their own, so on a small machine the pipeline's gain is bounded by the cores left over.
// Run under xvfb-run, or without any X server.
#include <benchmark/benchmark.h>

#include <GL/glew.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "content/BinaryWriter.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "recording/Recorder.h"
#include "recording/VideoFileSink.h"
#include "checks/OutputCapture.h"

namespace fs = std::filesystem;

namespace {

const fs::path kFolder = fs::temp_directory_path() / "record-bench";

// The first second of the example show at 60 fps, loaded once for every benchmark.
RecordSession& session() {
    static RecordSession* made = [] {
        checks::OutputCapture quiet;  // loading names files, models and the GL driver
        Demo demo;
        content::readProjectFile(fs::path(DEMO_SOURCE_DIR) / "examples" / "show" / "project.json", demo);
        content::BinaryWriter out;
        demo.writeBinary(out);
        fs::create_directories(kFolder);
        std::ofstream(kFolder / "show.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(out.bytes().data()), std::streamsize(out.bytes().size()));
        PlayerOptions options;
        options.content = (kFolder / "show.dat").string();
        options.recordWidth = 1280, options.recordHeight = 720, options.fps = 60;
        options.startBeat = 0.0f, options.endBeat = 2.0f;
        return new RecordSession("/nonexistent/player", options);
    }();
    return *made;
}

double seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Frame rate and CPU use of every thread of the process over the benchmark's iterations.
struct Usage {
    double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID), wall = seconds(CLOCK_MONOTONIC);
    long frames = 0;

    void report(benchmark::State& state) const {
        const double cpuUsed = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu, wallUsed = seconds(CLOCK_MONOTONIC) - wall;
        state.counters["fps"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
        state.counters["process_cpu_ms_per_frame"] = cpuUsed * 1e3 / double(frames);
        state.counters["cores_busy"] = cpuUsed / wallUsed;
    }
};

void BM_RecordDrawingAlone(benchmark::State& state) {
    RecordSession& show = session();
    Usage usage;
    for (auto _ : state) {
        for (long n = 0; n < show.frameCount(); ++n) show.drawFrame(n);
        glFinish();
        usage.frames += show.frameCount();
    }
    usage.report(state);
}

void recordInto(benchmark::State& state, RecordPipeline pipeline) {
    RecordSession& show = session();
    Usage usage;
    for (auto _ : state) {
        std::vector<std::unique_ptr<RecordSink>> sinks;
        sinks.push_back(openVideoFile((kFolder / "bench.mp4").string(), show.format()));
        usage.frames += recordFrames(show, std::move(sinks), pipeline, false).frames;
    }
    usage.report(state);
}

void BM_RecordSequential(benchmark::State& state) { recordInto(state, RecordPipeline::Sequential); }
void BM_RecordPipelined(benchmark::State& state) { recordInto(state, RecordPipeline::Pipelined); }

}  // namespace

BENCHMARK(BM_RecordDrawingAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RecordSequential)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RecordPipelined)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
