#include "StubRules.h"

#include "DownloadIdentity.h"

namespace {

const size_t MaxFileName = 255;  // what Windows stores of one name
// The local file is the temporary folder (some 40 to 60 characters) plus the
// installer's name, and stays within Windows' 260 characters of a path.
const size_t MaxInstallerName = 200;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Characters no Windows file name holds, and those the URL would not carry as
// they are; every part of the request ends up in a file name and in the URL.
// A folder's "/" separates its parts; anywhere else it is one more reserved character.
std::wstring CharacterProblem(const std::wstring& what, const std::wstring& text, bool isFolder = false) {
    const std::wstring reserved = isFolder ? L"<>:\"\\|?*" : L"<>:\"\\|?*/";
    for (wchar_t c : text) {
        if (c < 0x20 || c == 0x7f) return what + L" holds a control character, which Windows file names cannot hold.";
        if (reserved.find(c) != std::wstring::npos)
            return what + L" holds " + Quoted(std::wstring(1, c)) + L", which Windows file names cannot hold.";
        if (c == L'#') return what + L" holds \"#\", which would end the URL's path.";
        if (c == L'%') return what + L" holds \"%\", which the URL would read as the start of an escape.";
    }
    return std::wstring();
}

wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; }

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices, with any extension.
bool IsReservedName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = AsciiUpper(c);
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           ((stem[3] >= L'1' && stem[3] <= L'9') || stem[3] == 0xb9 || stem[3] == 0xb2 || stem[3] == 0xb3);
}

std::wstring FileNameProblem(const std::wstring& what, const std::wstring& name) {
    if (name.empty()) return what + L" is empty.";
    if (IsReservedName(name)) return what + L" " + Quoted(name) + L" is a device name that Windows reserves.";
    if (name.back() == L'.' || name.back() == L' ')
        return what + L" " + Quoted(name) + L" ends in a dot or a space, which Windows drops.";
    return std::wstring();
}

// "[" opens a group up to the next "]"; the program drops groups from the URL.
std::wstring Extension(const std::wstring& name) {
    size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot);
}

bool BracketsPair(const std::wstring& text) {
    bool open = false;
    for (wchar_t c : text) {
        if (c == L'[') {
            if (open) return false;
            open = true;
        } else if (c == L']') {
            if (!open) return false;
            open = false;
        }
    }
    return !open;
}

}  // namespace

std::wstring StubProblem(const StubRequest& request) {
    if (request.Folder.empty()) return L"The server folder is empty.";
    if (auto problem = CharacterProblem(L"The server folder", request.Folder, true); !problem.empty()) return problem;
    size_t start = 0;
    while (true) {
        size_t slash = request.Folder.find(L'/', start);
        std::wstring part = request.Folder.substr(start, slash == std::wstring::npos ? slash : slash - start);
        if (part.empty()) return L"The server folder " + Quoted(request.Folder) + L" has an empty part.";
        if (part == L"." || part == L"..")
            return L"The server folder " + Quoted(request.Folder) + L" has a \".\" or \"..\" part.";
        if (part.find(L'+') != std::wstring::npos)
            return L"The server folder holds \"+\", which the program name uses for \"/\".";
        if (part.find(L')') != std::wstring::npos)
            return L"The server folder holds \")\", which would end the folder in the program name.";
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }

    if (auto problem = CharacterProblem(L"The installer name", request.File); !problem.empty()) return problem;
    if (!BracketsPair(request.File))
        return L"The installer name's \"[\" and \"]\" do not pair up; the program drops each \"[...]\" from the URL.";
    if (auto problem = CharacterProblem(L"The version", request.Version); !problem.empty()) return problem;
    if (request.Version.find_first_of(L"[]") != std::wstring::npos)
        return L"The version holds \"[\" or \"]\", which would break its group.";

    const std::wstring file = StubFilePart(request);
    if (auto problem = FileNameProblem(L"The installer name", file); !problem.empty()) return problem;
    if (auto problem = FileNameProblem(L"The installer name without its [...] groups", StripBracketGroups(file));
        !problem.empty())
        return problem;
    if (Extension(file) != Extension(StripBracketGroups(file)))
        return L"The installer name " + Quoted(file) +
               L" has a [...] group in its extension: the downloaded file would not start as " +
               Quoted(Extension(StripBracketGroups(file))) + L".";
    if (file.size() > MaxInstallerName)
        return L"The installer name is " + std::to_wstring(file.size()) + L" characters long; the downloaded file's path "
               L"must stay within Windows' 260 characters (at most " + std::to_wstring(MaxInstallerName) + L" here).";
    const size_t length = StubFileName(request).size();
    if (length > MaxFileName)
        return L"The program name would be " + std::to_wstring(length) + L" characters long; Windows stores " +
               std::to_wstring(MaxFileName) + L".";
    return std::wstring();
}

std::wstring StubFilePart(const StubRequest& request) {
    if (request.Version.empty()) return request.File;
    size_t dot = request.File.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0) return request.File + L"[" + request.Version + L"]";
    return request.File.substr(0, dot) + L"[" + request.Version + L"]" + request.File.substr(dot);
}

std::wstring StubFileName(const StubRequest& request) {
    std::wstring folder = request.Folder;
    for (wchar_t& c : folder)
        if (c == L'/') c = L'+';
    return L"Download-(1)(" + folder + L")-" + StubFilePart(request);
}
