#include "Framework.h"

namespace {

void LoadCommonControls() {
    static bool loaded = false;
    if (loaded) return;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_ANIMATE_CLASS | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    loaded = InitCommonControlsEx(&controls) != FALSE;
}

void CenterOnScreen(HWND hwnd) {
    RECT work, window;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !GetWindowRect(hwnd, &window)) return;
    int width = window.right - window.left, height = window.bottom - window.top;
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void DDX_Control(CDataExchange* dx, int id, CWnd& control) { control.m_hWnd = ::GetDlgItem(dx->m_hDlg, id); }

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_parent(parent ? parent->m_hWnd : nullptr) {}

INT_PTR CDialog::DoModal() {
    LoadCommonControls();
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnInitDialog() {
    CDataExchange dx = {m_hWnd};
    DoDataExchange(&dx);
    return TRUE;
}

bool CDialog::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND) return false;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        result = 0;
        return true;
    case IDCANCEL:
        OnCancel();
        result = 0;
        return true;
    }
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        dialog->m_hWnd = hwnd;
        if (!dialog->m_parent) CenterOnScreen(hwnd);
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!dialog) return FALSE;
    LRESULT result = 0;
    bool handled = dialog->ProcessWindowMessage(msg, wParam, lParam, result);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
    }
    if (!handled) return FALSE;
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}
