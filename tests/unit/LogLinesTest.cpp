#include <gtest/gtest.h>

#include "LogLines.h"

namespace {

TEST(LogLines, TimeStampIsZeroPaddedWithThreeBlanks) {
    EXPECT_EQ(TimeStampText({2026, 1, 2, 3, 4, 5}), L"2026-01-02 03:04:05   ");
    EXPECT_EQ(TimeStampText({1999, 12, 31, 23, 59, 59}), L"1999-12-31 23:59:59   ");
}

TEST(LogLines, RunHeaderLeavesOutWhatIsUnknown) {
    const std::wstring stamp = L"2026-01-02 03:04:05   ";
    EXPECT_EQ(RunHeaderText(stamp, L"anna", L"PC1"), L"\n\f2026-01-02 03:04:05   anna@PC1 ");
    EXPECT_EQ(RunHeaderText(stamp, nullptr, L"PC1"), L"\n\f2026-01-02 03:04:05   PC1 ");
    EXPECT_EQ(RunHeaderText(stamp, L"anna", nullptr), L"\n\f2026-01-02 03:04:05   anna@");
    EXPECT_EQ(RunHeaderText(stamp, nullptr, nullptr), L"\n\f2026-01-02 03:04:05   ");
}

TEST(LogLines, ErrorBlock) {
    EXPECT_EQ(ErrorBlockText(L"two\nlines"), L"\n\aError:\ntwo\nlines\n\n");
}

}  // namespace
