#include "Framework.h"

namespace {
const DWORD MaxPart = 2084;  // host and path each take at most this many characters
}  // namespace

BOOL AfxParseURL(const wchar_t* url, DWORD& serviceType, std::wstring& server, std::wstring& object,
                 INTERNET_PORT& port) {
    std::wstring canonical(INTERNET_MAX_URL_LENGTH + 1, L'\0');
    DWORD length = DWORD(canonical.size());
    if (!url || !InternetCanonicalizeUrlW(url, &canonical[0], &length, ICU_BROWSER_MODE)) return FALSE;
    canonical.resize(length);

    wchar_t host[MaxPart + 1], path[MaxPart + 1], extra[MaxPart + 1];
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = MaxPart + 1;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = MaxPart + 1;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = MaxPart + 1;
    if (!InternetCrackUrlW(canonical.c_str(), DWORD(canonical.size()), 0, &parts) || parts.dwHostNameLength == 0)
        return FALSE;
    switch (parts.nScheme) {
    case INTERNET_SCHEME_HTTP: serviceType = INTERNET_SERVICE_HTTP; break;
    case INTERNET_SCHEME_HTTPS: serviceType = AFX_INET_SERVICE_HTTPS; break;
    case INTERNET_SCHEME_FTP: serviceType = INTERNET_SERVICE_FTP; break;
    default: return FALSE;
    }
    server.assign(host, parts.dwHostNameLength);
    object.assign(path, parts.dwUrlPathLength);
    object.append(extra, parts.dwExtraInfoLength);
    if (object.empty()) object = L"/";
    port = parts.nPort;
    return TRUE;
}
