// The last few seconds of frame times and the main thread's processor time per frame, with their
// median and 99th percentile: what a frame-time display and the frame benchmarks report.
#pragma once
#include <array>
#include <cstddef>
#include <span>

class FrameTimes {
public:
    static constexpr size_t kCapacity = 240;  // four seconds at 60 Hz

    // Records one frame; once full, the oldest frame gives way. Never allocates.
    void add(double frameSeconds, double cpuSeconds);

    // Over the frames held, by nearest rank; 0 while none is held.
    double medianFrame() const;
    double p99Frame() const;
    double medianCpu() const;
    double p99Cpu() const;

    size_t size() const { return count_; }

private:
    std::array<double, kCapacity> frame_{}, cpu_{};
    size_t next_ = 0, count_ = 0;
};

// The smallest of the values at or above the share q of them (nearest rank), reordering them in
// place; 0 for none. For statistics over more frames than the ring holds.
double nearestRank(std::span<double> values, double q);

// The processor time the calling thread has used so far, in seconds.
double threadCpuSeconds();
