#include "ProgressDisplay.h"

#include <cmath>

#include "Format.h"
#include "TextTable.h"

namespace {

std::wstring Text1(unsigned long lang, int key, const std::wstring& a) {
    const wchar_t* args[] = {a.c_str()};
    return SubstituteText(TableText(lang, key), args, 1);
}

std::wstring Text2(unsigned long lang, int key, const std::wstring& a, const std::wstring& b) {
    const wchar_t* args[] = {a.c_str(), b.c_str()};
    return SubstituteText(TableText(lang, key), args, 2);
}

std::wstring Number(int value) { return FormatText(L"%d", value); }

}  // namespace

std::wstring FormatSizeIn(unsigned long lang, int64_t bytes) {
    if (bytes < 1024) return Text1(lang, 0x79, Number(int(bytes)));
    if (bytes < 1048576) return Text1(lang, 0x7b, FormatText(L"%0.1f", double(bytes) / 1024.0));
    if (bytes < 1073741824) return Text1(lang, 0x7d, FormatText(L"%0.2f", double(bytes) / 1048576.0));
    return Text1(lang, 0x99, FormatText(L"%0.3f", double(bytes) / 1073741824.0));
}

std::wstring TransferRateText(unsigned long lang, double kb) {
    if (kb < 1.0) return Text1(lang, 0x80, FormatText(L"%0.0f", kb * 1024.0));
    return Text1(lang, 0x81, FormatText(kb < 10.0 ? L"%0.2f" : L"%0.0f", kb));
}

std::wstring TimeLeftText(unsigned long lang, uint32_t seconds, int64_t received, int64_t total) {
    std::wstring amounts = Text2(lang, 0x75, FormatSizeIn(lang, received), FormatSizeIn(lang, total));
    std::wstring time;
    int s = int(seconds % 60), m = int(seconds / 60 % 60);
    if (seconds == 0)
        time.clear();
    else if (seconds < 60)
        time = Text1(lang, 0x76, Number(int(seconds)));
    else if (seconds < 3600)
        time = Text2(lang, 0x78, Number(int(seconds / 60)), Number(s));
    else
        time = Text2(lang, 0x9a, Number(int(seconds / 3600)), Number(m));
    return Text2(lang, 0x7f, time, amounts);
}

std::wstring PercentCaption(unsigned long lang, double fraction, const std::wstring& fileName) {
    return Text2(lang, 0x73, Number(int(fraction * 100.0)), fileName);
}

int ProgressPosition(double fraction) { return int(fraction * 100.0); }

uint32_t SecondsLeft(int64_t remaining, double rate) {
    double seconds = double(remaining) / rate;
    if (!std::isfinite(seconds) || seconds <= 0) return 0;
    if (seconds >= 4294967295.0) return UINT32_MAX;
    return uint32_t(seconds);
}

void UpdateProgressDisplay(ProgressCounters& p, const std::wstring& fileName, uint32_t now, unsigned long lang,
                           ProgressOutput& out) {
    int64_t total = p.TotalBytes;
    if (total == 0) return;
    int64_t received = p.ReceivedBytes;
    if (p.Connecting) {
        if (!p.ProgressShown) out.ShowTimeLeft(TimeLeftText(lang, 0, received, total));
        p.ProgressShown = true;
        return;
    }
    if (p.HoldRequested) {
        if (!p.ProgressShown) {
            std::wstring caption = Text1(lang, 0x8b, fileName);
            out.ShowTimeLeft(TimeLeftText(lang, 0, received, total));
            out.ShowCaption(caption);
        }
        p.ProgressShown = true;
        return;
    }
    uint32_t elapsed = now - p.RateTick;  // modulo 2^32: right across the wrap
    if (elapsed < RefreshInterval || p.ProgressShown) return;

    double fraction = double(received) / double(total);
    out.ShowPosition(ProgressPosition(fraction));
    out.ShowCaption(PercentCaption(lang, fraction, fileName));

    double instant = double(received - p.RateBytes) / (elapsed * 0.001);
    if (p.SmoothedRate < 0.01) p.SmoothedRate = instant;  // the first measurement seeds the rate
    double stored = p.SmoothedRate;
    double rate = (instant + stored * 9.0) / 10.0;
    double kb = rate * 0.001;
    out.ShowRate(TransferRateText(lang, kb));

    uint32_t seconds = SecondsLeft(total - received, stored);
    out.ShowTimeLeft(TimeLeftText(lang, seconds, received, total));

    if (now - p.LogTick >= ProgressLogInterval) {
        p.LogTick = now;
        out.LogProgress(fileName, fraction * 100.0, received, total, int(seconds), kb);
    }
    p.RateBytes = received;
    p.SmoothedRate = rate;
    p.RateTick = now;
    p.ProgressShown = true;
}
