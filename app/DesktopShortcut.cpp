#include "DesktopShortcut.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "Language.h"
#include "ProgramName.h"

namespace {
// Icon 133, the program file's second icon, which the dialogs show too.
const int ShortcutIconIndex = 1;
}  // namespace

void CreateDesktopShortcut(const std::wstring& programPath, const std::wstring& localFilePath) {
    std::wstring shortcutPath = DesktopShortcutPath(localFilePath);
    std::wstring description = LoadText(0x77, ShortcutStem(localFilePath).c_str());

    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return;
    link->SetPath(programPath.c_str());
    link->SetDescription(description.c_str());
    link->SetIconLocation(programPath.c_str(), ShortcutIconIndex);

    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        file->Save(shortcutPath.c_str(), TRUE);
        file->Release();
    }
    link->Release();
}

void DeleteDesktopShortcut(const std::wstring& localFilePath) {
    DeleteFileW(DesktopShortcutPath(localFilePath).c_str());
}
