// A download into a folder that fills up (tools/with-small-disk).
#include "EngineFixture.h"

namespace {

TEST_F(EngineTest, FullDiskRecordsTheWriteFailureAndKeepsWhatWasWritten) {
    std::string bytes = Serve("full.bin", 1 << 20);
    RecordingTask task(L"/engine/full.bin", WinePath("SMALL_DISK") + L"\\full.bin");
    task.MaxAttempts = 1;
    task.RunDownload();

    EXPECT_FALSE(task.Succeeded);
    EXPECT_EQ(task.TotalBytes, 0);
    EXPECT_EQ(task.ErrorText.rfind(L"An error occurred while writing the file, Error:", 0), 0u) << task.ErrorText.c_str();
    EXPECT_NE(Protocol().find("An exception occured while writing to the download file, Error:"), std::string::npos);
    std::string kept = ReadFileBytes(task.LocalFilePath);
    EXPECT_GT(kept.size(), 0u);
    EXPECT_LE(kept.size(), size_t(256 * 1024));
    EXPECT_EQ(kept, bytes.substr(0, kept.size()));
    EXPECT_EQ(int64_t(kept.size()), task.ReceivedBytes);
}

}  // namespace
