#include <gtest/gtest.h>

#include <vector>

#include "ProgressDisplay.h"

namespace {

const unsigned long English = 0x0409, German = 0x0407;

TEST(ProgressDisplay, FormatSize) {
    const struct {
        int64_t Bytes;
        const wchar_t* Text;
    } cases[] = {
        {0, L"0 Bytes"},          {1023, L"1023 Bytes"},        {1024, L"1.0 KB"},
        {1048575, L"1024.0 KB"},  {1048576, L"1.00 MB"},        {1073741823, L"1024.00 MB"},
        {1073741824, L"1.000 GB"}, {5000000000LL, L"4.657 GB"}, {1536, L"1.5 KB"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatSizeIn(English, c.Bytes), c.Text) << c.Bytes;
    EXPECT_EQ(FormatSizeIn(German, 1048576), L"1.00 MB");  // a full stop in German too
}

TEST(ProgressDisplay, TransferRate) {
    const struct {
        double Kilobytes;
        const wchar_t* Text;
    } cases[] = {
        {0.0, L"0 Bytes/Second"},   {0.5, L"512 Bytes/Second"}, {1.0, L"1.00 KB/Second"},
        {9.999, L"10.00 KB/Second"}, {10.0, L"10 KB/Second"},    {1234.4, L"1234 KB/Second"},
    };
    for (const auto& c : cases) EXPECT_EQ(TransferRateText(English, c.Kilobytes), c.Text) << c.Kilobytes;
    EXPECT_EQ(TransferRateText(German, 0.5), L"512 Bytes/Sekunde");
    EXPECT_EQ(TransferRateText(German, 50.0), L"50 KB/Sekunde");
}

TEST(ProgressDisplay, TimeLeft) {
    const struct {
        uint32_t Seconds;
        const wchar_t* Time;
    } cases[] = {
        {0, L""},
        {1, L"1 Seconds"},
        {59, L"59 Seconds"},
        {60, L"1 Minutes 0 Seconds"},
        {3599, L"59 Minutes 59 Seconds"},
        {3600, L"1 Hours 0 Minutes"},
        {7322, L"2 Hours 2 Minutes"},
        {UINT32_MAX, L"1193046 Hours 28 Minutes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeLeftText(English, c.Seconds, 1024, 2048), std::wstring(c.Time) + L" (1.0 KB of 2.0 KB copied)");
    EXPECT_EQ(TimeLeftText(German, 125, 1024, 2048), L"2 Minuten 5 Sekunden (1.0 KB von 2.0 KB kopiert)");
}

TEST(ProgressDisplay, SecondsLeftAreCappedNotWrapped) {
    EXPECT_EQ(SecondsLeft(9900000, 50000.0), 198u);
    EXPECT_EQ(SecondsLeft(1000, 0.0), 0u);
    EXPECT_EQ(SecondsLeft(1000000000000LL, 0.011), UINT32_MAX);
    EXPECT_EQ(SecondsLeft(-5, 100.0), 0u);
}

// Records what a tick showed.
struct Shown : ProgressOutput {
    std::vector<int> Positions;
    std::vector<std::wstring> Captions, Rates, TimeLefts;
    std::vector<double> LoggedPercents;
    std::vector<int> LoggedSeconds;
    void ShowPosition(int p) override { Positions.push_back(p); }
    void ShowCaption(const std::wstring& t) override { Captions.push_back(t); }
    void ShowRate(const std::wstring& t) override { Rates.push_back(t); }
    void ShowTimeLeft(const std::wstring& t) override { TimeLefts.push_back(t); }
    void LogProgress(const std::wstring&, double percent, int64_t, int64_t, int seconds, double) override {
        LoggedPercents.push_back(percent);
        LoggedSeconds.push_back(seconds);
    }
    bool Empty() const { return Positions.empty() && Captions.empty() && Rates.empty() && TimeLefts.empty(); }
};

struct Running : ProgressCounters {
    Running(int64_t total, int64_t start, uint32_t now) {
        Connecting = false;
        ResetProgress(total, start, now);
    }
};

TEST(ProgressDisplay, NothingToShowWhileTotalIsZero) {
    ProgressCounters p;
    p.Connecting = false;
    p.ReceivedBytes = 500;
    p.RateTick = 0;
    Shown out;
    UpdateProgressDisplay(p, L"f.exe", 50000, English, out);
    EXPECT_TRUE(out.Empty());
    EXPECT_FALSE(p.ProgressShown);
}

TEST(ProgressDisplay, FirstMeasurementSeedsTheRate) {
    Running p(10000000, 0, 1000);
    p.ReceivedBytes = 100000;
    Shown out;
    UpdateProgressDisplay(p, L"f.exe", 3000, English, out);  // 100,000 bytes in 2,000 ms
    EXPECT_EQ(out.Positions, std::vector<int>{1});
    EXPECT_EQ(out.Captions, std::vector<std::wstring>{L"1% of f.exe Completed"});
    EXPECT_EQ(out.Rates, std::vector<std::wstring>{L"50 KB/Second"});
    EXPECT_EQ(out.TimeLefts, std::vector<std::wstring>{L"3 Minutes 18 Seconds (97.7 KB of 9.54 MB copied)"});
    EXPECT_DOUBLE_EQ(p.SmoothedRate, 50000.0);
    EXPECT_TRUE(p.ProgressShown);

    // The next second brings 150,000 bytes: smoothed 10 % towards them.
    p.ReceivedBytes = 250000;
    p.ProgressShown = false;
    UpdateProgressDisplay(p, L"f.exe", 4000, English, out);
    EXPECT_DOUBLE_EQ(p.SmoothedRate, 60000.0);
    EXPECT_EQ(out.Rates.back(), L"60 KB/Second");
}

TEST(ProgressDisplay, HalfwayAndTheRefreshRules) {
    Running p(4000000, 0, 0);
    p.ReceivedBytes = 2000000;
    Shown out;
    UpdateProgressDisplay(p, L"f.exe", 999, English, out);  // less than a second since the last refresh
    EXPECT_TRUE(out.Empty());
    UpdateProgressDisplay(p, L"f.exe", 1000, English, out);
    EXPECT_EQ(out.Positions, std::vector<int>{50});
    EXPECT_EQ(out.Captions.back(), L"50% of f.exe Completed");
    UpdateProgressDisplay(p, L"f.exe", 5000, English, out);  // nothing new since
    EXPECT_EQ(out.Positions.size(), 1u);
}

TEST(ProgressDisplay, TickCountWrapsAround) {
    Running p(1000000, 0, 0xFFFFFC00u);
    p.ReceivedBytes = 100000;
    Shown out;
    UpdateProgressDisplay(p, L"f.exe", 0x00000400u, English, out);  // 2,048 ms later
    EXPECT_EQ(out.Positions, std::vector<int>{10});
}

TEST(ProgressDisplay, HoldAndConnectingShowOnlyTheAmounts) {
    Running p(2048, 1024, 0);
    p.HoldRequested = true;
    Shown out;
    UpdateProgressDisplay(p, L"f.exe", 100, German, out);
    UpdateProgressDisplay(p, L"f.exe", 5000, German, out);  // once per change
    EXPECT_EQ(out.Captions, std::vector<std::wstring>{L"f.exe - Download wurde angehalten"});
    EXPECT_EQ(out.TimeLefts, std::vector<std::wstring>{L" (1.0 KB von 2.0 KB kopiert)"});
    EXPECT_TRUE(out.Rates.empty());
    EXPECT_TRUE(out.Positions.empty());

    p.HoldRequested = false;
    p.Connecting = true;
    p.ProgressShown = false;
    UpdateProgressDisplay(p, L"f.exe", 6000, English, out);
    UpdateProgressDisplay(p, L"f.exe", 9000, English, out);
    EXPECT_EQ(out.TimeLefts.size(), 2u);
    EXPECT_EQ(out.TimeLefts.back(), L" (1.0 KB of 2.0 KB copied)");
    EXPECT_EQ(out.Captions.size(), 1u);  // the caption keeps what it had
}

TEST(ProgressDisplay, ProgressLineAtMostOnceAMinute) {
    const uint32_t start = 5000;
    Running p(100000000, 0, start);
    Shown out;
    for (uint32_t second = 1; second <= 150; ++second) {
        p.ReceivedBytes = int64_t(second) * 100000;
        p.ProgressShown = false;
        UpdateProgressDisplay(p, L"f.exe", start + second * 1000, English, out);
        if (second == 59) {
            EXPECT_TRUE(out.LoggedPercents.empty());
        }
    }
    ASSERT_EQ(out.LoggedPercents.size(), 2u);  // at 60 s and at 120 s
    EXPECT_DOUBLE_EQ(out.LoggedPercents[0], 6.0);
    EXPECT_DOUBLE_EQ(out.LoggedPercents[1], 12.0);
    EXPECT_EQ(out.Positions.size(), 150u);
}

}  // namespace
