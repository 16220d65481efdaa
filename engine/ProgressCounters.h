// The progress the worker reports and the dialog's timer shows, shared
// without a lock: the worker writes the counters, the timer the rate fields
// (and both ProgressShown). Platform-free.
#pragma once

#include <atomic>
#include <cstdint>

struct ProgressCounters {
    std::atomic<bool> Connecting{true};
    std::atomic<bool> HoldRequested{false};
    std::atomic<bool> ProgressShown{false};  // cleared when there is something new to show

    std::atomic<int64_t> TotalBytes{0};  // 0: nothing to show
    std::atomic<int64_t> ReceivedBytes{0};
    std::atomic<uint32_t> RateTick{0};  // milliseconds of the system tick count
    std::atomic<uint32_t> LogTick{0};
    std::atomic<int64_t> RateBytes{0};
    std::atomic<double> SmoothedRate{0.0};  // bytes per second; below 0.01: not measured yet

    // A read loop begins: `start` bytes of `total` are already in the local file.
    void ResetProgress(int64_t total, int64_t start, uint32_t now) {
        SmoothedRate = 0.0;
        RateTick = now;
        LogTick = now;
        RateBytes = start;
        ReceivedBytes = start;
        TotalBytes = total;  // last: the timer reads the others once this is set
    }
};
