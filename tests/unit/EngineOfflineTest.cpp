// Run without a test server: with a proxy on a port where nothing listens,
// and inside a network namespace with only loopback, where no name resolves.
#include "EngineFixture.h"

namespace {

TEST(EngineOffline, NothingListeningEndsAfterTheFirstAttempt) {
    RecordingTask task(L"/engine/unreachable.bin", WinePath("TEST_TMP") + L"\\unreachable.bin");
    task.RetryPause = 1000;
    DWORD started = GetTickCount();
    task.RunDownload();
    EXPECT_LT(GetTickCount() - started, 10000u);
    EXPECT_TRUE(task.NoReconnect);
    EXPECT_EQ(task.Dones(), std::vector<WPARAM>{1});
    EXPECT_TRUE(task.HasShown(L"Reconneting... (#1)"));
    EXPECT_FALSE(task.HasShown(L"Reconneting... (#2)"));
    EXPECT_EQ(task.ErrorText.rfind(L"No Internet connection!\n\n", 0), 0u);
    EXPECT_NE(task.ErrorText.find(L"\n\nAn error occurred connecting to the server, Error:12029"),
              std::wstring::npos);
}

TEST(EngineOffline, NameThatDoesNotResolve) {
    RecordingTask task(L"/engine/unresolved.bin", WinePath("TEST_TMP") + L"\\unresolved.bin");
    task.MaxAttempts = 1;
    task.RunDownload();
    EXPECT_FALSE(task.NoReconnect);
    EXPECT_EQ(task.ErrorText, L"An error occurred connecting to the server, Error:12007");
}

}  // namespace
