// Writes tagged protocol lines of every kind from two threads, for the test
// that runs two of these at once:  protocol_writer TAG COUNT
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "ProtocolLog.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::wstring tag(argv[1], argv[1] + strlen(argv[1]));
    int count = atoi(argv[2]);
    auto writer = [&](int thread) {
        for (int i = 0; i < count; ++i) {
            LogEvent(L"%s t%d event %d", tag.c_str(), thread, i);
            LogTimeStamp();
            LogFormat(L"%s t%d click %d", tag.c_str(), thread, i);
            LogText(tag.c_str());
            LogText(L" parts ");
            LogFormat(L"t%d %d", thread, i);
        }
    };
    std::thread second(writer, 1);
    writer(0);
    second.join();
    return 0;
}
