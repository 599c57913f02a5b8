// The offline mix of a recording: seconds of show mixed per second of wall time, for a minute of
// music at 44100 Hz with a short sample fired every half second (so the music ducks half the time).
#include <benchmark/benchmark.h>

#include <cmath>

#include "audio/OfflineMix.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;

void BM_OfflineMixMinute(benchmark::State& state) {
    std::vector<int16_t> music(size_t(kRate) * kSeconds * 2);
    for (size_t i = 0; i < music.size(); ++i) music[i] = int16_t(8000 * std::sin(double(i) * 0.01));
    const std::vector<int16_t> click(size_t(kRate / 4) * 2, 1000);
    const audio::OfflineSound sound{click.data(), click.size() / 2, 0.25};
    for (auto _ : state) {
        audio::OfflineMix mix(std::make_unique<audio::DecodedMusic>(music, 0, false), kRate);
        for (int half = 0; half < kSeconds * 2; ++half) {
            mix.blockBefore(size_t(half) * kRate / 2);
            mix.fire(&sound, sound, half * 0.5);
        }
        mix.mixThrough(size_t(kRate) * kSeconds);
        benchmark::DoNotOptimize(mix.values().data());
    }
    state.counters["show_seconds_per_second"] =
        benchmark::Counter(double(kSeconds) * double(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_OfflineMixMinute)->Unit(benchmark::kMillisecond)->UseRealTime();
