// A small program that only waits: copied under a download's program name, it
// holds that name in the process list for a test.  waiter SECONDS
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    Sleep(DWORD(argc > 1 ? atoi(argv[1]) : 10) * 1000);
    return 0;
}
