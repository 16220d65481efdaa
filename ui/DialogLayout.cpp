#include "DialogLayout.h"

#include <string>

namespace {

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT rect = {};
    if (control && GetWindowRect(control, &rect)) MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

int LeftOf(HWND dialog, int controlId) { return ClientRectOf(dialog, GetDlgItem(dialog, controlId)).left; }

void WidenToText(HWND dialog, int controlId, int limit) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return;
    int length = GetWindowTextLengthW(control);
    std::wstring text(size_t(length) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(control, &text[0], length + 1)));

    HDC dc = GetDC(control);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), int(text.size()), &needed, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(control, dc);

    RECT rect = ClientRectOf(dialog, control);
    int width = needed.right - needed.left + 1;
    if (rect.left + width > limit) width = limit - rect.left;
    if (width <= rect.right - rect.left) return;
    SetWindowPos(control, nullptr, 0, 0, width, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HBITMAP ShowBitmapAtDpi(HWND dialog, int controlId, int bitmapId) {
    HDC dc = GetDC(dialog);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(dialog, dc);
    HWND control = GetDlgItem(dialog, controlId);
    auto shown = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP size;
    if (dpi == 96 || !control || !shown || !GetObjectW(shown, sizeof(size), &size)) return nullptr;

    auto scaled = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP,
                                                  MulDiv(size.bmWidth, dpi, 96), MulDiv(size.bmHeight, dpi, 96), 0));
    if (!scaled) return nullptr;
    // The control hands back the bitmap it loaded from the template; replaced,
    // it is no longer the control's to free.
    auto old = reinterpret_cast<HBITMAP>(
        SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled)));
    if (old && old != scaled) DeleteObject(old);
    return scaled;
}
