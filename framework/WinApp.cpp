#include "Framework.h"

namespace {
CWinApp* CurrentApp = nullptr;
}  // namespace

CWinApp::CWinApp(const wchar_t* appName) {
    if (appName) m_title = appName;
    CurrentApp = this;
}

CWinApp::~CWinApp() {
    if (CurrentApp == this) CurrentApp = nullptr;
}

int CWinApp::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitInstance();
}

CWinApp* AfxGetApp() { return CurrentApp; }

int AfxWinMain(HINSTANCE instance) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    if (app->m_title.empty()) {
        const wchar_t* title = nullptr;
        int length = LoadStringW(instance, AFX_IDS_APP_TITLE, reinterpret_cast<wchar_t*>(&title), 0);
        if (length > 0) app->m_title.assign(title, size_t(length));
    }
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}

int AfxMessageBox(const wchar_t* text, UINT type) {
    CWinApp* app = AfxGetApp();
    return MessageBoxW(GetActiveWindow(), text, app ? app->AppTitle() : nullptr, type);
}

std::wstring CWnd::GetWindowText() const {
    int length = GetWindowTextLengthW(m_hWnd);
    std::wstring text(size_t(length) + 1, L'\0');
    text.resize(size_t(::GetWindowTextW(m_hWnd, &text[0], length + 1)));
    return text;
}
