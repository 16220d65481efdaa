#include "ProtocolLog.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdarg>
#include <string>

#include "Format.h"
#include "LogLines.h"

namespace {

HANDLE ProtocolFile = INVALID_HANDLE_VALUE;  // set by the first successful open, kept to the end

// Shared by every copy of the program in the session and beyond it.
const wchar_t LineLockName[] = L"Global\\Tarvik.DownloadManager.ProtocolLine";
// A copy that hangs while it holds the lock must not stop the others for good.
const DWORD LineLockWait = 10000;

thread_local bool LineLockHeld = false;

// Logging must not disturb the error code of the call that is being logged.
struct KeepLastError {
    DWORD Error = GetLastError();
    ~KeepLastError() { SetLastError(Error); }
};

HANDLE LineLock() {
    static HANDLE lock = CreateMutexW(nullptr, FALSE, LineLockName);
    return lock;
}

void BeginLine() {
    if (LineLockHeld || !LineLock()) return;
    DWORD result = WaitForSingleObject(LineLock(), LineLockWait);
    // An abandoned lock belonged to a copy that ended mid-line; it is ours now.
    LineLockHeld = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void EndLine() {
    if (!LineLockHeld) return;
    ReleaseMutex(LineLock());
    LineLockHeld = false;
}

bool OpenProtocolFile() {
    if (ProtocolFile != INVALID_HANDLE_VALUE) return true;
    wchar_t folder[MAX_PATH];
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_APPDATA, TRUE)) return false;
    std::wstring path = folder;
    path += L"\\Tarvik";
    CreateDirectoryW(path.c_str(), nullptr);
    path += L"\\DownloadManager";
    CreateDirectoryW(path.c_str(), nullptr);
    path += L"\\protocol.txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ProtocolFile = file;
    return true;
}

// Writes at the file's current end: other copies write to the same file, and
// Wine does not append atomically between processes even for append handles.
void WriteText(const wchar_t* text) {
    size_t remaining = wcslen(text);
    while (remaining) {
        int units = int(remaining < ChunkUnits ? remaining : ChunkUnits);
        char bytes[2 * ChunkUnits];
        int length = WideCharToMultiByte(1252, 0, text, units, bytes, sizeof(bytes), nullptr, nullptr);
        if (length <= 0) return;
        LARGE_INTEGER zero = {};
        SetFilePointerEx(ProtocolFile, zero, nullptr, FILE_END);
        DWORD written;
        WriteFile(ProtocolFile, bytes, DWORD(length), &written, nullptr);
        text += units;
        remaining -= size_t(units);
    }
}

std::wstring LocalTimeStamp() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return TimeStampText({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

}  // namespace

void LogText(const wchar_t* text) {
    KeepLastError keep;
    if (!text) return;
    BeginLine();
    if (OpenProtocolFile()) WriteText(text);
}

void LogLine(const wchar_t* text) {
    KeepLastError keep;
    BeginLine();
    // Text and line end in one write where they fit one chunk: a copy that is
    // killed mid-line then leaves no line without its end.
    if (OpenProtocolFile()) WriteText((std::wstring(text ? text : L"") + L"\n").c_str());
    EndLine();
}

void LogFormat(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatTextV(format, args);
    va_end(args);
    LogLine(text.c_str());
}

void LogTimeStamp() { LogText(LocalTimeStamp().c_str()); }

void LogEvent(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatTextV(format, args);
    va_end(args);
    LogLine((L"\a" + LocalTimeStamp() + text).c_str());
}

void LogStamped(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatTextV(format, args);
    va_end(args);
    LogLine((LocalTimeStamp() + text).c_str());
}

void LogErrorBlock(const wchar_t* text) { LogLine(ErrorBlockText(text ? text : L"").c_str()); }

void LogRunStart() {
    wchar_t user[256], computer[256];
    DWORD userLength = 256, computerLength = 256;
    bool haveUser = GetUserNameW(user, &userLength) != 0;
    bool haveComputer = GetComputerNameW(computer, &computerLength) != 0;
    LogLine(RunHeaderText(LocalTimeStamp(), haveUser ? user : nullptr, haveComputer ? computer : nullptr).c_str());

    wchar_t path[260];
    DWORD length = GetModuleFileNameW(nullptr, path, 260);
    if (length > 0 && length < 260) LogFormat(L"CLI: \"%s\"", path);
}
