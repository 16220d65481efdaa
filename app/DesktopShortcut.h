// The desktop shortcut that starts the program file again, so that a broken-off
// download can be resumed. Failures are silent: the shortcut is a convenience.
#pragma once

#include <string>

void CreateDesktopShortcut(const std::wstring& programPath, const std::wstring& localFilePath);
void DeleteDesktopShortcut(const std::wstring& localFilePath);
