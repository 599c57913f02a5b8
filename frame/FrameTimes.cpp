#include "frame/FrameTimes.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

// On a copy on the stack, so that the ring keeps its order and nothing reaches the heap.
double percentile(const std::array<double, FrameTimes::kCapacity>& ring, size_t count, double q) {
    std::array<double, FrameTimes::kCapacity> copy;
    std::copy_n(ring.begin(), count, copy.begin());
    return nearestRank(std::span(copy.data(), count), q);
}

}  // namespace

void FrameTimes::add(double frameSeconds, double cpuSeconds) {
    frame_[next_] = frameSeconds;
    cpu_[next_] = cpuSeconds;
    next_ = (next_ + 1) % kCapacity;
    count_ = std::min(count_ + 1, kCapacity);
}

double FrameTimes::medianFrame() const { return percentile(frame_, count_, 0.5); }
double FrameTimes::p99Frame() const { return percentile(frame_, count_, 0.99); }
double FrameTimes::medianCpu() const { return percentile(cpu_, count_, 0.5); }
double FrameTimes::p99Cpu() const { return percentile(cpu_, count_, 0.99); }

double nearestRank(std::span<double> values, double q) {
    if (values.empty()) return 0.0;
    const size_t rank = std::clamp<size_t>(size_t(std::ceil(q * double(values.size()))), 1, values.size());
    std::nth_element(values.begin(), values.begin() + long(rank - 1), values.end());
    return values[rank - 1];
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
