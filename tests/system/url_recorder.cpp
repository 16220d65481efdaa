// Registered in the test prefix as the program that opens http URLs: records
// each URL it is asked to open, one a line, in C:\tests\opened-urls.txt.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    CreateDirectoryW(L"C:\\tests", nullptr);
    HANDLE file = CreateFileW(L"C:\\tests\\opened-urls.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::wstring line;
    for (int i = 1; i < argc; ++i) line += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
    line += L"\n";
    char bytes[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), bytes, sizeof(bytes), nullptr, nullptr);
    DWORD written;
    if (length > 0) WriteFile(file, bytes, DWORD(length), &written, nullptr);
    CloseHandle(file);
    return 0;
}
