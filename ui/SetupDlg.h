// The setup dialog after a complete download: names the file and its size,
// starts it as the installer ("/auto"), saves a copy elsewhere, or leaves.
// Ends with IDOK once the installer has started; DownloadAgain is set when
// the file proved to be no valid program and has been deleted.
#pragma once

#include <string>

#include <windows.h>

#include "Framework.h"
#include "resource.h"

class CSetupDlg : public CDialog {
public:
    explicit CSetupDlg(CWnd* parent = nullptr) : CDialog(IDD_SETUP, parent) {}
    ~CSetupDlg() override;

    void SetFile(const std::wstring& path);

    std::wstring FilePath;
    std::wstring FileName;
    const std::wstring InstallerParameters = L"/auto";
    bool DownloadAgain = false;

private:
    BOOL OnInitDialog() override;

    HBITMAP m_banner = nullptr;  // the banner scaled to the DPI, when it is

    BEGIN_MSG_MAP()
        ON_MESSAGE_THEN_DEFAULT(WM_ACTIVATE, OnActivate)
        ON_COMMAND(IDOK, OnInstallNow)
        ON_COMMAND(IDC_SAVE_AS, OnSaveAs)
        ON_COMMAND(IDC_HOMEPAGE_LINK, OnHomepage)
        ON_COMMAND(IDC_HOMEPAGE_ICON, OnHomepage)
    END_MSG_MAP(CDialog)

    LRESULT OnActivate(WPARAM, LPARAM);
    void OnInstallNow();
    void OnSaveAs();
    void OnHomepage();
};

// The text key of a failed start by the shell's result (32 or less).
int InstallFailureText(INT_PTR shellResult);
