// The download dialog: runs one download on its worker thread and shows its
// status, progress, rate and time left; Hold, Cancel and the home page link.
// Ends with IDOK for a complete file, IDCANCEL otherwise.
#pragma once

#include "DownloadTask.h"
#include "Framework.h"
#include "ProgressDisplay.h"
#include "resource.h"

// A control's caption from the text table, "%1" left empty.
void SetItemCaption(CWnd& dialog, int controlId, int textKey);

// A byte count as the dialogs show it, in the current language.
std::wstring FormatSize(int64_t bytes);

class CHttpDownloadDlg : public CDialog, public DownloadTask, private ProgressOutput {
public:
    explicit CHttpDownloadDlg(CWnd* parent = nullptr) : CDialog(IDD_DOWNLOAD, parent) {}

    // The worker's operations: each changes a control by a synchronous window
    // call, so it returns once the dialog's thread has carried it out.
    void ShowStatus(int textKey) override;
    void ShowStatusWith(int textKey, const wchar_t* argument) override;
    void ShowStatusText(const wchar_t* text) override;
    void StartAnimation() override;
    void StopAnimation() override;
    void PostDownloadDone(WPARAM failed) override;
    // The system's proxy login dialog, owned by this dialog (modal to it).
    bool AskProxyLogin(HINTERNET request) override;

    // The remote file's name as the user sees it: what follows the last "/"
    // of the object path (or the last "\" when there is no "/").
    static std::wstring RemoteFileNameOf(const std::wstring& objectPath);

    // The display timer's tick, with the tick count given (tests).
    void UpdateProgressDisplay(DWORD now);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnCancel() override;

private:
    BEGIN_MSG_MAP()
        ON_MESSAGE_THEN_DEFAULT(WM_DESTROY, OnDestroy)
        ON_MESSAGE(WM_CLOSE, OnClose)
        ON_MESSAGE(WM_DOWNLOAD_DONE, OnDownloadDone)
        ON_MESSAGE(WM_TIMER, OnTimer)
        ON_COMMAND(IDC_HOLD, OnHoldDownload)
        ON_MESSAGE_THEN_DEFAULT(WM_ACTIVATE, OnActivate)
        ON_COMMAND(IDC_HOMEPAGE_ICON, OnHomepage)
        ON_COMMAND(IDC_HOMEPAGE_LINK, OnHomepage)
        ON_COMMAND(IDC_HELP_BUTTON, OnHelpPage)
    END_MSG_MAP(CDialog)

    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnDownloadDone(WPARAM failed, LPARAM);
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnActivate(WPARAM, LPARAM);
    void OnHoldDownload();
    void OnHomepage();
    void OnHelpPage();
    void StopForUser();

    // The progress display's output: the controls and the protocol file.
    void ShowPosition(int position) override { ProgressBar.SetPos(position); }
    void ShowCaption(const std::wstring& caption) override { SetWindowText(caption); }
    void ShowRate(const std::wstring& text) override { RateLine.SetWindowText(text); }
    void ShowTimeLeft(const std::wstring& text) override { TimeLeftLine.SetWindowText(text); }
    void LogProgress(const std::wstring& fileName, double percent, int64_t received, int64_t total, int seconds,
                     double kilobytesPerSecond) override;

    CStatic StatusLine;
    CStatic RateLine;
    CStatic TimeLeftLine;
    CProgressCtrl ProgressBar;
    CStatic SourceLine;
    CAnimateCtrl Animation;
};
