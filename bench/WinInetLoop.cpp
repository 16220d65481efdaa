// wininet_loop URL FILE
// The ceiling of a download on this platform: the WinINet calls the program
// makes for its GET (through the configured proxy, the same request flags)
// and the same 4096-byte reads, each block written to FILE, and nothing else.
// Prints the bytes received.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fwprintf(stderr, L"usage: wininet_loop URL FILE\n");
        return 1;
    }
    wchar_t host[256], path[2048];
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    if (!InternetCrackUrlW(argv[1], 0, 0, &parts)) return 2;

    const DWORD flags =
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES;
    HINTERNET session = InternetOpenW(L"wininet_loop", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection =
        session ? InternetConnectW(session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0) : nullptr;
    const wchar_t* accept[] = {L"*/*", nullptr};
    HINTERNET request =
        connection ? HttpOpenRequestW(connection, L"GET", path, nullptr, nullptr, accept, flags, 0) : nullptr;
    if (!request || !HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
        fwprintf(stderr, L"wininet_loop: request failed, error %lu\n", GetLastError());
        return 3;
    }
    HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 4;

    char block[4096];
    unsigned long long total = 0;
    DWORD got = 0, written = 0;
    while (InternetReadFile(request, block, sizeof(block), &got) && got > 0) {
        if (!WriteFile(file, block, got, &written, nullptr) || written != got) return 5;
        total += got;
    }
    CloseHandle(file);
    InternetCloseHandle(request);
    InternetCloseHandle(connection);
    InternetCloseHandle(session);
    printf("%llu\n", total);
    return 0;
}
