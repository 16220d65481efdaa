// The little of a dialog framework that the program needs, over raw Win32:
// an application object run from the entry point, modal dialogs from templates
// with message maps and control binding, thin control wrappers and the
// application-wide message box.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <wininet.h>
#include <commdlg.h>

#include <cstdint>

#include <string>

// ---------------------------------------------------------------------------
// Application object. The one global instance is run by the entry point:
// InitInstance does the work; when it returns false the program ends.

class CWinApp {
public:
    // No name given: the title comes from string resource 57344 at start.
    explicit CWinApp(const wchar_t* appName = nullptr);
    virtual ~CWinApp();

    virtual BOOL InitInstance() { return FALSE; }
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    // The caption of every message box the program shows.
    const wchar_t* AppTitle() const { return m_title.c_str(); }
    void SetAppTitle(const std::wstring& title) { m_title = title; }

    HINSTANCE m_hInstance = nullptr;

private:
    friend int AfxWinMain(HINSTANCE instance);
    std::wstring m_title;
};

CWinApp* AfxGetApp();
int AfxWinMain(HINSTANCE instance);

const UINT AFX_IDS_APP_TITLE = 0xE000;  // 57344

// WinINet has one service for http and https; the secure one is told apart
// by this value of our own. It connects as INTERNET_SERVICE_HTTP, and each
// request on it adds INTERNET_FLAG_SECURE.
const DWORD AFX_INET_SERVICE_HTTPS = 0x1000 | INTERNET_SERVICE_HTTP;

// Canonicalises a URL as a browser would, then splits it into the Internet
// service of its scheme (INTERNET_SERVICE_HTTP, AFX_INET_SERVICE_HTTPS,
// INTERNET_SERVICE_FTP), host, object (path and query) and port (the
// scheme's default when the URL names none). False when it cannot be split.
BOOL AfxParseURL(const wchar_t* url, DWORD& serviceType, std::wstring& server, std::wstring& object,
                 INTERNET_PORT& port);

// Error or information box with the application title as caption and the
// active window as owner (disabled while the box is up).
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK);

// ---------------------------------------------------------------------------
// Files.

class CWnd;

struct CFileStatus {
    int64_t m_size = 0;
    FILETIME m_ctime = {};  // creation time
};

class CFile {
public:
    // False when the file's status cannot be read (it does not exist, say).
    static BOOL GetStatus(const wchar_t* path, CFileStatus& status);
};

// The save (or open) dialog. The filter is written "Name|*.ext|...||".
class CFileDialog {
public:
    CFileDialog(BOOL openFileDialog, const wchar_t* defaultExtension = nullptr, const wchar_t* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const wchar_t* filter = nullptr,
                CWnd* parent = nullptr);
    // IDOK when the user chose a file; its owner is the parent, else the active window.
    INT_PTR DoModal();
    std::wstring GetPathName() const { return m_fileName.c_str(); }

private:
    BOOL m_open;
    std::wstring m_defaultExtension, m_filter;
    std::wstring m_fileName;  // the dialog's buffer
    DWORD m_flags;
    HWND m_parent;
};

// ---------------------------------------------------------------------------
// Worker threads.

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread {
public:
    ~CWinThread();
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;  // deleted when the thread ends; switch off to own it

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES);
    static unsigned __stdcall Start(void* self);
    AFX_THREADPROC m_proc = nullptr;
    LPVOID m_param = nullptr;
};

// Null when the thread cannot be created. With CREATE_SUSPENDED the caller
// resumes it, after it has taken what it needs of the thread object.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD flags = 0, LPSECURITY_ATTRIBUTES security = nullptr);

// ---------------------------------------------------------------------------
// Windows and controls: a window handle and a few inline calls.

class CWnd {
public:
    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const wchar_t* text) { ::SetDlgItemTextW(m_hWnd, id, text); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageW(m_hWnd, msg, wp, lp); }
};

class CStatic : public CWnd {};

class CButton : public CWnd {
public:
    int GetCheck() const { return int(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) { SendMessage(BM_SETCHECK, WPARAM(state)); }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(short lower, short upper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
    int SetPos(int pos) { return int(SendMessage(PBM_SETPOS, WPARAM(pos))); }
    int GetPos() const { return int(SendMessage(PBM_GETPOS)); }
};

class CAnimateCtrl : public CWnd {
public:
    // An AVI resource of the program module.
    BOOL Open(UINT resourceId) {
        return BOOL(SendMessage(ACM_OPENW, WPARAM(GetModuleHandleW(nullptr)), LPARAM(MAKEINTRESOURCEW(resourceId))));
    }
    BOOL Play(UINT from, UINT to, UINT repeat) { return BOOL(SendMessage(ACM_PLAY, repeat, MAKELONG(from, to))); }
    BOOL Stop() { return BOOL(SendMessage(ACM_STOP)); }
    BOOL Seek(UINT frame) { return Play(frame, frame, 1); }
};

// ---------------------------------------------------------------------------
// Modal dialogs from templates.

class CDataExchange {
public:
    HWND m_hDlg;
};

// Binds a control object to the dialog's control of that id.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    virtual ~CDialog() = default;

    // Runs the dialog; the result EndDialog gave, or -1 when it cannot be shown.
    INT_PTR DoModal();
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

protected:
    virtual BOOL OnInitDialog();  // binds the controls through DoDataExchange
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // The message map (see BEGIN_MSG_MAP). True when the message was handled;
    // false lets the dialog's default processing run.
    virtual bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    UINT m_templateId;
    HWND m_parent;
};

// Message map of a dialog class, one line per message or control:
//
//   BEGIN_MSG_MAP()
//       ON_MESSAGE(WM_TIMER, OnTimer)        // LRESULT OnTimer(WPARAM, LPARAM)
//       ON_MESSAGE_THEN_DEFAULT(WM_ACTIVATE, OnActivate)
//       ON_COMMAND(1007, OnHoldDownload)     // void OnHoldDownload(), on a click
//   END_MSG_MAP(CDialog)
#define BEGIN_MSG_MAP()                                                                           \
    bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override { \
        (void)wParam;                                                                             \
        (void)lParam;
#define ON_MESSAGE(msg, handler)          \
    if (uMsg == (msg)) {                  \
        lResult = handler(wParam, lParam); \
        return true;                      \
    }
// The handler runs, and the dialog's default processing after it.
#define ON_MESSAGE_THEN_DEFAULT(msg, handler) \
    if (uMsg == (msg)) {                      \
        handler(wParam, lParam);              \
        return false;                         \
    }
// A click on a button, or on a static control with the notify style.
#define ON_COMMAND(id, handler)                                                    \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == BN_CLICKED) { \
        handler();                                                                 \
        lResult = 0;                                                               \
        return true;                                                               \
    }
#define END_MSG_MAP(Base)                                              \
    return Base::ProcessWindowMessage(uMsg, wParam, lParam, lResult); \
    }
