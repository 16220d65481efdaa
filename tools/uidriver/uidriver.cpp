// uidriver: lets system tests see and operate our windows from another process.
//
// Build: x86_64-w64-mingw32-g++-posix -municode -static -O2 -o uidriver.exe uidriver.cpp -luser32 -lgdi32
//
// Output is UTF-8, one record per line; inside a record backslash, newline,
// carriage return and tab are written as \\ \n \r \t.  Text arguments accept
// the same escapes plus \uXXXX, so a caller can pass any text as plain ASCII
// (the command line of a Wine program is decoded with the Unix locale, which
// may not be UTF-8 in a test run).
//
// Exit codes: 0 ok, 1 something waited for did not come in time (or the
// target did not answer), 2 bad usage or a refused action.
//
// Message boxes under Wine are #32770 dialogs whose text sits in a Static with
// id 65535 (0xffff); the icon is another Static (id 1088).  Buttons carry the
// IDOK/IDCANCEL/IDYES/... ids, so OK is 1.

#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>
#include <vector>

namespace {

// A target that does not answer within this time is treated as hung rather
// than letting it hang the test run.
const UINT kSendTimeoutMs = 2000;
const DWORD kPollMs = 50;

void writeBytes(FILE *f, const std::wstring &w)
{
    if (w.empty())
        return;
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return;
    std::string s((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    fwrite(s.data(), 1, s.size(), f);
}

void outLine(const std::wstring &w)
{
    writeBytes(stdout, w + L"\n");
}

int fail(int code, const std::wstring &msg)
{
    // Prefixed so the caller can pick our line out of whatever wine itself prints.
    writeBytes(stderr, L"uidriver: " + msg + L"\n");
    fflush(stderr);
    return code;
}

std::wstring escape(const std::wstring &in)
{
    std::wstring out;
    out.reserve(in.size());
    for (wchar_t c : in) {
        switch (c) {
        case L'\\': out += L"\\\\"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default: out += c;
        }
    }
    return out;
}

int hexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Unknown escapes are kept literally so a hand-typed path like C:\temp survives.
std::wstring unescape(const wchar_t *in)
{
    std::wstring out;
    for (const wchar_t *p = in; *p; ++p) {
        if (*p != L'\\' || !p[1]) {
            out += *p;
            continue;
        }
        wchar_t n = p[1];
        if (n == L'\\') { out += L'\\'; ++p; }
        else if (n == L'n') { out += L'\n'; ++p; }
        else if (n == L'r') { out += L'\r'; ++p; }
        else if (n == L't') { out += L'\t'; ++p; }
        else if (n == L'u') {
            int v = 0;
            bool ok = true;
            for (int i = 2; i < 6; ++i) {
                int d = p[i] ? hexDigit(p[i]) : -1;
                if (d < 0) { ok = false; break; }
                v = v * 16 + d;
            }
            if (ok) { out += (wchar_t)v; p += 5; }
            else out += *p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::wstring hexHwnd(HWND h)
{
    wchar_t buf[32];
    swprintf(buf, 32, L"0x%llx", (unsigned long long)(ULONG_PTR)h);
    return buf;
}

bool parseHwnd(const wchar_t *s, HWND *h)
{
    wchar_t *end = nullptr;
    unsigned long long v = wcstoull(s, &end, 16);
    if (!end || *end || end == s)
        return false;
    *h = (HWND)(ULONG_PTR)v;
    return true;
}

bool parseInt(const wchar_t *s, long long *v)
{
    wchar_t *end = nullptr;
    *v = wcstoll(s, &end, 0);
    return end && !*end && end != s;
}

std::wstring className(HWND h)
{
    wchar_t buf[256];
    int n = GetClassNameW(h, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

// Top-level captions come from the window manager's copy, so this never
// blocks on the target.
std::wstring caption(HWND h)
{
    int len = GetWindowTextLengthW(h);
    if (len <= 0)
        return std::wstring();
    std::vector<wchar_t> buf((size_t)len + 2);
    int n = GetWindowTextW(h, buf.data(), len + 1);
    return std::wstring(buf.data(), n > 0 ? n : 0);
}

bool send(HWND h, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR *result)
{
    DWORD_PTR r = 0;
    LRESULT ok = SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &r);
    if (result)
        *result = r;
    return ok != 0;
}

bool controlText(HWND h, std::wstring *text)
{
    DWORD_PTR len = 0;
    if (!send(h, WM_GETTEXTLENGTH, 0, 0, &len))
        return false;
    // WM_GETTEXTLENGTH may overestimate (DBCS); never underestimates.
    std::vector<wchar_t> buf((size_t)len + 2, L'\0');
    DWORD_PTR got = 0;
    if (!send(h, WM_GETTEXT, (WPARAM)(len + 1), (LPARAM)buf.data(), &got))
        return false;
    if (got > len + 1)
        got = len + 1;
    text->assign(buf.data(), wcsnlen(buf.data(), (size_t)got));
    return true;
}

bool isClass(HWND h, const wchar_t *cls)
{
    return _wcsicmp(className(h).c_str(), cls) == 0;
}

struct Match {
    std::wstring text;
    std::wstring cls;  // empty: any class
    DWORD pid = 0;     // 0: any process
    bool prefix = false;
    HWND found = nullptr;
};

BOOL CALLBACK findTop(HWND h, LPARAM lp)
{
    Match *m = (Match *)lp;
    if (!IsWindowVisible(h))
        return TRUE;
    if (m->pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid != m->pid)
            return TRUE;
    }
    if (!m->cls.empty() && !isClass(h, m->cls.c_str()))
        return TRUE;
    std::wstring c = caption(h);
    bool hit = m->prefix ? c.compare(0, m->text.size(), m->text) == 0 : c == m->text;
    if (!hit)
        return TRUE;
    m->found = h;
    return FALSE;
}

int waitFor(Match &m, long long timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + (ULONGLONG)(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        m.found = nullptr;
        EnumWindows(findTop, (LPARAM)&m);
        if (m.found) {
            outLine(hexHwnd(m.found));
            return 0;
        }
        if (GetTickCount64() >= deadline)
            return fail(1, L"timed out waiting for window \"" + escape(m.text) + L"\"");
        Sleep(kPollMs);
    }
}

BOOL CALLBACK listTop(HWND h, LPARAM)
{
    if (!IsWindowVisible(h))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    outLine(hexHwnd(h) + L"\t" + std::to_wstring(pid) + L"\t" + escape(className(h)) + L"\t" + escape(caption(h)));
    return TRUE;
}

BOOL CALLBACK collectChildren(HWND h, LPARAM lp)
{
    ((std::vector<HWND> *)lp)->push_back(h);
    return TRUE;
}

std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> v;
    EnumChildWindows(parent, collectChildren, (LPARAM)&v);
    return v;
}

// Direct children first (what GetDlgItem would give), then any descendant,
// so controls nested in group panes are still reachable.
HWND findControl(HWND parent, long long id)
{
    HWND h = GetDlgItem(parent, (int)id);
    if (h)
        return h;
    for (HWND c : children(parent))
        if (GetDlgCtrlID(c) == (int)id)
            return c;
    return nullptr;
}

int cmdList()
{
    EnumWindows(listTop, 0);
    return 0;
}

int cmdControls(HWND top)
{
    bool hung = false;
    for (HWND c : children(top)) {
        std::wstring cls = className(c);
        std::wstring checked = L"-";
        std::wstring extra = L"-";
        std::wstring text;
        if (!hung) {
            DWORD_PTR r = 0;
            if (_wcsicmp(cls.c_str(), L"Button") == 0) {
                if (send(c, BM_GETCHECK, 0, 0, &r)) checked = std::to_wstring((int)r);
                else hung = true;
            } else if (_wcsicmp(cls.c_str(), PROGRESS_CLASSW) == 0) {
                if (send(c, PBM_GETPOS, 0, 0, &r)) extra = std::to_wstring((long long)(LONG_PTR)r);
                else hung = true;
            }
            if (!hung && !controlText(c, &text))
                hung = true;
        }
        outLine(std::to_wstring(GetDlgCtrlID(c)) + L"\t" + escape(cls) + L"\t" +
                (IsWindowEnabled(c) ? L"1" : L"0") + L"\t" + (IsWindowVisible(c) ? L"1" : L"0") + L"\t" +
                checked + L"\t" + extra + L"\t" + escape(text));
    }
    if (hung)
        return fail(1, L"target did not answer; values after that are missing");
    return 0;
}

// Whether each visible text of a window fits its control, measured in the
// window's template font (face, points) at this process's DPI, which is the
// target's when both are DPI aware. One line per text control:
// id, fits (1/0), needed width and height, available width and height, text.
int cmdFits(HWND top, const std::wstring &face, long long points)
{
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv((int)points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                             FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str());
    HGDIOBJ old = SelectObject(dc, font);
    int result = 0;
    for (HWND c : children(top)) {
        std::wstring cls = className(c);
        LONG style = GetWindowLongW(c, GWL_STYLE);
        bool isStatic = _wcsicmp(cls.c_str(), L"Static") == 0;
        bool isButton = _wcsicmp(cls.c_str(), L"Button") == 0;
        LONG type = style & (isStatic ? SS_TYPEMASK : BS_TYPEMASK);
        if (!IsWindowVisible(c) || (!isStatic && !isButton)) continue;
        if (isStatic && type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP)
            continue;
        if (isButton && type == BS_GROUPBOX) continue;
        std::wstring text;
        if (!controlText(c, &text)) {
            result = fail(1, L"target did not answer WM_GETTEXT");
            break;
        }
        if (text.empty()) continue;

        RECT client;
        GetClientRect(c, &client);
        bool box = isButton && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                                type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE);
        int room = client.right;
        if (box) room -= GetSystemMetrics(SM_CXMENUCHECK) + 4;  // the box and its gap
        else if (isButton) room -= 2 * GetSystemMetrics(SM_CXEDGE) + 2;
        UINT flags = DT_CALCRECT | DT_EXPANDTABS;
        bool wraps = isStatic ? type != SS_LEFTNOWORDWRAP : (style & BS_MULTILINE) != 0;
        flags |= wraps ? DT_WORDBREAK : DT_SINGLELINE;
        if (isStatic && (style & SS_NOPREFIX)) flags |= DT_NOPREFIX;
        RECT need = {0, 0, room, 0};
        DrawTextW(dc, text.c_str(), (int)text.size(), &need, flags);
        bool fits = need.right <= room && need.bottom <= client.bottom;
        outLine(std::to_wstring(GetDlgCtrlID(c)) + L"\t" + (fits ? L"1" : L"0") + L"\t" +
                std::to_wstring(need.right) + L"\t" + std::to_wstring(need.bottom) + L"\t" + std::to_wstring(room) +
                L"\t" + std::to_wstring(client.bottom) + L"\t" + escape(text));
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return result;
}

// A person can only operate a control they can see and whose window is not
// blocked by a modal dialog; Wine itself delivers clicks to disabled buttons,
// so this has to be checked here.
int checkOperable(HWND top, HWND ctl, long long id)
{
    if (!IsWindowVisible(ctl))
        return fail(2, L"refused: control " + std::to_wstring(id) + L" is not visible");
    for (HWND h = ctl; h; h = GetParent(h)) {
        if (!IsWindowEnabled(h)) {
            if (h == ctl)
                return fail(2, L"refused: control " + std::to_wstring(id) + L" is disabled");
            return fail(2, L"refused: window " + hexHwnd(h) + L" is disabled (a modal dialog may be open)");
        }
        if (h == top)
            break;
    }
    return 0;
}

int cmdClick(HWND top, long long id)
{
    HWND ctl = findControl(top, id);
    if (!ctl)
        return fail(2, L"no control " + std::to_wstring(id));
    if (int rc = checkOperable(top, ctl, id))
        return rc;
    std::wstring cls = className(ctl);
    // Posted, not sent: a click that opens a modal dialog would otherwise
    // block us until that dialog is closed.
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        PostMessageW(ctl, BM_CLICK, 0, 0);
        return 0;
    }
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        if (!(GetWindowLongPtrW(ctl, GWL_STYLE) & SS_NOTIFY))
            return fail(2, L"refused: static " + std::to_wstring(id) + L" does not react to clicks (no SS_NOTIFY)");
        PostMessageW(GetParent(ctl), WM_COMMAND, MAKEWPARAM((WORD)id, STN_CLICKED), (LPARAM)ctl);
        return 0;
    }
    return fail(2, L"refused: cannot click a control of class " + cls);
}

int cmdSetText(HWND top, long long id, const std::wstring &text)
{
    HWND ctl = findControl(top, id);
    if (!ctl)
        return fail(2, L"no control " + std::to_wstring(id));
    if (int rc = checkOperable(top, ctl, id))
        return rc;
    std::vector<HWND> targets{ctl};
    // An editable combo shows (and hands back) the text of its inner edit.
    HWND combo = ctl;
    if (isClass(ctl, L"ComboBoxEx32")) {
        HWND inner = FindWindowExW(ctl, nullptr, L"ComboBox", nullptr);
        if (inner) {
            targets.push_back(inner);
            combo = inner;
        }
    }
    if (isClass(combo, L"ComboBox")) {
        HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
        if (edit)
            targets.push_back(edit);
    }
    for (HWND t : targets)
        if (!send(t, WM_SETTEXT, 0, (LPARAM)text.c_str(), nullptr))
            return fail(1, L"target did not answer WM_SETTEXT");
    return 0;
}

// Keeps the Wine desktop (and its explorer.exe) alive for a whole test run.
// Started first, with its output going nowhere, it is the process whose
// handles Wine's desktop helper inherits; otherwise the first test to open a
// window would lend it its output pipe, and its runner would wait for that.
int cmdHold()
{
    HWND w = CreateWindowExW(0, L"STATIC", L"uidriver hold", WS_POPUP, 0, 0, 1, 1,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!w)
        return fail(2, L"cannot create the holding window");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

int usage()
{
    return fail(2,
        L"usage:\n"
        L"  list\n"
        L"  hold\n"
        L"  wait <caption> <timeout_ms> [pid]\n"
        L"  waitprefix <caption-prefix> <timeout_ms> [pid]\n"
        L"  waitclass <class> <caption> <timeout_ms> [pid]\n"
        L"  gone <hwnd> <timeout_ms>\n"
        L"  caption <hwnd>\n"
        L"  controls <hwnd>\n"
        L"  fits <hwnd> <font face> <points>\n"
        L"  text <hwnd> <id>\n"
        L"  click <hwnd> <id>\n"
        L"  command <hwnd> <id>\n"
        L"  settext <hwnd> <id> <text>\n"
        L"  close <hwnd>\n"
        L"  rect <hwnd>\n"
        L"  clientrect <hwnd>");
}

int run(int argc, wchar_t **argv)
{
    if (argc < 2)
        return usage();
    std::wstring cmd = argv[1];
    int nargs = argc - 2;
    wchar_t **a = argv + 2;

    if (cmd == L"list" && nargs == 0)
        return cmdList();
    if (cmd == L"hold" && nargs == 0)
        return cmdHold();

    if ((cmd == L"wait" || cmd == L"waitprefix") && (nargs == 2 || nargs == 3)) {
        Match m;
        long long timeout = 0, pid = 0;
        m.text = unescape(a[0]);
        m.prefix = cmd == L"waitprefix";
        if (!parseInt(a[1], &timeout) || (nargs == 3 && !parseInt(a[2], &pid)))
            return usage();
        m.pid = (DWORD)pid;
        return waitFor(m, timeout);
    }

    if (cmd == L"waitclass" && (nargs == 3 || nargs == 4)) {
        Match m;
        long long timeout = 0, pid = 0;
        m.cls = unescape(a[0]);
        m.text = unescape(a[1]);
        if (!parseInt(a[2], &timeout) || (nargs == 4 && !parseInt(a[3], &pid)))
            return usage();
        m.pid = (DWORD)pid;
        return waitFor(m, timeout);
    }

    if (nargs < 1)
        return usage();
    HWND h = nullptr;
    if (!parseHwnd(a[0], &h))
        return usage();

    if (cmd == L"gone" && nargs == 2) {
        long long timeout = 0;
        if (!parseInt(a[1], &timeout))
            return usage();
        ULONGLONG deadline = GetTickCount64() + (ULONGLONG)(timeout > 0 ? timeout : 0);
        for (;;) {
            if (!IsWindow(h) || !IsWindowVisible(h))
                return 0;
            if (GetTickCount64() >= deadline)
                return fail(1, L"timed out: window " + hexHwnd(h) + L" is still there");
            Sleep(kPollMs);
        }
    }

    if (!IsWindow(h))
        return fail(2, L"no window " + hexHwnd(h));

    if (cmd == L"caption" && nargs == 1) {
        outLine(escape(caption(h)));
        return 0;
    }
    if (cmd == L"controls" && nargs == 1)
        return cmdControls(h);
    if (cmd == L"fits" && nargs == 3) {
        long long points = 0;
        if (!parseInt(a[2], &points))
            return usage();
        return cmdFits(h, unescape(a[1]), points);
    }
    if (cmd == L"close" && nargs == 1) {
        PostMessageW(h, WM_CLOSE, 0, 0);
        return 0;
    }
    if ((cmd == L"rect" || cmd == L"clientrect") && nargs == 1) {
        // Without a window manager Wine does not draw the frame or caption:
        // only the client area shows on the X screen.
        RECT r;
        bool ok;
        if (cmd == L"rect") {
            ok = GetWindowRect(h, &r);
        } else {
            POINT origin = {0, 0};
            ok = GetClientRect(h, &r) && ClientToScreen(h, &origin);
            OffsetRect(&r, origin.x, origin.y);
        }
        if (!ok)
            return fail(2, L"cannot get the window's rectangle");
        outLine(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
                std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom));
        return 0;
    }

    long long id = 0;
    if (nargs < 2 || !parseInt(a[1], &id))
        return usage();

    if (cmd == L"text" && nargs == 2) {
        HWND ctl = findControl(h, id);
        if (!ctl)
            return fail(2, L"no control " + std::to_wstring(id));
        std::wstring text;
        if (!controlText(ctl, &text))
            return fail(1, L"target did not answer WM_GETTEXT");
        outLine(escape(text));
        return 0;
    }
    if (cmd == L"click" && nargs == 2)
        return cmdClick(h, id);
    if (cmd == L"command" && nargs == 2) {
        // For buttons that share an id with another control (the file
        // dialog has two id-1 controls), talk to the dialog directly.
        PostMessageW(h, WM_COMMAND, MAKEWPARAM((WORD)id, BN_CLICKED), 0);
        return 0;
    }
    if (cmd == L"settext" && nargs == 3)
        return cmdSetText(h, id, unescape(a[2]));

    return usage();
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Coordinates and text sizes in real pixels, as the DPI-aware program sees them.
    SetProcessDPIAware();
    int rc = run(argc, argv);
    fflush(stdout);
    fflush(stderr);
    if (rc != 0)
        return rc;
    return 0;
}
