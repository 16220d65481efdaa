// The protocol lines of the engine, whole and in order. Runs alone, so no
// other program writes between them.
#include "EngineFixture.h"

namespace {

const std::string Date = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";

std::string Quoted(const std::wstring& text) {
    std::string narrow(text.begin(), text.end());
    return std::regex_replace(narrow, std::regex(R"([\\^$.|?*+()\[\]{}])"), R"(\$&)");
}

TEST_F(EngineTest, ProtocolOfAFreshAResumedAndAFailedDownload) {
    std::string bytes = Serve("order.bin", 5000);
    RecordingTask fresh(L"/engine/order.bin", LocalPath("order.bin"));
    fresh.RunDownload();
    ASSERT_TRUE(fresh.Succeeded);
    std::string local = Quoted(fresh.LocalFilePath);
    EXPECT_TRUE(std::regex_match(Protocol(), std::regex("Connecting /engine/order\\.bin\\.\\.\\.\n"
                                                        "Url: 5000Bytes " + Date + "\n" +
                                                        local + ": not exists\n"
                                                        "Create new file " + local + "\n")))
        << Protocol();

    protocolStart = ReadProtocolFile().size();
    WriteFileBytes(fresh.LocalFilePath, bytes.substr(0, 3000));
    RecordingTask resumed(L"/engine/order.bin", fresh.LocalFilePath);
    resumed.RunDownload();
    ASSERT_TRUE(resumed.Succeeded);
    EXPECT_TRUE(std::regex_match(Protocol(), std::regex("Connecting /engine/order\\.bin\\.\\.\\.\n"
                                                        "Url: 5000Bytes " + Date + "\n" +
                                                        local + ": 3000Bytes " + Date + "\n"
                                                        "Open file for append " + local + "\n")))
        << Protocol();

    protocolStart = ReadProtocolFile().size();
    RecordingTask failed(L"/status-500/engine/order.bin", fresh.LocalFilePath);
    failed.MaxAttempts = 1;
    failed.RunDownload();
    ASSERT_FALSE(failed.Succeeded);
    EXPECT_TRUE(std::regex_match(Protocol(), std::regex("Connecting /status-500/engine/order\\.bin\\.\\.\\.\n"
                                                        "HEAD gets 500 - asking with GET\n"
                                                        "\a" + Date + "   Failed to retrieve a HTTP 200 status, "
                                                        "Status Code:500\n")))
        << Protocol();
}

}  // namespace
