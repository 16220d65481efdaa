#include <algorithm>
#include <thread>

#include "EngineFixture.h"

namespace {

using Requests = std::vector<ServedRequest>;

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        if (condition()) return true;
        Sleep(20);
    }
    return condition();
}

TEST_F(EngineTest, FreshDownloadIsByteIdenticalAndTheFirstRequestMovesNoBody) {
    std::string bytes = Serve("fresh.bin", 300000);
    RecordingTask task(L"/engine/fresh.bin", LocalPath("fresh.bin"));
    task.RunDownload();

    EXPECT_TRUE(task.Succeeded);
    EXPECT_EQ(task.Dones(), std::vector<WPARAM>{0});
    EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
    EXPECT_EQ(task.TotalBytes, 0);
    EXPECT_EQ(task.ReceivedBytes, 300000);
    EXPECT_TRUE(task.HasShown(L"Getting file information"));
    EXPECT_TRUE(task.HasShown(L"Retrieving the file"));
    EXPECT_EQ(task.Shown().back(), L"<stop>");

    Requests requests = ServedRequests("/engine/fresh.bin");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Method, "HEAD");
    EXPECT_EQ(requests[0].BodyBytes, 0);
    EXPECT_EQ(requests[1].Method, "GET");
    EXPECT_EQ(requests[1].Range, "");
    EXPECT_EQ(requests[1].BodyBytes, 300000);
}

// Each case leaves a local file, then fetches a 300000-byte file modified a
// day ago (or 30 days ago) and checks the rule that decided.
TEST_F(EngineTest, ResumeRules) {
    const int64_t now = CurrentTime(), day = 86400;
    const struct {
        const char* Name;
        size_t LocalSize;  // of the remote content's first bytes; SIZE_MAX: no file
        bool LocalIsForeign;
        int64_t LocalTime;
        int64_t RemoteTime;
        const char* LogLine;
        const char* Range;  // of the GET; null: no GET
    } cases[] = {
        {"rule-none.bin", SIZE_MAX, false, 0, now - day, ": not exists\n", ""},
        {"rule-newer.bin", 100000, false, 1551675967, now - day, "URL is newer - start download from beginning\n", ""},
        {"rule-same-time.bin", 100000, false, now - day, now - day, "URL is newer - start download from beginning\n",
         ""},
        {"rule-smaller.bin", 400000, true, now, now - day, "URL is smaller - start download from beginning\n", ""},
        {"rule-old.bin", 100000, false, now - 6 * day, now - 30 * day,
         "Local file is older more 5 dayes - start download from beginning\n", ""},
        {"rule-old-complete.bin", 300000, false, now - 6 * day, now - 30 * day,
         "Local file is older more 5 dayes - start download from beginning\n", ""},
        {"rule-complete.bin", 300000, false, now, now - day,
         "Downloaded files is already available - more Download is not requiered\n", nullptr},
        {"rule-continue.bin", 270000, false, now, now - day, "Open file for append ", "bytes=270000-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string bytes = Serve(c.Name, 300000, c.RemoteTime);
        RecordingTask task(Wide(std::string("/engine/") + c.Name), LocalPath(c.Name));
        if (c.LocalSize != SIZE_MAX) {
            std::string local = c.LocalIsForeign ? Content(c.LocalSize, 7) : bytes.substr(0, c.LocalSize);
            WriteFileBytes(task.LocalFilePath, local);
            SetFileAge(task.LocalFilePath, c.LocalTime);
        }
        task.RunDownload();

        EXPECT_TRUE(task.Succeeded);
        EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
        EXPECT_NE(Protocol().find(c.LogLine), std::string::npos);
        Requests requests = ServedRequests(std::string("/engine/") + c.Name);
        ASSERT_EQ(requests.size(), c.Range ? 2u : 1u);
        if (c.Range) {
            EXPECT_EQ(requests[1].Range, c.Range);
            EXPECT_EQ(requests[1].Status, *c.Range ? 206 : 200);
            EXPECT_EQ(requests[1].BodyBytes, 300000 - (*c.Range ? c.LocalSize : 0));
        }
    }
}

TEST_F(EngineTest, ServerIgnoringRangesGivesTheWholeFileAgain) {
    std::string bytes = Serve("ignored.bin", 200000);
    RecordingTask task(L"/ignore-range/engine/ignored.bin", LocalPath("ignored.bin"));
    WriteFileBytes(task.LocalFilePath, bytes.substr(0, 150000));
    task.RunDownload();

    EXPECT_TRUE(task.Succeeded);
    EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
    EXPECT_NE(Protocol().find("QueryStatusCode gets 200 - append is unsupported by the host\n"), std::string::npos);
    Requests requests = ServedRequests("/engine/ignored.bin");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Range, "bytes=150000-");
    EXPECT_EQ(requests[1].BodyBytes, 200000);
}

// One attempt against answers that end it; the local file stays as it was.
TEST_F(EngineTest, AnswersThatEndAnAttempt) {
    const wchar_t* noValidResponse = L"Failed to receive a valid HTTP response from the server";
    const struct {
        const char* Faults;
        bool Partial;  // a local file to continue: the second request asks for a range
        const wchar_t* Error;
        const char* LogLine;
    } cases[] = {
        {"/status-404", false, noValidResponse, "Failed to retrieve a HTTP 200 status, Status Code:404\n"},
        {"/status-500", false, noValidResponse, "Failed to retrieve a HTTP 200 status, Status Code:500\n"},
        {"/range-416", true, noValidResponse, "Failed to retrieve a HTTP 200 status, Status Code:416\n"},
        {"/status-302", false, noValidResponse, "Failed to retrieve a HTTP 200 status, Status Code:302\n"},
        {"/close", false, noValidResponse, "Failed to retrieve a HTTP 200 status, Status Code:"},
        {"/nolength", false, L"Failed to receive the content-length response from the server",
         "Failed to retrieve a Content-Length.\n"},
        {"/length--5", false, L"Failed to receive the content-length response from the server",
         "Failed to retrieve a Content-Length.\n"},
        {"/length-abc", false, L"Failed to receive the content-length response from the server",
         "Failed to retrieve a Content-Length.\n"},
        {"/nodate", false, L"Failed to receive the last-modified response from the server",
         "Failed to retrieve a Last-Modified.\n"},
        {"/date-hello", false, L"Failed to receive the last-modified response from the server",
         "Failed to retrieve a Last-Modified.\n"},
        {"/date-Sun%2C%2006%20Nov%201994%2008%3A49%3A37%20XYZ", false,
         L"Failed to receive the last-modified response from the server", "Failed to retrieve a Last-Modified.\n"},
        {"/date-Sun%2C%2006%20Abc%201994%2008%3A49%3A37%20GMT", false,
         L"Failed to receive the last-modified response from the server", "Failed to retrieve a Last-Modified.\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Faults);
        std::string name = "ends-" + std::to_string(++n) + ".bin";
        std::string bytes = Serve(name, 50000);
        RecordingTask task(Wide(c.Faults + ("/engine/" + name)), LocalPath(name));
        if (c.Partial) WriteFileBytes(task.LocalFilePath, bytes.substr(0, 20000));
        task.MaxAttempts = 1;
        task.RunDownload();

        EXPECT_FALSE(task.Succeeded);
        EXPECT_EQ(task.Dones(), std::vector<WPARAM>{1});
        EXPECT_EQ(task.ErrorText, c.Error);
        EXPECT_TRUE(task.HasShown(L"Reconneting... (#1)"));
        EXPECT_NE(Protocol().find(c.LogLine), std::string::npos);
        EXPECT_EQ(ReadFileBytes(task.LocalFilePath), c.Partial ? bytes.substr(0, 20000) : "");
    }
}

TEST_F(EngineTest, ServerThatRefusesHeadIsAskedWithGet) {
    std::string bytes = Serve("nohead.bin", 40000);
    RecordingTask task(L"/nohead/engine/nohead.bin", LocalPath("nohead.bin"));
    task.RunDownload();
    EXPECT_TRUE(task.Succeeded);
    EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
    EXPECT_NE(Protocol().find("HEAD gets 405 - asking with GET\n"), std::string::npos);
    Requests requests = ServedRequests("/engine/nohead.bin");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Method, "HEAD");
    EXPECT_EQ(requests[1].Method, "GET");
    EXPECT_EQ(requests[2].Method, "GET");
}

TEST_F(EngineTest, RedirectIsFollowed) {
    std::string bytes = Serve("moved.bin", 30000);
    RecordingTask task(L"/redirect/engine/moved.bin", LocalPath("moved.bin"));
    task.RunDownload();
    EXPECT_TRUE(task.Succeeded);
    EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
}

TEST_F(EngineTest, BodyCutShortIsContinuedByTheNextAttempt) {
    std::string bytes = Serve("cut.bin", 300000);
    RecordingTask task(L"/cutonce-100000/engine/cut.bin", LocalPath("cut.bin"));
    task.MaxAttempts = 3;
    task.RunDownload();

    EXPECT_TRUE(task.Succeeded);
    EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
    EXPECT_NE(Protocol().find("Failed in call to InternetReadFile, dwBytesRead==0\n"), std::string::npos);
    EXPECT_TRUE(task.HasShown(L"Reconneting... (#1)"));
    EXPECT_FALSE(task.HasShown(L"Reconneting... (#2)"));
    Requests requests = ServedRequests("/engine/cut.bin");
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1].BodyBytes, 100000);
    EXPECT_EQ(requests[3].Range, "bytes=100000-");
    EXPECT_EQ(requests[3].BodyBytes, 200000);
}

// A 206 that does not go on at the local size would corrupt the file if it
// were appended: the attempt is refused, the file left alone, and the next
// attempt starts the file again.
TEST_F(EngineTest, PartThatDoesNotContinueTheFileIsRefused) {
    for (const char* faults : {"/range-shift-1000", "/range-shift--1000", "/range-total-999999"}) {
        SCOPED_TRACE(faults);
        std::string name = std::string("shift") + std::to_string(strlen(faults)) + ".bin";
        std::string bytes = Serve(name, 100000);
        RecordingTask task(Wide(faults + ("/engine/" + name)), LocalPath(name));
        WriteFileBytes(task.LocalFilePath, bytes.substr(0, 60000));
        task.MaxAttempts = 1;
        task.RunDownload();
        EXPECT_FALSE(task.Succeeded);
        EXPECT_EQ(task.ErrorText, L"Failed to receive a valid HTTP response from the server");
        EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes.substr(0, 60000));

        task.MaxAttempts = 2;
        task.RunDownload();
        EXPECT_TRUE(task.Succeeded);
        EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
        Requests requests = ServedRequests("/engine/" + name);
        ASSERT_EQ(requests.size(), 4u);
        EXPECT_EQ(requests[3].Range, "");
    }
    EXPECT_NE(Protocol().find("The host answered a range with another part of the file - start download from "
                              "beginning\n"),
              std::string::npos);
}

TEST_F(EngineTest, EmptyRemoteFileIsCompleteOnTheSecondAttempt) {
    Serve("empty.bin", 0);
    RecordingTask task(L"/engine/empty.bin", LocalPath("empty.bin"));
    task.MaxAttempts = 2;
    task.RunDownload();
    EXPECT_TRUE(task.Succeeded);
    EXPECT_TRUE(FileExists(task.LocalFilePath));
    std::string protocol = Protocol();
    EXPECT_NE(protocol.find("Failed in call to InternetReadFile, dwBytesRead==0\n"), std::string::npos);
    EXPECT_NE(protocol.find("Downloaded files is already available - more Download is not requiered\n"),
              std::string::npos);
}

TEST_F(EngineTest, AbortBeforeTheStartOpensNothing) {
    Serve("abort-first.bin", 1000);
    RecordingTask task(L"/engine/abort-first.bin", LocalPath("abort-first.bin"));
    task.AbortRequested = true;
    task.RunDownload();
    EXPECT_EQ(task.Dones(), std::vector<WPARAM>{0});
    EXPECT_EQ(task.Shown(), std::vector<std::wstring>{L"<stop>"});
    EXPECT_EQ(task.InternetHandle, nullptr);
    EXPECT_TRUE(ServedRequests("/engine/abort-first.bin").empty());
}

TEST_F(EngineTest, AbortWhilePausingEndsWithoutAnotherAttempt) {
    Serve("abort-pause.bin", 1000);
    RecordingTask task(L"/status-500/engine/abort-pause.bin", LocalPath("abort-pause.bin"));
    task.RetryPause = 1000;
    std::thread worker([&] { task.RunDownload(); });
    ASSERT_TRUE(WaitUntil([&] { return task.HasShown(L"Reconneting... (#1)"); }, 10000));
    task.AbortRequested = true;
    worker.join();
    EXPECT_EQ(task.Dones(), std::vector<WPARAM>{0});
    EXPECT_EQ(ServedRequests("/engine/abort-pause.bin").size(), 2u);  // HEAD and GET of attempt 1
}

TEST_F(EngineTest, HoldPausesTheReadLoopAndCancelDuringHoldKeepsTheFile) {
    Serve("hold.bin", 150000);
    RecordingTask task(L"/slow-40000/engine/hold.bin", LocalPath("hold.bin"));
    std::thread worker([&] { task.RunDownload(); });
    ASSERT_TRUE(WaitUntil([&] { return task.ReceivedBytes > 10000; }, 15000));
    task.HoldRequested = true;
    ASSERT_TRUE(WaitUntil([&] { return task.HasShown(L"Download holded"); }, 5000));
    int64_t held = task.ReceivedBytes;
    Sleep(600);
    EXPECT_EQ(task.ReceivedBytes, held);  // nothing is read while held

    DWORD cancelled = GetTickCount();
    task.AbortRequested = true;
    worker.join();
    EXPECT_LT(GetTickCount() - cancelled, 8000u);
    EXPECT_FALSE(task.Succeeded);
    EXPECT_EQ(task.Dones().back(), 0u);
    std::vector<std::wstring> shown = task.Shown();
    auto heldAt = std::find(shown.begin(), shown.end(), L"Download holded");
    ASSERT_NE(heldAt, shown.end());
    EXPECT_EQ(*(heldAt + 1), L"<stop>");
    EXPECT_EQ(*(heldAt + 2), L"Retrieving the file");  // the wait ended by the abort
    // The file is closed and keeps what was written before the hold.
    HANDLE file = CreateFileW(task.LocalFilePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(int64_t(ReadFileBytes(task.LocalFilePath).size()), held);
}

TEST_F(EngineTest, StatusCallbackShowsItsFiveStatuses) {
    RecordingTask task(L"/x", L"x");
    const wchar_t host[] = L"download.tarvik.example";
    const char address[] = "127.0.0.1";
    const wchar_t url[] = L"http://download.tarvik.example/other.exe";
    auto context = reinterpret_cast<DWORD_PTR>(&task);
    OnInternetStatus(nullptr, context, INTERNET_STATUS_RESOLVING_NAME, (void*)host, sizeof(host));
    OnInternetStatus(nullptr, context, INTERNET_STATUS_NAME_RESOLVED, (void*)address, sizeof(address));
    OnInternetStatus(nullptr, context, INTERNET_STATUS_CONNECTING_TO_SERVER, (void*)address, sizeof(address));
    OnInternetStatus(nullptr, context, INTERNET_STATUS_CONNECTED_TO_SERVER, (void*)address, sizeof(address));
    OnInternetStatus(nullptr, context, INTERNET_STATUS_REDIRECT, (void*)url, sizeof(url));
    OnInternetStatus(nullptr, context, INTERNET_STATUS_CONNECTED_TO_SERVER, nullptr, 0);
    OnInternetStatus(nullptr, context, INTERNET_STATUS_REQUEST_SENT, (void*)host, sizeof(host));
    OnInternetStatus(nullptr, context, INTERNET_STATUS_RESPONSE_RECEIVED, nullptr, 0);
    EXPECT_EQ(task.Shown(), (std::vector<std::wstring>{
                                L"Resolving name: download.tarvik.example",
                                L"Resolved name to 127.0.0.1",
                                L"Connecting to 127.0.0.1",
                                L"Connected to 127.0.0.1",
                                L"Redirecting to http://download.tarvik.example/other.exe",
                                L"Connected to ",
                            }));
}

TEST_F(EngineTest, RecordFailureTexts) {
    RecordingTask task(L"/x", L"x");
    task.RecordFailure(0x71, 404);
    EXPECT_EQ(task.ErrorText, L"Failed to receive a valid HTTP response from the server");
    EXPECT_FALSE(task.NoReconnect);
    SetLastError(ERROR_ACCESS_DENIED);
    task.RecordFailure(0x7c, 0);
    EXPECT_EQ(task.ErrorText, L"An error occurred on creating the file, Error:5");
    task.RecordFailure(0x7a, -1);
    EXPECT_EQ(task.ErrorText, L"An error occurred while writing the file, Error:-1");
    task.RecordFailure(0x6f, 12029);
    EXPECT_TRUE(task.NoReconnect);
    EXPECT_EQ(task.ErrorText, L"No Internet connection!\n\nNo Internet connection was found.\nPlease check your "
                              L"Internet settings or firewall to allow\nthis Downloadmanager Internetaccess.\n\n"
                              L"An error occurred connecting to the server, Error:12029");
}

TEST_F(EngineTest, RangeHeaderCarriesTheWhole64BitStart) {
    Serve("range.bin", 1000);
    RecordingTask task(L"/engine/range.bin", L"unused");
    ASSERT_TRUE(task.OpenConnection());
    for (uint64_t start : {0ull, 4294967301ull}) {
        HttpFile request;
        ASSERT_TRUE(request.Open(task.ConnectionHandle, L"/engine/range.bin"));
        EXPECT_TRUE(request.DefRange(start));
        EXPECT_TRUE(request.Send());
        int status;
        EXPECT_TRUE(request.QueryStatusCode(status));
        EXPECT_EQ(status, start == 0 ? 206 : 416);
    }
    task.CloseConnection();
    Requests requests = ServedRequests("/engine/range.bin");
    // Recorded as each answer ends, which need not be the order they were asked in.
    std::vector<std::string> ranges;
    for (const auto& r : requests) ranges.push_back(r.Range);
    std::sort(ranges.begin(), ranges.end());
    EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-", "bytes=4294967301-"}));

    HttpFile closed;
    int status = 0;
    int64_t length = 5;
    EXPECT_FALSE(closed.QueryStatusCode(status));
    EXPECT_EQ(status, 999);
    EXPECT_FALSE(closed.QueryContentLength(length));
    EXPECT_EQ(length, 0);
    EXPECT_FALSE(closed.DefRange(0));
    EXPECT_FALSE(closed.Send());
    closed.Close();
}

}  // namespace

namespace {

// Every attempt fails: 98 of them, one second apart, then the failure.
TEST_F(EngineTest, FullAttemptLoopAgainstAFailingServer) {
    Serve("always-500.bin", 1000);
    RecordingTask task(L"/status-500/engine/always-500.bin", LocalPath("always-500.bin"));
    task.RetryPause = 1000;  // the shipped loop
    ASSERT_EQ(task.MaxAttempts, 98);
    DWORD started = GetTickCount();
    task.RunDownload();
    DWORD took = GetTickCount() - started;

    EXPECT_FALSE(task.Succeeded);
    EXPECT_EQ(task.Dones(), std::vector<WPARAM>{1});
    EXPECT_EQ(task.ErrorText, L"Failed to receive a valid HTTP response from the server");
    std::vector<std::wstring> reconnects;
    for (const auto& s : task.Shown())
        if (s.rfind(L"Reconneting", 0) == 0) reconnects.push_back(s);
    ASSERT_EQ(reconnects.size(), 98u);
    EXPECT_EQ(reconnects.front(), L"Reconneting... (#1)");
    EXPECT_EQ(reconnects.back(), L"Reconneting... (#98)");
    EXPECT_EQ(ServedRequests("/engine/always-500.bin").size(), 2u * 98);
    EXPECT_GE(took, 98000u);
    printf("98 attempts took %lu ms\n", took);
}

}  // namespace

namespace {

// A server that stops sending mid-body: the read gives up after the receive
// timeout, and the next attempt continues the file.
TEST_F(EngineTest, StalledBodyTimesOutAndIsContinued) {
    std::string bytes = Serve("stall.bin", 200000);
    RecordingTask task(L"/engine/stall.bin", LocalPath("stall.bin"));
    WriteFileBytes(task.LocalFilePath, bytes.substr(0, 1));  // made fresh, younger than the remote date
    task.ObjectPath = L"/stall-50000/engine/stall.bin";
    task.ReceiveTimeout = 2000;
    task.MaxAttempts = 1;
    DWORD started = GetTickCount();
    task.RunDownload();
    DWORD took = GetTickCount() - started;
    EXPECT_FALSE(task.Succeeded);
    EXPECT_EQ(task.ErrorText.rfind(L"An error occurred while downloading the file, Error:", 0), 0u);
    EXPECT_GE(took, 2000u);
    EXPECT_LT(took, 10000u);
    printf("a stalled read gave up after %lu ms (receive timeout 2000 ms)\n", took);
    size_t kept = ReadFileBytes(task.LocalFilePath).size();
    EXPECT_GT(kept, 40000u);  // what arrived before the stall, less what WinINet still held

    RecordingTask next(L"/engine/stall.bin", task.LocalFilePath);
    next.RunDownload();
    EXPECT_TRUE(next.Succeeded);
    EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
    EXPECT_EQ(ServedRequests("/engine/stall.bin").back().Range, "bytes=" + std::to_string(kept) + "-");
}

}  // namespace
