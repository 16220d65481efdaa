// Reading back what this test wrote to the shared protocol file.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <string>

inline std::wstring ProtocolFilePath() {
    wchar_t folder[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_APPDATA, TRUE);
    return std::wstring(folder) + L"\\Tarvik\\DownloadManager\\protocol.txt";
}

inline std::string ReadProtocolFile() {
    std::ifstream in(ProtocolFilePath().c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Everything written after a test took `start` = ReadProtocolFile().size().
inline std::string ProtocolSince(size_t start) {
    std::string all = ReadProtocolFile();
    return start <= all.size() ? all.substr(start) : std::string();
}

// A tag no other test or earlier run writes.
inline std::string UniqueTag(const char* name) {
    return std::string(name) + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
}
