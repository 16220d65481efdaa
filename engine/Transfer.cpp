#include "DownloadTask.h"

#include "Format.h"
#include "ProtocolLog.h"

namespace {

const DWORD BlockSize = 4096;
const DWORD HoldPoll = 100;

int64_t TimeFromFileTime(const FILETIME& ft) {
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    if (t.QuadPart == 0) return 0;
    return int64_t(t.QuadPart / 10000000ULL) - 11644473600LL;
}

int LastError() { return int(GetLastError()); }

// Whether an answer carries both facts in a form ReadRemoteFacts accepts.
bool HasRemoteFacts(HttpFile& request) {
    int64_t length, time;
    std::wstring date;
    return request.QueryContentLength(length) && length >= 0 && request.QueryLastModified(date) &&
           ParseHttpDate(date, time);
}

// Closes the local file on every way out of the transfer.
struct LocalFile {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    ~LocalFile() { Close(); }
    void Close() {
        if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
        Handle = INVALID_HANDLE_VALUE;
    }
};

}  // namespace

int64_t CurrentTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return TimeFromFileTime(now);
}

std::wstring FormatTimeValue(int64_t time) {
    ULARGE_INTEGER t;
    t.QuadPart = uint64_t(time + 11644473600LL) * 10000000ULL;
    FILETIME utc = {t.LowPart, t.HighPart}, local;
    SYSTEMTIME s;
    if (time < 0 || !FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &s)) return std::wstring();
    return FormatText(L"%04d-%02d-%02d %02d:%02d:%02d", s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond);
}

bool ReadLocalFacts(const std::wstring& path, FileFacts& local) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    local.Size = int64_t((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    local.Time = TimeFromFileTime(data.ftCreationTime);
    LogFormat(L"%s: %I64dBytes %s", path.c_str(), local.Size, FormatTimeValue(local.Time).c_str());
    return true;
}

bool DownloadTask::QueryRemoteFile(const std::wstring& objectPath, FileFacts& remote) {
    LogFormat(L"Connecting %s...", objectPath.c_str());
    // HEAD first: it moves no body. Closing a GET whose body was not read
    // makes WinINet read that body to its end before the real download starts.
    HttpFile head;
    bool ranged = false;
    int status;
    if (!SendRequest(head, objectPath, L"HEAD", true, ranged, 0, status)) return false;
    if (status == 200 && HasRemoteFacts(head)) return ReadRemoteFacts(head, remote);

    // A server that refuses HEAD, or answers it without the facts: the GET
    // is judged as it stands.
    LogFormat(L"HEAD gets %d - asking with GET", status);
    head.Close();
    HttpFile request;
    if (!SendRequest(request, objectPath, nullptr, true, ranged, 0, status)) return false;
    if (status != 200) {
        LogEvent(L"Failed to retrieve a HTTP 200 status, Status Code:%d", status);
        RecordFailure(0x71, status);
        return false;
    }
    return ReadRemoteFacts(request, remote);
}

bool DownloadTask::SendRequest(HttpFile& request, const std::wstring& objectPath, const wchar_t* verb, bool first,
                               bool& ranged, int64_t from, int& status) {
    for (;;) {
        if (!request.Open(ConnectionHandle, objectPath.c_str(), verb, SecureService())) {
            LogEvent(L"Failed in call to HttpOpenRequest, Error:%d", LastError());
            RecordFailure(0x6f, 0);
            return false;
        }
        if (AbortRequested) {
            if (first) LogEvent(L"Aborting...");
            PostDownloadDone(0);
            return false;
        }
        if (!Login.Empty()) request.SetProxyLogin(Login);
        if (ranged && !request.DefRange(uint64_t(from))) {
            LogEvent(L"Failed in HttpFile.DefRange, Error:%d", LastError());
            ranged = false;
        }
        if (!request.Send()) {
            LogEvent(L"Failed in call to HttpSendRequest, Error:%d", LastError());
            RecordFailure(0x6f, 0);
            return false;
        }
        request.QueryStatusCode(status);
        if (status != HTTP_STATUS_PROXY_AUTH_REQ) return true;

        LogEvent(L"Proxy authentication required, Status Code:%d", status);
        if (AbortRequested) {  // cancelled while the proxy answered: no login to ask for
            PostDownloadDone(0);
            return false;
        }
        if (!AskProxyLogin(request.Handle())) {
            LogEvent(L"Failed to retrieve a HTTP 200 status, Status Code:%d", status);
            RecordFailure(0x71, status);
            NoReconnect = true;  // each further attempt would only ask again
            return false;
        }
        request.QueryProxyLogin(Login);
        // Sent again on a new request that carries the login: Wine's WinINet
        // sends an https request given again without a new CONNECT.
    }
}

bool DownloadTask::ReadRemoteFacts(HttpFile& request, FileFacts& remote) {
    // A negative length would end the read loop after one block, as if complete.
    if (!request.QueryContentLength(remote.Size) || remote.Size < 0) {
        LogEvent(L"Failed to retrieve a Content-Length.");
        RecordFailure(0x86, 0);
        return false;
    }
    std::wstring date;
    if (!request.QueryLastModified(date) || !ParseHttpDate(date, remote.Time)) {
        LogEvent(L"Failed to retrieve a Last-Modified.");
        RecordFailure(0x87, 0);
        return false;
    }
    LogFormat(L"Url: %I64dBytes %s", remote.Size, FormatTimeValue(remote.Time).c_str());
    return true;
}

bool DownloadTask::TransferFile(const std::wstring& objectPath, const std::wstring& localPath,
                                const FileFacts& remote) {
    FileFacts local;
    bool exists = ReadLocalFacts(localPath, local);
    ResumeDecision decision = DecideResume(exists, local, remote, CurrentTime());
    switch (decision) {
    case ResumeDecision::NoLocalFile: LogFormat(L"%s: not exists", localPath.c_str()); break;
    case ResumeDecision::RemoteIsNewer: LogLine(L"URL is newer - start download from beginning"); break;
    case ResumeDecision::RemoteIsSmaller: LogLine(L"URL is smaller - start download from beginning"); break;
    case ResumeDecision::LocalIsTooOld:
        LogLine(L"Local file is older more 5 dayes - start download from beginning");
        break;
    case ResumeDecision::AlreadyComplete:
        LogLine(L"Downloaded files is already available - more Download is not requiered");
        return true;
    case ResumeDecision::Continue: break;
    }
    bool resume = !StartsAgain(decision);
    if (resume && RangesUntrusted) {
        LogLine(L"The host answered a range with another part of the file - start download from beginning");
        resume = false;
    }

    HttpFile request;
    int status;
    if (!SendRequest(request, objectPath, nullptr, false, resume, local.Size, status)) return false;
    if (resume && status == 200) {
        LogFormat(L"QueryStatusCode gets %d - append is unsupported by the host", status);
        resume = false;
    } else if (resume ? status != 206 : status != 200) {
        LogEvent(L"Failed to retrieve a HTTP 200 status, Status Code:%d", status);
        RecordFailure(0x71, status);
        return false;
    }
    if (resume) {
        // A 206: appending a part that starts elsewhere would corrupt the local file.
        std::wstring range;
        if (!request.QueryContentRange(range) || !RangeContinuesFile(range, local.Size, remote.Size)) {
            LogEvent(L"Failed to retrieve a range continuing at %I64d, Content-Range:%s", local.Size, range.c_str());
            RecordFailure(0x71, status);
            RangesUntrusted = true;
            return false;
        }
    }
    ShowStatus(0x6c);

    LocalFile file;
    int64_t start = local.Size;  // OpenLocalFile sets it to 0 for a new file
    if (!OpenLocalFile(file.Handle, localPath, resume, start)) return false;
    ShowStatus(0x74);
    ResetProgress(remote.Size, start);

    if (!ReadBody(request, file.Handle)) return false;
    TotalBytes = 0;
    file.Close();
    request.Close();
    return !AbortRequested;
}

bool DownloadTask::OpenLocalFile(HANDLE& file, const std::wstring& localPath, bool resume, int64_t& localSize) {
    if (resume) {
        LogFormat(L"Open file for append %s", localPath.c_str());
        file = CreateFileW(localPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            int error = LastError();
            LogEvent(L"Failed to open the file to download into, Error:%d", error);
            RecordFailure(0x7e, error);
            return false;
        }
        LARGE_INTEGER to, reached;
        to.QuadPart = localSize;
        if (!SetFilePointerEx(file, to, &reached, FILE_BEGIN) || reached.QuadPart != localSize) {
            int error = LastError();
            LogEvent(L"Failed to seek, Error:%d", error);
            RecordFailure(0x85, error);
            return false;
        }
        return true;
    }
    localSize = 0;
    DeleteFileW(localPath.c_str());
    LogFormat(L"Create new file %s", localPath.c_str());
    file = CreateFileW(localPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        int error = LastError();
        LogEvent(L"Failed to open the file to download into, Error:%d", error);
        RecordFailure(0x7c, error);
        return false;
    }
    // File-system tunnelling may hand a file created again at once the
    // creation time of the one it replaces; the resume rules judge by it.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    SetFileTime(file, &now, nullptr, nullptr);
    return true;
}

bool DownloadTask::ReadBody(HttpFile& request, HANDLE file) {
    char buffer[BlockSize];
    for (;;) {
        if (HoldRequested) {
            ProgressShown = false;
            ShowStatus(0x88);
            StopAnimation();
            while (HoldRequested && !AbortRequested) Sleep(HoldPoll);
            ShowStatus(0x74);
            StartAnimation();
        }
        DWORD read = 0;
        if (!request.Read(buffer, BlockSize, read)) {
            LogEvent(L"Failed in call to InternetReadFile, Error:%d", LastError());
            RecordFailure(0x72, 0);
            return false;
        }
        if (read == 0) {
            LogEvent(L"Failed in call to InternetReadFile, dwBytesRead==0");
            RecordFailure(0x72, 0);
            return false;
        }
        if (!AbortRequested) {
            DWORD written = 0;
            BOOL ok = WriteFile(file, buffer, read, &written, nullptr);
            if (!ok || written != read) {
                int error = ok ? -1 : LastError();
                LogEvent(L"An exception occured while writing to the download file, Error:%d", error);
                RecordFailure(0x7a, error);
                TotalBytes = 0;
                return false;
            }
            ReceivedBytes += read;
            ProgressShown = false;
        }
        if (ReceivedBytes >= TotalBytes || AbortRequested) return true;
    }
}
