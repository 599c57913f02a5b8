// Cost of analysing one mixed block against the time the block plays, and the heap allocations
// it makes (there must be none: it runs inside the audio callback).
#include <cmath>
#include <ctime>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/SoundCapture.h"
#include "bench/AllocationCounter.h"

namespace {

constexpr int kFrames = 1024;
constexpr double kBlockSeconds = kFrames / 44100.0;  // about 23 ms

// CPU time of this thread: the machine may be shared, and waiting is not cost.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

void BM_CaptureBlock(benchmark::State& state) {
    std::vector<int16_t> block(kFrames * 2);
    for (int i = 0; i < kFrames; ++i) {
        block[2 * i] = static_cast<int16_t>(20000 * std::sin(i * 0.3));
        block[2 * i + 1] = static_cast<int16_t>(-block[2 * i] / 2);
    }
    audio::SoundCapture capture;
    long before = bench::allocationCount();
    double start = threadSeconds();
    for (auto _ : state) {
        capture.analyse(block.data(), block.size());
        benchmark::DoNotOptimize(capture.latest().level);
    }
    double perBlock = (threadSeconds() - start) / static_cast<double>(state.iterations());
    long made = bench::allocationCount() - before;
    state.counters["allocs_per_block"] =
        benchmark::Counter(static_cast<double>(made), benchmark::Counter::kAvgIterations);
    // Seconds per block over the block's playing time: the share of the audio budget used.
    state.counters["budget_ratio"] = perBlock / kBlockSeconds;
}
BENCHMARK(BM_CaptureBlock);

}  // namespace
