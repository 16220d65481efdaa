// The application object: the whole run happens in InitInstance, which
// always returns false so the program ends when the outer flow is done.
#pragma once

#include <string>

#include "Framework.h"

class CInetDownloadApp : public CWinApp {
public:
    BOOL InitInstance() override;

private:
    // True only for a complete download.
    bool RunDownloadDialog(const std::wstring& url, const std::wstring& localFilePath);
    // -1: download again; 0: leave; 1: the installer was started.
    int RunSetupDialog(const std::wstring& localFilePath);
};
