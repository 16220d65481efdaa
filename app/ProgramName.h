// The download identity of the running program, and where its desktop
// shortcut lives.
#pragma once

#include <string>

#include "DownloadIdentity.h"

// False when the program file name is outside the grammar, or when the program
// path or the temporary folder cannot be read whole.
bool ParseProgramFileName(DownloadIdentity& identity);

std::wstring DesktopShortcutPath(const std::wstring& localFilePath);

// The running program's full path; false when it is unavailable or does not
// fit the 260-character buffer (a truncated path is never used).
bool ReadProgramPath(std::wstring& path);
