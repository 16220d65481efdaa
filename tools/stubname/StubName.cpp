// stubname FOLDER FILE [VERSION]
// Prints the stub's file name and the URL it fetches (UTF-8, one per line), or
// on standard error why no stub can have that name (exit code 2). The name is
// read back by the program's own parser, and the URL must come through
// WinINet's canonicalisation unchanged, as the program hands it over.
#include <windows.h>
#include <wininet.h>

#include <string>

#include "BuildConfig.h"
#include "DownloadIdentity.h"
#include "Framework.h"
#include "StubRules.h"

namespace {

void Write(DWORD stream, const std::wstring& text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &utf8[0], bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(stream), utf8.data(), DWORD(utf8.size()), &written, nullptr);
}

int Refuse(const std::wstring& reason) {
    Write(STD_ERROR_HANDLE, L"refused: " + reason + L"\n");
    return 2;
}

bool Canonical(const std::wstring& url, std::wstring& canonical) {
    canonical.assign(INTERNET_MAX_URL_LENGTH + 1, L'\0');
    DWORD length = DWORD(canonical.size());
    if (!InternetCanonicalizeUrlW(url.c_str(), &canonical[0], &length, ICU_BROWSER_MODE)) return false;
    canonical.resize(length);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3 || argc > 4) {
        Write(STD_ERROR_HANDLE, L"usage: stubname FOLDER FILE [VERSION]\n");
        return 1;
    }
    StubRequest request{argv[1], argv[2], argc == 4 ? argv[3] : L""};
    if (std::wstring problem = StubProblem(request); !problem.empty()) return Refuse(problem);

    const std::wstring name = StubFileName(request);
    DownloadName parsed;
    if (!ParseDownloadName(L"C:\\stubs\\" + name, parsed) || parsed.Folder != request.Folder ||
        parsed.File != StubFilePart(request))
        return Refuse(L"The program would not read \"" + name + L"\" as this folder and installer.");

    const DownloadIdentity identity = MakeDownloadIdentity(L"C:\\stubs\\" + name, parsed, DOWNLOAD_BASE_URL, L"C:\\");
    std::wstring canonical;
    if (!Canonical(identity.DownloadUrl, canonical))
        return Refuse(L"WinINet cannot read the URL " + identity.DownloadUrl + L".");
    if (canonical != identity.DownloadUrl)
        return Refuse(L"WinINet would change the URL " + identity.DownloadUrl + L" into " + canonical +
                      L", and the program would ask for that.");
    DWORD service = 0;
    std::wstring server, object;
    INTERNET_PORT port = 0;
    if (!AfxParseURL(identity.DownloadUrl.c_str(), service, server, object, port))
        return Refuse(L"The program cannot take the URL " + identity.DownloadUrl + L" apart.");

    Write(STD_OUTPUT_HANDLE, name + L"\n" + identity.DownloadUrl + L"\n");
    return 0;
}
