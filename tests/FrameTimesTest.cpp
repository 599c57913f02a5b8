// Frame-time statistics over the ring of recent frames.
#include <gtest/gtest.h>

#include "frame/FrameTimes.h"

TEST(FrameTimesTest, MedianAndP99ByNearestRankOverTheFramesHeld) {
    FrameTimes times;
    EXPECT_EQ(times.medianFrame(), 0.0);
    EXPECT_EQ(times.p99Cpu(), 0.0);
    for (int i = 100; i >= 1; --i) times.add(i, 2.0 * i);  // out of order on purpose
    EXPECT_EQ(times.size(), 100u);
    EXPECT_EQ(times.medianFrame(), 50.0);
    EXPECT_EQ(times.p99Frame(), 99.0);
    EXPECT_EQ(times.medianCpu(), 100.0);
    EXPECT_EQ(times.p99Cpu(), 198.0);
}

TEST(FrameTimesTest, OnlyTheLatestFramesCount) {
    FrameTimes times;
    for (size_t i = 0; i < FrameTimes::kCapacity; ++i) times.add(1000.0, 1000.0);
    for (size_t i = 1; i <= FrameTimes::kCapacity; ++i) times.add(double(i), 0.5);
    EXPECT_EQ(times.size(), FrameTimes::kCapacity);
    EXPECT_EQ(times.medianFrame(), 120.0);
    EXPECT_EQ(times.p99Frame(), 238.0);  // rank ceil(0.99 * 240) = 238
    EXPECT_EQ(times.p99Cpu(), 0.5);
}
