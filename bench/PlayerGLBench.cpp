// The player on the example show, under a display: start-up to the first frame with the loading
// screen's 20 ms pacing subtracted, heap allocations per frame once the show plays, and the
// whole show played live with the median and 99th percentile of its frame times.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "audio/Audio.h"
#include "bench/AllocationCounter.h"
#include "frame/FrameTimes.h"
#include "frame/Runtime.h"
#include "player/Player.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "checks/OutputCapture.h"

namespace {

// Packs the example show into content.dat in a scratch folder and makes that the working folder.
void prepareContentFile() {
    Demo demo;
    content::readProjectFile(std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show" / "project.json", demo);
    content::BinaryWriter out;
    demo.writeBinary(out);
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "player-bench";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "content.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(out.bytes().data()), std::streamsize(out.bytes().size()));
    std::filesystem::current_path(folder);
}

constexpr int kWidth = 1280, kHeight = 720;

// Started once for every benchmark here and shut down at exit, as the player shuts down: the
// audio thread must stop before exit destroys the sound analysis it runs.
Player& startedPlayer(double* startupMs = nullptr) {
    static double measured = 0;
    static Player* player = [] {
        auto* p = new Player();
        PlayerOptions options;
        options.windowWidth = kWidth, options.windowHeight = kHeight;
        int status = 0;
        std::string said;
        {
            checks::OutputCapture quiet;  // loading names files, models and the GL driver
            prepareContentFile();
            auto t0 = std::chrono::steady_clock::now();
            // No show is appended to this path, so the player reads content.dat.
            status = p->start("/nonexistent/player", options);
            if (status == 0) p->loop.frame();
            measured = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            if (status != 0) said = quiet.text();
        }
        if (status != 0) {
            std::fputs(said.c_str(), stderr);
            std::abort();
        }
        std::atexit([] { player->shutdown(); });
        return p;
    }();
    if (startupMs) *startupMs = measured;
    return *player;
}

void BM_StartupToFirstFrame(benchmark::State& state) {
    double ms = 0;
    for (auto _ : state) startedPlayer(&ms);
    Player& player = startedPlayer();
    double pacing = 20.0 * double(player.demo->total + 1);
    state.counters["records"] = double(player.demo->total);
    state.counters["startup_ms"] = ms;
    state.counters["pacing_ms"] = pacing;
    state.counters["startup_without_pacing_ms"] = ms - pacing;
}
BENCHMARK(BM_StartupToFirstFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

// The beat is frozen so that every frame does the same work: the steady state of the show.
uint64_t frozenCounter() { return 0; }

void frameAt(benchmark::State& state, float beat) {
    Player& player = startedPlayer();
    const auto keptCounter = player.loop.readCounter;
    const BeatClock keptClock = player.loop.clock;
    const float keptOffset = player.demo->beatOffset;
    player.loop.readCounter = frozenCounter;
    player.loop.clock.start = 0;
    player.loop.clock.frequency = 1000.0;
    player.demo->beatOffset = -beat;  // elapsed 0 ms, so the beat is minus the offset
    for (int i = 0; i < 5; ++i) player.loop.frame();
    long before = bench::allocationCount();
    long frames = 0;
    for (auto _ : state) {
        player.loop.frame();
        ++frames;
    }
    state.counters["allocs_per_frame"] = double(bench::allocationCount() - before) / double(frames);
    player.loop.readCounter = keptCounter;
    player.loop.clock = keptClock;
    player.demo->beatOffset = keptOffset;
}

void BM_FrameTimelineTitle(benchmark::State& state) { frameAt(state, 20.0f); }
void BM_FrameTimelineEcho(benchmark::State& state) { frameAt(state, 36.0f); }
BENCHMARK(BM_FrameTimelineTitle)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FrameTimelineEcho)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Frames a show may take before the benchmark gives up on its end: an hour at 60 Hz.
constexpr size_t kMaxShowFrames = 60 * 60 * 60;

// The whole show from its start to its end beat, live: the music playing, the clock running, one
// frame loop with its execution context kept from frame to frame. Each frame's wall time and the
// main thread's processor time in it, over every frame of the show.
void BM_ExampleShowLive(benchmark::State& state) {
    Player& player = startedPlayer();
    std::vector<double> frames, cpu;
    frames.reserve(kMaxShowFrames);
    cpu.reserve(kMaxShowFrames);
    for (auto _ : state) {
        frames.clear();
        cpu.clear();
        quitRequested = false;
        audio::replayMusic(player.loop.startSeconds());
        player.loop.startClock();
        while (!quitRequested && frames.size() < kMaxShowFrames) {
            const auto wall = std::chrono::steady_clock::now();
            const double thread = threadCpuSeconds();
            player.loop.frame();
            frames.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
            cpu.push_back(threadCpuSeconds() - thread);
        }
    }
    quitRequested = false;
    state.counters["frames"] = double(frames.size());
    state.counters["frame_median_ms"] = nearestRank(frames, 0.5) * 1e3;
    state.counters["frame_p99_ms"] = nearestRank(frames, 0.99) * 1e3;
    state.counters["cpu_median_ms"] = nearestRank(cpu, 0.5) * 1e3;
    state.counters["cpu_p99_ms"] = nearestRank(cpu, 0.99) * 1e3;
}
BENCHMARK(BM_ExampleShowLive)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
