// The engine against the real WinINet and a test server of its own (see
// tools/with-test-server): a task that records what the worker shows, files
// to serve, and the server's record of what it sent.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "DownloadTask.h"
#include "Language.h"
#include "ProtocolFile.h"

// A Unix path of the environment, as Wine sees it (drive Z: is the root).
inline std::wstring WinePath(const char* variable) {
    const char* unix = getenv(variable);
    std::wstring path = L"Z:";
    for (const char* p = unix ? unix : ""; *p; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
    return path;
}

inline std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

inline FILETIME FileTimeOf(int64_t time) {
    ULARGE_INTEGER t;
    t.QuadPart = uint64_t(time + 11644473600LL) * 10000000ULL;
    return FILETIME{t.LowPart, t.HighPart};
}

// Under Wine the creation time reads as the last write time, which is the
// one a test can set.
inline void SetFileAge(const std::wstring& path, int64_t time) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME ft = FileTimeOf(time);
    SetFileTime(file, &ft, &ft, &ft);
    CloseHandle(file);
}

inline std::string Content(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = char(x >> 16);
    }
    return bytes;
}

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// What the worker shows, recorded instead of a dialog.
class RecordingTask : public DownloadTask {
public:
    RecordingTask(const std::wstring& objectPath, const std::wstring& localPath) {
        ServerName = L"download.tarvik.example";
        ServerPort = INTERNET_DEFAULT_HTTP_PORT;
        ServiceType = INTERNET_SERVICE_HTTP;
        ObjectPath = objectPath;
        LocalFilePath = localPath;
        RetryPause = 0;
    }

    void ShowStatus(int key) override { Record(LookupText(key)); }
    void ShowStatusWith(int key, const wchar_t* argument) override { Record(LoadText(key, argument)); }
    void ShowStatusText(const wchar_t* text) override { Record(text); }
    void StartAnimation() override { Record(L"<play>"); }
    void StopAnimation() override { Record(L"<stop>"); }
    void PostDownloadDone(WPARAM failed) override {
        std::lock_guard<std::mutex> lock(mutex_);
        dones_.push_back(failed);
    }
    // Stands in for the login dialog: the next of Logins (user, password) is
    // left on the request as the dialog leaves it; none left: Cancel.
    bool AskProxyLogin(HINTERNET request) override {
        ++LoginsAsked;
        Record(L"<login>");
        if (Logins.empty()) return false;
        auto login = Logins.front();
        Logins.erase(Logins.begin());
        InternetSetOptionW(request, INTERNET_OPTION_PROXY_USERNAME, &login.first[0], DWORD(login.first.size()));
        InternetSetOptionW(request, INTERNET_OPTION_PROXY_PASSWORD, &login.second[0], DWORD(login.second.size()));
        return true;
    }
    std::vector<std::pair<std::wstring, std::wstring>> Logins;
    int LoginsAsked = 0;

    std::vector<std::wstring> Shown() {
        std::lock_guard<std::mutex> lock(mutex_);
        return shown_;
    }
    std::vector<WPARAM> Dones() {
        std::lock_guard<std::mutex> lock(mutex_);
        return dones_;
    }
    bool HasShown(const std::wstring& text) {
        for (const auto& s : Shown())
            if (s == text) return true;
        return false;
    }

private:
    void Record(const std::wstring& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.push_back(text);
    }
    std::mutex mutex_;
    std::vector<std::wstring> shown_;
    std::vector<WPARAM> dones_;
};

// One request as the test server recorded it.
struct ServedRequest {
    std::string Method, File, Range;
    int Status = 0;
    long long BodyBytes = 0;
    double Time = 0;  // when the server read the request
};

// The record is a JSON line a request, in the file the variable names.
inline std::vector<ServedRequest> ReadServedRequests(const std::string& file,
                                                     const char* logVariable = "TEST_SERVER_LOG") {
    std::vector<ServedRequest> requests;
    std::ifstream in(WinePath(logVariable).c_str());
    auto field = [](const std::string& line, const char* name) {
        std::smatch m;
        std::regex pattern(std::string("\"") + name + R"(\":\s*(\"([^\"]*)\"|(-?[\d.]+)|null))");
        if (!std::regex_search(line, m, pattern)) return std::string();
        return m[2].matched ? m[2].str() : m[3].str();
    };
    for (std::string line; std::getline(in, line);) {
        if (field(line, "file") != file) continue;
        ServedRequest r;
        r.Method = field(line, "method");
        r.File = file;
        r.Range = field(line, "range");
        std::string status = field(line, "status");
        r.Status = status.empty() ? 0 : std::stoi(status);
        std::string body = field(line, "body_bytes");
        r.BodyBytes = body.empty() ? 0 : std::stoll(body);
        std::string time = field(line, "time");
        r.Time = time.empty() ? 0 : std::stod(time);
        requests.push_back(r);
    }
    // Recorded as each answer ends: the order they were asked in is their start time.
    std::stable_sort(requests.begin(), requests.end(),
                     [](const ServedRequest& a, const ServedRequest& b) { return a.Time < b.Time; });
    return requests;
}

// The server records a request once it has sent the answer, which may be a
// moment after the client has read it: wait until the record stands still.
inline std::vector<ServedRequest> ServedRequests(const std::string& file,
                                                 const char* logVariable = "TEST_SERVER_LOG") {
    std::vector<ServedRequest> requests = ReadServedRequests(file, logVariable);
    for (int i = 0; i < 20; ++i) {
        Sleep(100);
        std::vector<ServedRequest> again = ReadServedRequests(file, logVariable);
        if (again.size() == requests.size()) break;
        requests = again;
    }
    return requests;
}

class EngineTest : public testing::Test {
protected:
    // A file served at /<faults>/engine/<name>, last modified a day ago.
    std::string Serve(const std::string& name, size_t size, int64_t modified = 0) {
        std::wstring folder = WinePath("TEST_SERVER_ROOT") + L"\\engine";
        CreateDirectoryW(folder.c_str(), nullptr);
        std::string bytes = Content(size, unsigned(size + name.size()));
        std::wstring path = folder + L"\\" + Wide(name);
        WriteFileBytes(path, bytes);
        SetFileAge(path, modified ? modified : CurrentTime() - 86400);
        return bytes;
    }
    std::wstring LocalPath(const std::string& name) { return WinePath("TEST_WORK") + L"\\" + Wide(name); }

    size_t protocolStart = ReadProtocolFile().size();
    std::string Protocol() { return ProtocolSince(protocolStart); }
};
