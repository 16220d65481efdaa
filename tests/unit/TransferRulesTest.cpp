#include <gtest/gtest.h>

#include "TransferRules.h"

namespace {

const int64_t Nov6_1994 = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT

TEST(TransferRules, HttpDatesInAllThreeForms) {
    const struct {
        const wchar_t* Text;
        int64_t Time;  // -1: refused
    } cases[] = {
        {L"Sun, 06 Nov 1994 08:49:37 GMT", Nov6_1994},
        {L"Sunday, 06-Nov-94 08:49:37 GMT", Nov6_1994},
        {L"Sun Nov  6 08:49:37 1994", Nov6_1994},
        {L"Sun Nov 06 08:49:37 1994", Nov6_1994},
        {L"Thu, 01 Jan 1970 00:00:00 GMT", 0},
        {L"Tue, 29 Feb 2000 23:59:59 GMT", 951868799},
        {L"Fri, 31 Dec 9999 23:59:59 GMT", 253402300799},
        {L"Wednesday, 01-Mar-17 12:00:00 GMT", 1488369600},  // two-digit years below 70 are 20xx
        {L"Mon, 01 Jan 1800 00:00:00 GMT", 0},              // before 1900: no time
        // Malformed or out of range.
        {L"hello", -1},
        {L"", -1},
        {L"Sun, 06 Nov 1994 08:49:37", -1},
        {L"Sun, 06 Nov 1994 08:49:37 CET", -1},
        {L"Sun, 06 Xyz 1994 08:49:37 GMT", -1},
        {L"Sun, 32 Jan 1994 08:49:37 GMT", -1},
        {L"Sun, 29 Feb 1900 08:49:37 GMT", -1},
        {L"Sun, 31 Feb 1994 08:49:37 GMT", -1},
        {L"Sun, 00 Nov 1994 08:49:37 GMT", -1},
        {L"Sun, 06 Nov 1994 24:00:00 GMT", -1},
        {L"Sun, 06 Nov 1994 08:60:00 GMT", -1},
        {L"Sun, 06 Nov 1994 08:49:37 GMT trailing", -1},
        {L"Sun, 6 Nov 1994 08:49:37 GMT", -1},
        {L"Sun, 06 Nov 94 08:49:37 GMT", -1},
        {L"Sunday, 06-Nov-1994 08:49:37 GMT", -1},
        {L"Sund, 06 Nov 1994 08:49:37 GMT", -1},
        {L"Sun, 06 Nov 0000 08:49:37 GMT", -1},
        {L"13/01/1994", -1},
    };
    for (const auto& c : cases) {
        int64_t time = -1;
        bool parsed = ParseHttpDate(c.Text, time);
        EXPECT_EQ(parsed, c.Time >= 0) << testing::PrintToString(std::wstring(c.Text));
        if (parsed) {
            EXPECT_EQ(time, c.Time) << testing::PrintToString(std::wstring(c.Text));
        }
    }
}

TEST(TransferRules, ContentLength) {
    const struct {
        const wchar_t* Text;
        int64_t Length;
    } cases[] = {
        {L"0", 0},  {L"12345", 12345}, {L" 77 ", 77}, {L"9223372036854775807", INT64_MAX},
        {L"-5", -1}, {L"+5", -1},       {L"abc", -1}, {L"12abc", -1}, {L"", -1}, {L"9223372036854775808", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseContentLength(c.Text), c.Length) << c.Length;
}

TEST(TransferRules, RangeMustContinueTheLocalFile) {
    EXPECT_TRUE(RangeContinuesFile(L"bytes 900-999/1000", 900, 1000));
    EXPECT_FALSE(RangeContinuesFile(L"bytes 800-999/1000", 900, 1000));  // starts elsewhere
    EXPECT_FALSE(RangeContinuesFile(L"bytes 900-999/2000", 900, 1000));  // another file
    EXPECT_FALSE(RangeContinuesFile(L"bytes 900-998/1000", 900, 1000));  // ends short
    EXPECT_FALSE(RangeContinuesFile(L"bytes 900-999/*", 900, 1000));
    EXPECT_FALSE(RangeContinuesFile(L"", 900, 1000));
    EXPECT_FALSE(RangeContinuesFile(L"bytes=900-999/1000", 900, 1000));
    int64_t first, last, total;
    ASSERT_TRUE(ParseContentRange(L"bytes 0-0/*", first, last, total));
    EXPECT_EQ(total, -1);
    EXPECT_FALSE(ParseContentRange(L"bytes 5-4/10", first, last, total));
}

TEST(TransferRules, ResumeDecisions) {
    const int64_t remoteTime = 1700000000, now = remoteTime + 10 * 86400;
    const FileFacts remote{1000, remoteTime};
    const int64_t hour = 3600;
    const struct {
        bool Exists;
        FileFacts Local;
        ResumeDecision Decision;
    } cases[] = {
        {false, {0, 0}, ResumeDecision::NoLocalFile},
        {true, {500, remoteTime}, ResumeDecision::RemoteIsNewer},  // equal times count as newer
        {true, {500, remoteTime - 1}, ResumeDecision::RemoteIsNewer},
        {true, {1001, now - hour}, ResumeDecision::RemoteIsSmaller},
        {true, {500, now - 121 * hour}, ResumeDecision::LocalIsTooOld},
        {true, {1000, now - 6 * 24 * hour}, ResumeDecision::LocalIsTooOld},  // complete but too old
        {true, {500, now - 121 * hour + 1}, ResumeDecision::Continue},       // 120 h 59 min
        {true, {1000, now - hour}, ResumeDecision::AlreadyComplete},
        {true, {0, now}, ResumeDecision::Continue},
        {true, {500, now - hour}, ResumeDecision::Continue},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideResume(c.Exists, c.Local, remote, now), c.Decision) << c.Local.Size << " " << c.Local.Time;
}

}  // namespace
