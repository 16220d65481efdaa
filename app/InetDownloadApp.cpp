#include "InetDownloadApp.h"

#include <objbase.h>

#include "DesktopShortcut.h"
#include "HttpDownloadDlg.h"
#include "ProgramName.h"
#include "ProtocolLog.h"
#include "ReportError.h"
#include "SetupDlg.h"
#include "SingleDownloadGuard.h"

CInetDownloadApp TheApp;

BOOL CInetDownloadApp::InitInstance() {
    LogRunStart();
    CoInitialize(nullptr);

    DownloadIdentity identity;
    if (!ParseProgramFileName(identity)) {
        ReportError(0x89, nullptr);
        return FALSE;
    }
    SetAppTitle(identity.DisplayName + L" -- Tarvik Download-Manager");
    if (IsDownloadRunning()) {
        ReportError(0x8a, nullptr);
        return FALSE;
    }

    LogFormat(L"FileName: %s", identity.LocalFilePath.c_str());
    LogFormat(L"Download: %s", identity.ProgramPath.c_str());
    LogFormat(L"URL:      %s", identity.DownloadUrl.c_str());
    CreateDesktopShortcut(identity.ProgramPath, identity.LocalFilePath);

    const wchar_t* finalLine = L"Leave Download/Install";
    for (;;) {
        if (!RunDownloadDialog(identity.DownloadUrl, identity.LocalFilePath)) break;
        int outcome = RunSetupDialog(identity.LocalFilePath);
        if (outcome < 0) continue;  // the file was no valid program and is gone: fetch it again
        if (outcome > 0) {
            DeleteDesktopShortcut(identity.LocalFilePath);
            finalLine = L"Download/Install is Finished.";
        }
        break;
    }
    LogLine(finalLine);
    return FALSE;
}

bool CInetDownloadApp::RunDownloadDialog(const std::wstring& url, const std::wstring& localFilePath) {
    CHttpDownloadDlg dialog;
    dialog.DownloadUrl = url;
    dialog.LocalFilePath = localFilePath;
    return dialog.DoModal() == IDOK && dialog.Succeeded;
}

int CInetDownloadApp::RunSetupDialog(const std::wstring& localFilePath) {
    CSetupDlg dialog;
    dialog.SetFile(localFilePath);
    INT_PTR result = dialog.DoModal();
    if (dialog.DownloadAgain) return -1;
    return result == IDOK ? 1 : 0;
}
