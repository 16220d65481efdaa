#include "SingleDownloadGuard.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "ProgramName.h"

namespace {
wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; }
}  // namespace

bool SameProgramName(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b)
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
    return *a == *b;
}

bool IsDownloadRunning() {
    std::wstring path;
    if (!ReadProgramPath(path)) return false;
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return false;
    std::wstring ownName = path.substr(slash + 1);

    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (SameProgramName(entry.szExeFile, ownName.c_str()) && entry.th32ProcessID != GetCurrentProcessId())
            found = true;
    CloseHandle(snapshot);
    return found;
}
