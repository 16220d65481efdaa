#include "HttpDownloadDlg.h"

#include <shellapi.h>

#include "BuildConfig.h"
#include "DialogLayout.h"
#include "Language.h"
#include "ProtocolLog.h"

namespace {
const UINT_PTR DisplayTimer = 1;
const UINT DisplayInterval = 200;
}  // namespace

void SetItemCaption(CWnd& dialog, int controlId, int textKey) {
    dialog.SetDlgItemText(controlId, LoadText(textKey, L"").c_str());
}

std::wstring FormatSize(int64_t bytes) { return FormatSizeIn(UserLanguage(), bytes); }

std::wstring CHttpDownloadDlg::RemoteFileNameOf(const std::wstring& path) {
    size_t separator = path.rfind(L'/');
    if (separator == std::wstring::npos) separator = path.rfind(L'\\');
    if (separator == std::wstring::npos || path.size() <= 1) return path;
    return path.substr(separator + 1);
}

void CHttpDownloadDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_STATUS_LINE, StatusLine);
    DDX_Control(dx, IDC_RATE_LINE, RateLine);
    DDX_Control(dx, IDC_TIME_LEFT_LINE, TimeLeftLine);
    DDX_Control(dx, IDC_PROGRESS_BAR, ProgressBar);
    DDX_Control(dx, IDC_SOURCE_LINE, SourceLine);
    DDX_Control(dx, IDC_ANIMATION, Animation);
}

BOOL CHttpDownloadDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetTimer(DisplayTimer, DisplayInterval);
    ProgressBar.SetRange(0, 100);
    Animation.Open(IDR_DOWNLOAD_AVI);  // played by the worker once a connection is up
    WidenToText(m_hWnd, IDC_HOMEPAGE_LINK, LeftOf(m_hWnd, IDCANCEL) - 6);

    if (!AfxParseURL(DownloadUrl.c_str(), ServiceType, ServerName, ObjectPath, ServerPort)) {
        LogEvent(L"Failed to parse the URL: %s", DownloadUrl.c_str());
        EndDialog(IDCANCEL);
        return TRUE;
    }
    RemoteFileName = RemoteFileNameOf(ObjectPath);
    SourceLine.SetWindowText(LoadText2(0x66, RemoteFileName.c_str(), ServerName.c_str()));

    // Suspended until the dialog owns the thread object, which it deletes itself.
    WorkerThread = AfxBeginThread(DownloadThreadProc, static_cast<DownloadTask*>(this), THREAD_PRIORITY_NORMAL, 0,
                                  CREATE_SUSPENDED);
    if (!WorkerThread) {
        LogEvent(L"Failed to create download thread, dialog is aborting");
        EndDialog(IDCANCEL);
        return TRUE;
    }
    WorkerThread->m_bAutoDelete = FALSE;
    WorkerThread->ResumeThread();
    return TRUE;
}

void CHttpDownloadDlg::ShowStatus(int textKey) { StatusLine.SetWindowText(LookupText(textKey)); }

void CHttpDownloadDlg::ShowStatusWith(int textKey, const wchar_t* argument) {
    StatusLine.SetWindowText(LoadText(textKey, argument));
}

void CHttpDownloadDlg::ShowStatusText(const wchar_t* text) { StatusLine.SetWindowText(text); }

void CHttpDownloadDlg::StartAnimation() { Animation.Play(0, UINT(-1), UINT(-1)); }

void CHttpDownloadDlg::StopAnimation() {
    Animation.Stop();
    Animation.Seek(0);
}

void CHttpDownloadDlg::PostDownloadDone(WPARAM failed) { PostMessage(WM_DOWNLOAD_DONE, failed); }

bool CHttpDownloadDlg::AskProxyLogin(HINTERNET request) {
    // Called on the worker thread; the login dialog disables this one while it
    // is up, so Cancel and Close wait for its answer. The user's login is left
    // on the request handle.
    DWORD answer = InternetErrorDlg(m_hWnd, request, ERROR_INTERNET_INCORRECT_PASSWORD,
                                    FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_GENERATE_DATA |
                                        FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS,
                                    nullptr);
    return answer == ERROR_INTERNET_FORCE_RETRY;
}

LRESULT CHttpDownloadDlg::OnActivate(WPARAM, LPARAM) {
    // The language is asked at every activation: the captions follow a change.
    SetItemCaption(*this, IDCANCEL, 0x95);
    SetItemCaption(*this, IDC_HOLD, 0x96);
    SetItemCaption(*this, IDC_TIME_LEFT_LABEL, 0x97);
    SetItemCaption(*this, IDC_RATE_LABEL, 0x98);
    SetItemCaption(*this, IDC_HELP_BUTTON, HelpCaption);
    return 0;
}

void CHttpDownloadDlg::OnHoldDownload() {
    HoldRequested = IsDlgButtonChecked(IDC_HOLD) == BST_CHECKED;
    LogStamped(L"On Clicked 'Hold Download' New Status=%s", HoldRequested ? L"Hold" : L"Running");
}

void CHttpDownloadDlg::OnHomepage() {
    LogStamped(L"On Clicked 'Homepage'");
    ShellExecuteW(GetDesktopWindow(), L"open", HOMEPAGE_URL, nullptr, nullptr, SW_SHOWNORMAL);
}

void CHttpDownloadDlg::OnHelpPage() {
    LogStamped(L"On Clicked 'Help'");
    ShellExecuteW(GetDesktopWindow(), L"open", HELP_URL, nullptr, nullptr, SW_SHOWNORMAL);
}

// The dialog stays until the worker has noticed and reported its end.
void CHttpDownloadDlg::StopForUser() {
    AbortRequested = true;
    ::EnableWindow(GetDlgItem(IDCANCEL), FALSE);
    ShowStatus(0x84);
}

void CHttpDownloadDlg::OnCancel() {
    LogEvent(L"Cancel...");
    StopForUser();
}

LRESULT CHttpDownloadDlg::OnClose(WPARAM, LPARAM) {
    if (Finished) {
        CDialog::OnCancel();
        return 0;
    }
    StopForUser();
    return 0;
}

LRESULT CHttpDownloadDlg::OnDownloadDone(WPARAM failed, LPARAM) {
    // The worker may report twice (an early report when it notices the abort).
    if (Finished) return 0;
    Finished = true;
    StopAnimation();
    if (Succeeded) {
        EndDialog(IDOK);
    } else if (AbortRequested || failed == 0) {
        EndDialog(IDCANCEL);
    } else {
        AfxMessageBox(ErrorText.c_str(), MB_OK | MB_ICONERROR);
        EndDialog(IDCANCEL);
        OnHelpPage();
    }
    return 0;
}

LRESULT CHttpDownloadDlg::OnTimer(WPARAM, LPARAM) {
    UpdateProgressDisplay(GetTickCount());
    return 0;
}

void CHttpDownloadDlg::UpdateProgressDisplay(DWORD now) {
    ::UpdateProgressDisplay(*this, RemoteFileName, now, UserLanguage(), *this);
}

void CHttpDownloadDlg::LogProgress(const std::wstring& fileName, double percent, int64_t received, int64_t total,
                                   int seconds, double kilobytesPerSecond) {
    LogFormat(L"Downloading %s:[%0.2f%%] %I64d of %I64d  %d sec left  %0.2f KB/sec ", fileName.c_str(), percent,
              received, total, seconds, kilobytesPerSecond);
}

LRESULT CHttpDownloadDlg::OnDestroy(WPARAM, LPARAM) {
    if (WorkerThread) {
        // The worker may still change a control before it ends: keep serving
        // what it sends while waiting for it, however long that takes.
        HANDLE thread = WorkerThread->m_hThread;
        for (;;) {
            DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
            if (woke != WAIT_OBJECT_0 + 1) break;  // the thread ended (or cannot be waited for)
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // serves sent messages
        }
        delete WorkerThread;
        WorkerThread = nullptr;
    }
    CloseConnection();
    return 0;
}
