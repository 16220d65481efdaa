#include "DownloadTask.h"

#include <cstring>
#include <cwchar>

#include "Format.h"
#include "Language.h"
#include "ProtocolLog.h"

namespace {
const wchar_t UserAgent[] = L"Tarvik-Download-Manager";
}  // namespace

UINT DownloadThreadProc(LPVOID task) {
    static_cast<DownloadTask*>(task)->RunDownload();
    return 0;
}

void DownloadTask::RunDownload() {
    for (int attempt = 1; attempt <= MaxAttempts; ++attempt) {
        if (AbortRequested || NoReconnect) break;
        CloseConnection();
        if (OpenConnection()) {
            StartAnimation();
            FileFacts remote;
            if (QueryRemoteFile(ObjectPath, remote)) {
                if (TransferFile(ObjectPath, LocalFilePath, remote)) {
                    Succeeded = true;
                    break;
                }
                if (AbortRequested || NoReconnect) break;
            }
        }
        Connecting = true;
        ProgressShown = false;
        ShowStatusText(FormatText(L"Reconneting... (#%d)", attempt).c_str());
        StopAnimation();
        Sleep(RetryPause);
    }
    StopAnimation();
    PostDownloadDone(!Succeeded && !AbortRequested ? 1 : 0);
}

bool DownloadTask::OpenConnection() {
    InternetHandle = InternetOpenW(UserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!InternetHandle) {
        LogEvent(L"Failed in call to InternetOpen, Error:%d", int(GetLastError()));
        RecordFailure(0x6e, 0);
        return false;
    }
    if (AbortRequested) {
        PostDownloadDone(0);
        return false;
    }
    if (InternetSetStatusCallbackW(InternetHandle, OnInternetStatus) == INTERNET_INVALID_STATUS_CALLBACK) {
        LogEvent(L"Failed in call to InternetSetStatusCallback, Error:%d", int(GetLastError()));
        RecordFailure(0x6e, 0);
        return false;
    }
    if (AbortRequested) {
        PostDownloadDone(0);
        return false;
    }
    ConnectionHandle = InternetConnectW(InternetHandle, ServerName.c_str(), ServerPort, nullptr, nullptr,
                                        ConnectService(), 0, reinterpret_cast<DWORD_PTR>(this));
    if (!ConnectionHandle) {
        LogEvent(L"Failed in call to InternetConnect, Error:%d", int(GetLastError()));
        RecordFailure(0x6f, 0);
        return false;
    }
    // Requests take their timeouts from the connection (Wine ignores them on the root).
    InternetSetOptionW(ConnectionHandle, INTERNET_OPTION_RECEIVE_TIMEOUT, &ReceiveTimeout, sizeof(ReceiveTimeout));
    if (AbortRequested) {
        PostDownloadDone(0);
        return false;
    }
    Connecting = false;
    ProgressShown = false;
    return true;
}

void DownloadTask::CloseConnection() {
    if (ConnectionHandle) {
        InternetCloseHandle(ConnectionHandle);
        ConnectionHandle = nullptr;
    }
    if (InternetHandle) {
        InternetCloseHandle(InternetHandle);
        InternetHandle = nullptr;
    }
}

namespace {

// The status information as text. Wine hands the server address of statuses
// 11, 20 and 21 over as an ANSI string and the host and URL of 10 and 110 as
// wide strings; neither is read past the length given.
std::wstring StatusInformation(DWORD status, LPVOID info, DWORD length) {
    if (!info || length == 0) return std::wstring();
    if (status == INTERNET_STATUS_NAME_RESOLVED || status == INTERNET_STATUS_CONNECTING_TO_SERVER ||
        status == INTERNET_STATUS_CONNECTED_TO_SERVER) {
        const char* text = static_cast<const char*>(info);
        int units = int(strnlen(text, length));
        std::wstring wide(size_t(units), L'\0');
        wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, text, units, &wide[0], units)));
        return wide;
    }
    const wchar_t* text = static_cast<const wchar_t*>(info);
    return std::wstring(text, wcsnlen(text, length));
}

}  // namespace

void CALLBACK OnInternetStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    int textKey;
    switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME: textKey = 0x68; break;
    case INTERNET_STATUS_NAME_RESOLVED: textKey = 0x69; break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER: textKey = 0x6a; break;
    case INTERNET_STATUS_CONNECTED_TO_SERVER: textKey = 0x67; break;
    case INTERNET_STATUS_REDIRECT: textKey = 0x6b; break;
    default: return;
    }
    auto* task = reinterpret_cast<DownloadTask*>(context);
    if (task) task->ShowStatusWith(textKey, StatusInformation(status, info, length).c_str());
}
