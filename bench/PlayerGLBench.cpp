// The player on the example show, under a display: start-up to the first frame with the loading
// screen's 20 ms pacing subtracted, and heap allocations per frame once the show plays.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "bench/AllocationCounter.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "player/Player.h"
#include "frame/Runtime.h"

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

Player& startedPlayer(double* startupMs = nullptr) {
    static double measured = 0;
    static Player* player = [] {
        prepareContentFile();
        auto* p = new Player();
        auto t0 = std::chrono::steady_clock::now();
        // No show is appended to this path, so the player reads content.dat.
        if (p->start("/nonexistent/player") != 0) std::abort();
        p->loop.frame();
        measured = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
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
}

void BM_FrameTimelineTitle(benchmark::State& state) { frameAt(state, 20.0f); }
void BM_FrameTimelineEcho(benchmark::State& state) { frameAt(state, 36.0f); }
BENCHMARK(BM_FrameTimelineTitle)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FrameTimelineEcho)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
