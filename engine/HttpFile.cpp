#include "HttpFile.h"

#include <cwchar>

#include "Format.h"
#include "TransferRules.h"

namespace {
const DWORD RequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES;
static_assert(RequestFlags == 0x84480000, "request flags");
}  // namespace

bool HttpFile::Open(HINTERNET connection, const wchar_t* objectPath, const wchar_t* verb, bool secure) {
    Close();
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    DWORD flags = secure ? RequestFlags | INTERNET_FLAG_SECURE : RequestFlags;
    m_request = HttpOpenRequestW(connection, verb, objectPath, nullptr, nullptr, acceptTypes, flags, 0);
    return m_request != nullptr;
}

void ProxyLogin::Clear() {
    SecureZeroMemory(&User[0], User.size() * sizeof(wchar_t));
    SecureZeroMemory(&Password[0], Password.size() * sizeof(wchar_t));
    User.clear();
    Password.clear();
}

bool HttpFile::SetProxyLogin(const ProxyLogin& login) {
    if (!m_request) return false;
    // WinINet copies the texts; the lengths are in characters.
    return InternetSetOptionW(m_request, INTERNET_OPTION_PROXY_USERNAME, const_cast<wchar_t*>(login.User.c_str()),
                              DWORD(login.User.size())) &&
           InternetSetOptionW(m_request, INTERNET_OPTION_PROXY_PASSWORD, const_cast<wchar_t*>(login.Password.c_str()),
                              DWORD(login.Password.size()));
}

bool HttpFile::QueryOption(DWORD option, std::wstring& value) {
    // The length WinINet hands back counts characters on some versions and
    // bytes on others: the text ends at its null.
    wchar_t text[256] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    bool ok = InternetQueryOptionW(m_request, option, text, &bytes) != FALSE;
    if (ok) value.assign(text, wcsnlen(text, 255));
    SecureZeroMemory(text, sizeof(text));
    return ok;
}

bool HttpFile::QueryProxyLogin(ProxyLogin& login) {
    if (!m_request) return false;
    ProxyLogin given;
    if (!QueryOption(INTERNET_OPTION_PROXY_USERNAME, given.User) ||
        !QueryOption(INTERNET_OPTION_PROXY_PASSWORD, given.Password))
        return false;
    login.Clear();
    login.User.swap(given.User);
    login.Password.swap(given.Password);
    return true;
}

bool HttpFile::DefRange(uint64_t start) {
    if (!m_request) return false;
    wchar_t header[128];
    int length = _snwprintf(header, 128, L"Range: bytes=%I64u-", start);
    return HttpAddRequestHeadersW(m_request, header, DWORD(length), HTTP_ADDREQ_FLAG_ADD_IF_NEW) != FALSE;
}

bool HttpFile::Send() { return m_request && HttpSendRequestW(m_request, nullptr, 0, nullptr, 0); }

bool HttpFile::QueryText(DWORD info, wchar_t* buffer, DWORD bytes) {
    if (!m_request) return false;
    DWORD length = bytes;
    return HttpQueryInfoW(m_request, info, buffer, &length, nullptr) != FALSE;
}

bool HttpFile::QueryStatusCode(int& status) {
    status = 999;
    wchar_t text[16];
    if (!QueryText(HTTP_QUERY_STATUS_CODE, text, sizeof(text))) return false;
    int value = 0;
    for (const wchar_t* p = text; *p >= L'0' && *p <= L'9' && value < 100000; ++p) value = value * 10 + (*p - L'0');
    status = value;
    return true;
}

bool HttpFile::QueryContentLength(int64_t& length) {
    length = 0;
    wchar_t text[16];
    if (!QueryText(HTTP_QUERY_CONTENT_LENGTH, text, sizeof(text))) return false;
    length = ParseContentLength(text);
    return true;
}

bool HttpFile::QueryLastModified(std::wstring& date) {
    wchar_t text[128];
    if (!QueryText(HTTP_QUERY_LAST_MODIFIED, text, sizeof(text))) return false;
    date = text;
    return true;
}

bool HttpFile::QueryContentRange(std::wstring& range) {
    wchar_t text[128];
    if (!QueryText(HTTP_QUERY_CONTENT_RANGE, text, sizeof(text))) return false;
    range = text;
    return true;
}

void HttpFile::Close() {
    if (!m_request) return;
    InternetCloseHandle(m_request);
    m_request = nullptr;
}
