// What the download dialog and its worker thread share. One side writes each
// field and the other polls it; every field both threads touch is atomic, and
// no lock is taken.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "Framework.h"
#include "ProgressCounters.h"
#include "TransferRules.h"

// Posted by the worker to the dialog: wParam 1 = failed and not aborted (the
// dialog shows ErrorText), 0 = succeeded or aborted. May arrive twice.
const UINT WM_DOWNLOAD_DONE = WM_APP + 1;

class CWinThread;

struct TransferState : ProgressCounters {
    std::wstring DownloadUrl;
    std::wstring LocalFilePath;
    std::wstring ErrorText;  // read by the dialog only after the last WM_DOWNLOAD_DONE
    std::wstring ServerName;
    std::wstring ObjectPath;
    std::wstring RemoteFileName;
    INTERNET_PORT ServerPort = 0;
    DWORD ServiceType = 0;
    HINTERNET InternetHandle = nullptr;
    HINTERNET ConnectionHandle = nullptr;

    std::atomic<bool> AbortRequested{false};
    // No further attempt: the server cannot be reached at all (set by
    // RecordFailure), or the user cancelled the proxy's login.
    std::atomic<bool> NoReconnect{false};
    std::atomic<bool> Finished{false};
    std::atomic<bool> Succeeded{false};
    CWinThread* WorkerThread = nullptr;

    // An https URL: InternetConnect takes the HTTP service, and every request
    // adds INTERNET_FLAG_SECURE (with the platform's full certificate checks).
    bool SecureService() const { return ServiceType == AFX_INET_SERVICE_HTTPS; }
    DWORD ConnectService() const { return SecureService() ? DWORD(INTERNET_SERVICE_HTTP) : ServiceType; }

    void ResetProgress(int64_t total, int64_t start) { ProgressCounters::ResetProgress(total, start, GetTickCount()); }

    // The failure that ends an attempt: ErrorText becomes the text of `textKey`
    // with the code (0: the thread's last error) as %1; error 12029 also means
    // the server cannot be reached at all (NoReconnect, the no-Internet text).
    void RecordFailure(int textKey, int code);
};
