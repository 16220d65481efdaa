#include "SetupDlg.h"

#include <shellapi.h>

#include "BuildConfig.h"
#include "DialogLayout.h"
#include "HttpDownloadDlg.h"
#include "Language.h"
#include "ProtocolLog.h"
#include "ReportError.h"

namespace {
// The shell's lists of names hold one name of at most this many characters
// in a buffer of 260, ending in two null characters.
const size_t MaxListedName = 258;
}  // namespace

void CSetupDlg::SetFile(const std::wstring& path) {
    FilePath = path;
    size_t slash = path.rfind(L'\\');
    FileName = (slash != std::wstring::npos && slash > 0) ? path.substr(slash + 1) : path;
}

CSetupDlg::~CSetupDlg() {
    if (m_banner) DeleteObject(m_banner);
}

BOOL CSetupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_banner = ShowBitmapAtDpi(m_hWnd, IDC_BANNER, IDB_BANNER);
    // The home page's name is a build setting: its label takes what it needs up to the buttons.
    WidenToText(m_hWnd, IDC_HOMEPAGE_LINK, LeftOf(m_hWnd, IDC_SAVE_AS) - 6);
    return TRUE;
}

LRESULT CSetupDlg::OnActivate(WPARAM, LPARAM) {
    // Every activation applies the current language and reads the size afresh.
    SetItemCaption(*this, IDC_FILE_LABEL, 0x92);
    SetItemCaption(*this, IDOK, 0x93);
    SetItemCaption(*this, IDC_SAVE_AS, 0x94);
    SetItemCaption(*this, IDCANCEL, 0x95);
    SetDlgItemText(IDC_FILE_NAME, FileName.c_str());
    SetWindowText(LoadText(0x90, FileName.c_str()));
    CFileStatus status;
    if (CFile::GetStatus(FilePath.c_str(), status)) SetDlgItemText(IDC_FILE_SIZE, FormatSize(status.m_size).c_str());
    return 0;
}

int InstallFailureText(INT_PTR result) {
    switch (result) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return 0x8d;
    case SE_ERR_ACCESSDENIED:
    case SE_ERR_SHARE: return 0x8f;
    case ERROR_BAD_FORMAT: return 0x8e;
    default: return 0x8c;
    }
}

void CSetupDlg::OnInstallNow() {
    LogStamped(L"On Clicked 'Install Now...'");
    SetDlgItemText(IDC_FILE_NAME, FilePath.c_str());
    auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(GetDesktopWindow(), L"open", FilePath.c_str(),
                                                          InstallerParameters.c_str(), nullptr, SW_SHOWNORMAL));
    if (result > 32) {
        EndDialog(IDOK);
        return;
    }
    ReportError(InstallFailureText(result), FilePath.c_str());
    if (result == ERROR_BAD_FORMAT) {
        // No valid program: fetch it anew.
        DeleteFileW(FilePath.c_str());
        DownloadAgain = true;
    }
    EndDialog(IDCANCEL);
}

void CSetupDlg::OnSaveAs() {
    LogStamped(L"On Clicked 'Save as...'");
    CFileDialog dialog(FALSE, nullptr, FileName.c_str(), OFN_EXPLORER | OFN_HIDEREADONLY,
                       L"Application (*.exe)|*.exe|All Files (*.*)|*.*||");
    if (dialog.DoModal() != IDOK) {
        LogLine(L"Cancel Save File Dialog.");
        return;
    }
    std::wstring target = dialog.GetPathName();
    // A name cut short to fit the list would copy to a place nobody chose.
    if (FilePath.size() > MaxListedName || target.size() > MaxListedName) {
        LogEvent(L"Error on copy file");
        return;
    }
    wchar_t from[260] = {}, to[260] = {};
    FilePath.copy(from, FilePath.size());
    target.copy(to, target.size());
    LogFormat(L"Copy file %s -> %s", from, to);

    // The shell shows its own progress, questions and errors.
    SHFILEOPSTRUCTW copy = {};
    copy.wFunc = FO_COPY;
    copy.pFrom = from;
    copy.pTo = to;
    if (SHFileOperationW(&copy) != 0 || copy.fAnyOperationsAborted) LogEvent(L"Error on copy file");
}

void CSetupDlg::OnHomepage() {
    LogStamped(L"On Clicked 'Honepage'");
    ShellExecuteW(GetDesktopWindow(), L"open", HOMEPAGE_URL, nullptr, nullptr, SW_SHOWNORMAL);
}
