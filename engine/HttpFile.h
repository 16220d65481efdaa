// One WinINet request on an open connection, closed when the object goes.
// Operations answer true or false; the caller reads GetLastError() at once.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

class HttpFile {
public:
    HttpFile() = default;
    ~HttpFile() { Close(); }
    HttpFile(const HttpFile&) = delete;
    HttpFile& operator=(const HttpFile&) = delete;

    // verb null: GET.
    bool Open(HINTERNET connection, const wchar_t* objectPath, const wchar_t* verb = nullptr);
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
    bool Read(void* buffer, DWORD size, DWORD& read) {
        return m_request && InternetReadFile(m_request, buffer, size, &read);
    }
    void Close();

private:
    bool QueryText(DWORD info, wchar_t* buffer, DWORD bytes);
    HINTERNET m_request = nullptr;
};
