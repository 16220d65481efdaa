#include <gtest/gtest.h>

#include "SingleDownloadGuard.h"

namespace {

TEST(Guard, FileNamesCompareWithoutRegardToCaseOfAsciiLetters) {
    EXPECT_TRUE(SameProgramName(L"Download-(1)(a)-b.exe", L"Download-(1)(a)-b.exe"));
    EXPECT_TRUE(SameProgramName(L"DOWNLOAD-(1)(A)-B.EXE", L"download-(1)(a)-b.exe"));
    EXPECT_FALSE(SameProgramName(L"Download-(1)(a)-b.exe", L"Download-(1)(a)-b.ex"));
    EXPECT_FALSE(SameProgramName(L"Download-(1)(a)-b.ex", L"Download-(1)(a)-b.exe"));
    EXPECT_FALSE(SameProgramName(L"Download-(1)(a)-c.exe", L"Download-(1)(a)-b.exe"));
    // Only A-Z fold: other letters must match exactly.
    EXPECT_FALSE(SameProgramName(L"\u00c4.exe", L"\u00e4.exe"));
    EXPECT_TRUE(SameProgramName(L"\u00e4.exe", L"\u00e4.EXE"));
}

}  // namespace
