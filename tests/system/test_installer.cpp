// A small installer for the tests: records the command line it was started
// with, one a line, in C:\tests\installer-runs.txt, and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CreateDirectoryW(L"C:\\tests", nullptr);
    HANDLE file = CreateFileW(L"C:\\tests\\installer-runs.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const wchar_t* line = GetCommandLineW();
    char bytes[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof(bytes) - 1, nullptr, nullptr);
    if (length > 0) {
        bytes[length - 1] = '\n';
        DWORD written;
        WriteFile(file, bytes, DWORD(length), &written, nullptr);
    }
    CloseHandle(file);
    return 0;
}
