#include "ProgramName.h"

#include <windows.h>
#include <shlobj.h>

#include "BuildConfig.h"

namespace {

const DWORD ProgramPathBuffer = 260;
const DWORD TempPathBuffer = 259;

bool ReadTempFolder(std::wstring& path) {
    wchar_t buffer[TempPathBuffer];
    DWORD length = GetTempPathW(TempPathBuffer, buffer);
    // A result of the buffer size or more is the size that would have been needed.
    if (length == 0 || length >= TempPathBuffer) return false;
    path.assign(buffer, length);
    return true;
}

}  // namespace

bool ReadProgramPath(std::wstring& path) {
    wchar_t buffer[ProgramPathBuffer];
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetModuleFileNameW(nullptr, buffer, ProgramPathBuffer);
    if (length == 0 || length >= ProgramPathBuffer || GetLastError() == ERROR_INSUFFICIENT_BUFFER) return false;
    path.assign(buffer, length);
    return true;
}

bool ParseProgramFileName(DownloadIdentity& identity) {
    std::wstring programPath, tempFolder;
    DownloadName name;
    if (!ReadProgramPath(programPath) || !ParseDownloadName(programPath, name) || !ReadTempFolder(tempFolder))
        return false;
    identity = MakeDownloadIdentity(programPath, name, DOWNLOAD_BASE_URL, tempFolder);
    return true;
}

std::wstring DesktopShortcutPath(const std::wstring& localFilePath) {
    wchar_t desktop[MAX_PATH] = L"";
    if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, FALSE)) desktop[0] = L'\0';
    return ShortcutPathIn(desktop, localFilePath);
}
