// One WinINet request on an open connection, closed when the object goes.
// Operations answer true or false; the caller reads GetLastError() at once.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

// A proxy's login as the user gave it: kept in memory for the download's
// later requests, never written anywhere, and wiped when it goes.
struct ProxyLogin {
    std::wstring User, Password;
    ProxyLogin() = default;
    ProxyLogin(const ProxyLogin&) = delete;
    ProxyLogin& operator=(const ProxyLogin&) = delete;
    ~ProxyLogin() { Clear(); }
    bool Empty() const { return User.empty() && Password.empty(); }
    void Clear();
};

class HttpFile {
public:
    HttpFile() = default;
    ~HttpFile() { Close(); }
    HttpFile(const HttpFile&) = delete;
    HttpFile& operator=(const HttpFile&) = delete;

    // verb null: GET. Secure: over TLS (INTERNET_FLAG_SECURE), the platform
    // checking the server's certificate in full.
    bool Open(HINTERNET connection, const wchar_t* objectPath, const wchar_t* verb = nullptr, bool secure = false);
    // "Range: bytes=<start>-"
    bool DefRange(uint64_t start);
    bool Send();
    // 999 when the status cannot be read.
    bool QueryStatusCode(int& status);
    // False without the header; the length is -1 when the header is not a
    // non-negative decimal number that fits 64 bits.
    bool QueryContentLength(int64_t& length);
    // The header as text: a malformed date makes Wine's own conversion crash.
    bool QueryLastModified(std::wstring& date);
    bool QueryContentRange(std::wstring& range);
    // The login the proxy is given for this request (InternetErrorDlg leaves
    // the user's there).
    bool SetProxyLogin(const ProxyLogin& login);
    bool QueryProxyLogin(ProxyLogin& login);
    HINTERNET Handle() const { return m_request; }
    bool Read(void* buffer, DWORD size, DWORD& read) {
        return m_request && InternetReadFile(m_request, buffer, size, &read);
    }
    void Close();

private:
    bool QueryText(DWORD info, wchar_t* buffer, DWORD bytes);
    bool QueryOption(DWORD option, std::wstring& value);
    HINTERNET m_request = nullptr;
};
