// The engine over https and behind a proxy that asks for a login, against
// Debian's nginx and squid (tests/server/realservers.py runs them for this
// process): real certificate checks, real 407 answers.
#include "EngineFixture.h"

namespace {

using Requests = std::vector<ServedRequest>;

const char* const ServerLog = "REAL_SERVER_LOG";

std::string Env(const char* variable) {
    const char* value = getenv(variable);
    return value ? value : "";
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class RealServerTest : public testing::Test {
protected:
    // A file served at /tls/<name>, last modified a day ago.
    std::string Serve(const std::string& name, size_t size) {
        std::wstring folder = WinePath("REAL_SERVER_ROOT") + L"\\tls";
        CreateDirectoryW(folder.c_str(), nullptr);
        std::string bytes = Content(size, unsigned(size * 3 + name.size()));
        std::wstring path = folder + L"\\" + Wide(name);
        WriteFileBytes(path, bytes);
        SetFileAge(path, CurrentTime() - 86400);
        return bytes;
    }
    std::wstring LocalPath(const std::string& name) { return WinePath("REAL_WORK") + L"\\" + Wide(name); }

    // The next InternetOpen of this process takes squid's port in the variable.
    static void UseProxy(const char* variable) {
        ASSERT_FALSE(Env(variable).empty()) << variable;
        SetEnvironmentVariableA("http_proxy", Env(variable).c_str());
    }

    // /tls/<name> of the host, over https (port 443) or http.
    static void Aim(RecordingTask& task, const wchar_t* host, bool secure) {
        task.ServerName = host;
        task.ServerPort = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
        task.ServiceType = secure ? AFX_INET_SERVICE_HTTPS : INTERNET_SERVICE_HTTP;
    }

    size_t protocolStart = ReadProtocolFile().size();
    std::string Protocol() { return ProtocolSince(protocolStart); }
};

TEST_F(RealServerTest, HttpsDownloadThroughTheProxyIsByteIdenticalAndResumes) {
    UseProxy("REAL_PROXY_OPEN");
    const struct {
        const char* Name;
        size_t LocalSize;  // a fresh partial file of the remote content; 0: none
        const char* Range;
        int Status;
    } cases[] = {{"fresh.bin", 0, "", 200}, {"resumed.bin", 123456, "bytes=123456-", 206}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string bytes = Serve(c.Name, 400000);
        RecordingTask task(Wide(std::string("/tls/") + c.Name), LocalPath(c.Name));
        Aim(task, L"download.tarvik.example", true);
        if (c.LocalSize) WriteFileBytes(task.LocalFilePath, bytes.substr(0, c.LocalSize));
        task.RunDownload();

        EXPECT_TRUE(task.Succeeded);
        EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
        Requests requests = ServedRequests(std::string("/tls/") + c.Name, ServerLog);
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].Method, "HEAD");
        EXPECT_EQ(requests[1].Method, "GET");
        EXPECT_EQ(requests[1].Range, c.Range);
        EXPECT_EQ(requests[1].Status, c.Status);
        EXPECT_EQ(task.LoginsAsked, 0);
    }
}

// Every attempt ends at the send with the platform's error code; no byte
// reaches the local file and no request reaches the server.
TEST_F(RealServerTest, BadCertificatesFailEveryAttempt) {
    UseProxy("REAL_PROXY_OPEN");
    const struct {
        const wchar_t* Host;
        int Error;
    } cases[] = {
        {L"untrusted.tarvik.example", 12057},  // Wine's code for an unknown authority; Windows gives 12045
        {L"wrong-name.tarvik.example", ERROR_INTERNET_SEC_CERT_CN_INVALID},  // 12038
        {L"expired.tarvik.example", ERROR_INTERNET_SEC_CERT_DATE_INVALID},   // 12037
    };
    for (const auto& c : cases) {
        std::string host(c.Host, c.Host + wcslen(c.Host));
        SCOPED_TRACE(host);
        std::string name = host.substr(0, host.find('.')) + ".bin";
        Serve(name, 10000);
        RecordingTask task(Wide("/tls/" + name), LocalPath(name));
        Aim(task, c.Host, true);
        task.MaxAttempts = 3;
        size_t from = ReadProtocolFile().size();
        task.RunDownload();

        std::string written = ProtocolSince(from);
        EXPECT_FALSE(task.Succeeded);
        EXPECT_EQ(task.Dones(), std::vector<WPARAM>{1});
        std::string line = "Failed in call to HttpSendRequest, Error:" + std::to_string(c.Error) + "\n";
        EXPECT_EQ(Count(written, line), 3u) << written;
        EXPECT_EQ(task.ErrorText, L"An error occurred connecting to the server, Error:" + std::to_wstring(c.Error));
        EXPECT_TRUE(task.HasShown(L"Reconneting... (#3)"));
        EXPECT_FALSE(FileExists(task.LocalFilePath));
        EXPECT_TRUE(ServedRequests("/tls/" + name, ServerLog).empty());
    }
}

// squid asks for a login; the recorded user gives the logins listed (then
// cancels), over http and over https (CONNECT).
TEST_F(RealServerTest, ProxyLogin) {
    UseProxy("REAL_PROXY_LOGIN");
    const std::wstring user = Wide(Env("REAL_PROXY_USER")), password = Wide(Env("REAL_PROXY_PASSWORD"));
    // Each case has a host name of its own: WinINet keeps a logged-in tunnel
    // for the next request to the same host.
    const struct {
        const char* Name;
        const wchar_t* Host;
        bool Secure;
        std::vector<std::pair<std::wstring, std::wstring>> Logins;
        bool Completes;
        int Asked;
    } cases[] = {
        {"login-http.bin", L"host-1.tarvik.example", false, {{user, password}}, true, 1},
        {"login-https.bin", L"host-2.tarvik.example", true, {{user, password}}, true, 1},
        {"wrong-first-http.bin", L"host-3.tarvik.example", false, {{user, L"wrong"}, {user, password}}, true, 2},
        {"wrong-first-https.bin", L"host-4.tarvik.example", true,
         {{user, L"wrong"}, {L"nobody", password}, {user, password}}, true, 3},
        {"cancel-http.bin", L"host-5.tarvik.example", false, {}, false, 1},
        {"cancel-https.bin", L"host-6.tarvik.example", true, {{user, L"wrong"}}, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string bytes = Serve(c.Name, 150000);
        RecordingTask task(Wide(std::string("/tls/") + c.Name), LocalPath(c.Name));
        Aim(task, c.Host, c.Secure);
        task.Logins = c.Logins;
        size_t from = ReadProtocolFile().size();
        task.RunDownload();

        std::string written = ProtocolSince(from);
        EXPECT_EQ(task.LoginsAsked, c.Asked);
        EXPECT_EQ(Count(written, "Proxy authentication required, Status Code:407\n"), size_t(c.Asked)) << written;
        EXPECT_EQ(written.find(Env("REAL_PROXY_PASSWORD")), std::string::npos);
        EXPECT_EQ(written.find(Env("REAL_PROXY_USER")), std::string::npos);
        EXPECT_EQ(task.Succeeded, c.Completes);
        if (c.Completes) {
            EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
            continue;
        }
        // A cancelled login ends the download: one attempt, no further dialog.
        EXPECT_TRUE(task.NoReconnect);
        EXPECT_EQ(task.Dones(), std::vector<WPARAM>{1});
        EXPECT_EQ(task.ErrorText, L"Failed to receive a valid HTTP response from the server");
        EXPECT_NE(written.find("Failed to retrieve a HTTP 200 status, Status Code:407\n"), std::string::npos);
        EXPECT_TRUE(task.HasShown(L"Reconneting... (#1)"));
        EXPECT_FALSE(task.HasShown(L"Reconneting... (#2)"));
        EXPECT_FALSE(FileExists(task.LocalFilePath));
        EXPECT_TRUE(ServedRequests(std::string("/tls/") + c.Name, ServerLog).empty());
    }
}

// A proxy that lets the HEAD pass and asks for a login for the GET: the
// transfer's own request asks the user, and sends its range again with it.
TEST_F(RealServerTest, ProxyLoginForTheTransferRequest) {
    UseProxy("REAL_PROXY_GET_LOGIN");
    std::string bytes = Serve("get-login.bin", 200000);
    RecordingTask task(L"/tls/get-login.bin", LocalPath("get-login.bin"));
    Aim(task, L"download.tarvik.example", false);
    WriteFileBytes(task.LocalFilePath, bytes.substr(0, 50000));
    task.Logins = {{Wide(Env("REAL_PROXY_USER")), Wide(Env("REAL_PROXY_PASSWORD"))}};
    task.RunDownload();

    EXPECT_TRUE(task.Succeeded);
    EXPECT_EQ(task.LoginsAsked, 1);
    EXPECT_EQ(ReadFileBytes(task.LocalFilePath), bytes);
    EXPECT_FALSE(task.HasShown(L"Reconneting... (#1)"));
    Requests requests = ServedRequests("/tls/get-login.bin", ServerLog);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Method, "HEAD");
    EXPECT_EQ(requests[1].Range, "bytes=50000-");
    EXPECT_EQ(requests[1].Status, 206);
}

}  // namespace
