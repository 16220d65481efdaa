// The download worker: up to 98 attempts, each with a fresh Internet handle
// and connection, learning the remote file's facts and then fetching it,
// resuming a partly loaded local file where the rules allow.
//
// The worker runs on its own thread and reports through the five operations
// below, which the window that owns the download provides: each changes a
// control on the window's thread and returns when it has. At its end the
// worker posts WM_DOWNLOAD_DONE through PostDownloadDone. A proxy that asks
// for a login gets the user's through AskProxyLogin.
#pragma once

#include <string>

#include "HttpFile.h"
#include "TransferState.h"

class DownloadTask : public TransferState {
public:
    virtual ~DownloadTask() = default;

    virtual void ShowStatus(int textKey) = 0;
    virtual void ShowStatusWith(int textKey, const wchar_t* argument) = 0;
    virtual void ShowStatusText(const wchar_t* text) = 0;
    virtual void StartAnimation() = 0;
    virtual void StopAnimation() = 0;
    virtual void PostDownloadDone(WPARAM failed) = 0;
    // The proxy answered the request with 407: asks the user for its login and
    // leaves it on the request (the system's own dialog). True when the user
    // gave one, false when the user cancelled.
    virtual bool AskProxyLogin(HINTERNET request) = 0;

    // The attempt loop; ends by posting WM_DOWNLOAD_DONE.
    void RunDownload();
    bool OpenConnection();
    void CloseConnection();

    bool QueryRemoteFile(const std::wstring& objectPath, FileFacts& remote);
    bool ReadRemoteFacts(HttpFile& request, FileFacts& remote);
    bool TransferFile(const std::wstring& objectPath, const std::wstring& localPath, const FileFacts& remote);

    // The shipped values; tests of the loop may shorten them.
    int MaxAttempts = 98;
    DWORD RetryPause = 1000;
    // Windows' own default for a socket receive. Wine's WinINet has none, and a
    // stalled server would hold a read, and with it Cancel, for good.
    DWORD ReceiveTimeout = 30000;

private:
    // Opens and sends a request and reads its status; a proxy's 407 gets the
    // user's login and a new request, for as long as the user gives one.
    // False (failure recorded) when it cannot be sent or the login is
    // cancelled. The first request logs an abort; a range (`ranged`, from
    // `from`) is dropped when its header cannot be added.
    bool SendRequest(HttpFile& request, const std::wstring& objectPath, const wchar_t* verb, bool first,
                     bool& ranged, int64_t from, int& status);
    bool OpenLocalFile(HANDLE& file, const std::wstring& localPath, bool resume, int64_t& localSize);
    bool ReadBody(HttpFile& request, HANDLE file);

    // A 206 answer that did not continue the local file: the next attempt
    // starts the file again instead of asking for a range once more.
    bool RangesUntrusted = false;
    // The proxy's login once the user has given it: every later request of
    // this download carries it, so the user is asked again only when the
    // proxy turns it down.
    ProxyLogin Login;
};

// The thread procedure: the argument is the DownloadTask.
UINT DownloadThreadProc(LPVOID task);

// The WinINet status callback; the context is the DownloadTask.
void CALLBACK OnInternetStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD length);

// Whether a local file exists, and its size and creation time.
bool ReadLocalFacts(const std::wstring& path, FileFacts& local);

// Seconds since 1970 now, and a time value as "%Y-%m-%d %H:%M:%S" local time.
int64_t CurrentTime();
std::wstring FormatTimeValue(int64_t time);
