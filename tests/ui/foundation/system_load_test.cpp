#include "ui/foundation/system_load.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tolzeb::ui {
namespace {

SystemReading times(uint64_t idle, uint64_t kernel, uint64_t user) {
  SystemReading reading;
  reading.hasTimes = true;
  reading.idleTime = idle;
  reading.kernelTime = kernel;
  reading.userTime = user;
  return reading;
}

TEST(SystemLoad, TheFirstSampleHasNoProcessorFigureTheSecondTheIntervalsLoad) {
  SystemLoad load;
  SystemLoad::Sample first = load.sampleFrom(times(1000, 2000, 500));
  EXPECT_EQ(first.cpuPercent, 0);
  EXPECT_FALSE(first.valid);
  // 400 ticks passed (kernel 300 of which 100 idle, user 100): 300 busy.
  SystemLoad::Sample second = load.sampleFrom(times(1100, 2300, 600));
  EXPECT_TRUE(second.valid);
  EXPECT_DOUBLE_EQ(second.cpuPercent, 75);
}

TEST(SystemLoad, OddCountersAreClampedOrGiveNoProcessorFigure) {
  const struct {
    SystemReading next;
    double cpuPercent;
    bool valid;
  } cases[] = {
      {times(1000, 2000, 500), 0, false},              // nothing moved
      {times(5000, 2100, 500), 0, true},               // more idle than elapsed: 0, not negative
      {times(1000, 2100, 500), 100, true},             // no idle at all
      {times(900, 2100, 500), 0, false},               // idle went backwards
      {times(1000, 1000, 100), 0, false},              // a counter reset
      {times(1000, UINT64_MAX - 100, 500), 0, false},  // a sum that wraps reads as going backwards
  };
  for (const auto& test : cases) {
    SystemLoad load;
    load.sampleFrom(times(1000, 2000, 500));
    SystemLoad::Sample sample = load.sampleFrom(test.next);
    EXPECT_EQ(sample.cpuPercent, test.cpuPercent) << test.next.kernelTime;
    EXPECT_EQ(sample.valid, test.valid) << test.next.kernelTime;
    // The odd reading still becomes the base of the next interval.
    SystemLoad::Sample after =
        load.sampleFrom(times(test.next.idleTime + 50, test.next.kernelTime + 50, test.next.userTime + 50));
    EXPECT_DOUBLE_EQ(after.cpuPercent, 50);
  }
}

TEST(SystemLoad, MemoryFiguresStandOnTheirOwn) {
  SystemLoad load;
  SystemReading reading;
  reading.hasWorkingSet = true;
  reading.workingSetBytes = 12345;
  SystemLoad::Sample sample = load.sampleFrom(reading);
  EXPECT_EQ(sample.workingSetBytes, 12345u);
  EXPECT_FALSE(sample.valid);  // the working set alone is no figure

  reading.hasMemoryLoad = true;
  reading.memoryLoadPercent = 140;
  sample = load.sampleFrom(reading);
  EXPECT_TRUE(sample.valid);
  EXPECT_EQ(sample.memoryLoadPercent, 100u);
}

TEST(SystemLoad, RealSamplesLieInRange) {
  SystemLoad load;
  SystemLoad::Sample first = load.sample();
  EXPECT_EQ(first.cpuPercent, 0);
  EXPECT_TRUE(first.valid);
  EXPECT_LE(first.memoryLoadPercent, 100u);
  EXPECT_GT(first.workingSetBytes, 0u);
  // Spin until the processor counters have moved, up to a generous deadline.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  SystemReading before = readSystem();
  ASSERT_TRUE(before.hasTimes);
  volatile uint64_t work = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    for (int i = 0; i < 100000; ++i) work = work + uint64_t(i);
    SystemReading now = readSystem();
    if (now.kernelTime + now.userTime > before.kernelTime + before.userTime) break;
  }
  SystemLoad::Sample second = load.sample();
  EXPECT_TRUE(second.valid);
  EXPECT_GE(second.cpuPercent, 0);
  EXPECT_LE(second.cpuPercent, 100);
  EXPECT_LE(second.memoryLoadPercent, 100u);
}

}  // namespace
}  // namespace tolzeb::ui
