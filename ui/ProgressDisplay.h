// What the download dialog shows of the progress: the texts, and one tick of
// the display timer. Platform-free: the language and the tick count are given.
#pragma once

#include <cstdint>
#include <string>

#include "ProgressCounters.h"

// "%1 Bytes", "%1 KB" (one decimal), "%1 MB" (two), "%1 GB" (three); steps of 1024.
std::wstring FormatSizeIn(unsigned long lang, int64_t bytes);

// Kilobytes (of 1000 bytes) per second as the rate line shows them.
std::wstring TransferRateText(unsigned long lang, double kilobytesPerSecond);

// "<time> (<received> of <total> copied)"; no time for 0 seconds.
std::wstring TimeLeftText(unsigned long lang, uint32_t seconds, int64_t received, int64_t total);

// "<percent>% of <file> Completed"
std::wstring PercentCaption(unsigned long lang, double fraction, const std::wstring& fileName);

// The progress bar's position (0..100) for a fraction, truncated.
int ProgressPosition(double fraction);

// Seconds left at a stored rate, truncated; 0 when the rate is 0, and the
// largest count rather than a wrapped one when it does not fit 32 bits.
uint32_t SecondsLeft(int64_t remaining, double bytesPerSecond);

// Where one tick of the display goes: the dialog, or a test.
class ProgressOutput {
public:
    virtual ~ProgressOutput() = default;
    virtual void ShowPosition(int position) = 0;
    virtual void ShowCaption(const std::wstring& caption) = 0;
    virtual void ShowRate(const std::wstring& text) = 0;
    virtual void ShowTimeLeft(const std::wstring& text) = 0;
    // The progress line of the protocol file, at most once a minute.
    virtual void LogProgress(const std::wstring& fileName, double percent, int64_t received, int64_t total,
                             int seconds, double kilobytesPerSecond) = 0;
};

const uint32_t RefreshInterval = 1000;   // ms between two refreshes of the running display
const uint32_t ProgressLogInterval = 60000;  // ms between two progress lines

// One tick at `now` (the millisecond tick count).
void UpdateProgressDisplay(ProgressCounters& progress, const std::wstring& fileName, uint32_t now,
                           unsigned long lang, ProgressOutput& out);
