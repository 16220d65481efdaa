// A small program that only waits: copied under a download's program name, it
// holds that name in the process list for a test.
//   waiter SECONDS [MARKER]   (MARKER: a file it creates once it runs)
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc > 2) {
        HANDLE marker = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    Sleep(DWORD(argc > 1 ? atoi(argv[1]) : 10) * 1000);
    return 0;
}
