// What to download, read from the program file's own name:
//   Download-(1)(folder+sub)-File.exe
// Platform-free; ProgramName.h adds the system queries around it.
#pragma once

#include <string>

struct DownloadIdentity {
    std::wstring ProgramPath;    // the running program file
    std::wstring DownloadUrl;    // base URL + folder + "/" + file without [..] groups
    std::wstring LocalFilePath;  // temporary folder + file
    std::wstring DisplayName;    // file
};

// The two groups the name carries: the folder ("+" already turned into "/")
// and the file part after ")-", unchanged.
struct DownloadName {
    std::wstring Folder;
    std::wstring File;
};

// False for a program path whose file name is outside the grammar.
bool ParseDownloadName(const std::wstring& programPath, DownloadName& name);

DownloadIdentity MakeDownloadIdentity(const std::wstring& programPath, const DownloadName& name,
                                      const std::wstring& baseUrl, const std::wstring& tempFolder);

// Removes every group from a "[" to the next "]"; an unclosed "[" removes the rest.
std::wstring StripBracketGroups(const std::wstring& text);

// The file name of a path without its last extension.
std::wstring ShortcutStem(const std::wstring& path);

// desktop + "\" + StripBracketGroups(ShortcutStem(localFilePath)) + ".lnk"
std::wstring ShortcutPathIn(const std::wstring& desktopFolder, const std::wstring& localFilePath);
