#include "DownloadIdentity.h"

namespace {

const wchar_t Prefix[] = L"Download-";
const size_t PrefixLength = 9;
const long AcceptedVersion = 1;

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; }

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// Reads a version text the way strtol does: blanks, a sign, digits up to the
// first other character; no digits give 0. Large values saturate.
long ReadVersion(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
        if (value < 1000000) value = value * 10 + (text[i] - L'0');
    return negative ? -value : value;
}

// Reads "(...)" at the start of rest: the text inside and the rest after ")".
bool TakeGroup(std::wstring& rest, std::wstring& inside) {
    if (rest.empty() || rest[0] != L'(') return false;
    size_t close = rest.find(L')');
    if (close == std::wstring::npos) return false;
    inside = rest.substr(1, close - 1);
    rest.erase(0, close + 1);
    return true;
}

}  // namespace

bool ParseDownloadName(const std::wstring& programPath, DownloadName& name) {
    size_t slash = programPath.rfind(L'\\');
    if (programPath.empty() || slash == std::wstring::npos) return false;
    std::wstring rest = programPath.substr(slash + 1);

    if (rest.size() < PrefixLength) return false;
    for (size_t i = 0; i < PrefixLength; ++i)
        if (AsciiLower(rest[i]) != AsciiLower(Prefix[i])) return false;
    rest.erase(0, PrefixLength);

    std::wstring version, folder;
    if (!TakeGroup(rest, version) || ReadVersion(version) != AcceptedVersion) return false;
    if (!TakeGroup(rest, folder) || rest.empty() || rest[0] != L'-') return false;

    for (wchar_t& c : folder)
        if (c == L'+') c = L'/';
    name.Folder = folder;
    name.File = rest.substr(1);
    return true;
}

DownloadIdentity MakeDownloadIdentity(const std::wstring& programPath, const DownloadName& name,
                                      const std::wstring& baseUrl, const std::wstring& tempFolder) {
    DownloadIdentity identity;
    identity.ProgramPath = programPath;
    identity.DownloadUrl = baseUrl + name.Folder + L"/" + StripBracketGroups(name.File);
    identity.LocalFilePath = tempFolder + name.File;
    identity.DisplayName = name.File;
    return identity;
}

std::wstring StripBracketGroups(const std::wstring& text) {
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'[') {
            result += text[i];
            continue;
        }
        i = text.find(L']', i);
        if (i == std::wstring::npos) break;
    }
    return result;
}

std::wstring ShortcutStem(const std::wstring& path) {
    size_t slash = path.rfind(L'\\');
    std::wstring name = (slash != std::wstring::npos && slash > 0) ? path.substr(slash + 1) : path;
    size_t dot = name.rfind(L'.');
    return (dot != std::wstring::npos && dot > 0) ? name.substr(0, dot) : name;
}

std::wstring ShortcutPathIn(const std::wstring& desktopFolder, const std::wstring& localFilePath) {
    return desktopFolder + L"\\" + StripBracketGroups(ShortcutStem(localFilePath)) + L".lnk";
}
