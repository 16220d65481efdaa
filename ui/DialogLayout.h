// Small run-time adjustments that keep the dialog templates readable at any
// DPI and with any build's texts.
#pragma once

#include <windows.h>

// Widens a one-line label to its text, never past `limit` pixels (client
// coordinates of the dialog) and never narrower than the template made it.
void WidenToText(HWND dialog, int controlId, int limit);

// The left edge of a control in the dialog's client coordinates.
int LeftOf(HWND dialog, int controlId);

// Shows the bitmap resource in a picture control scaled from 96 DPI to the
// dialog's DPI. Returns the new bitmap for the caller to delete, or nullptr
// when the bitmap is shown as it is (at 96 DPI, or when it cannot be loaded).
HBITMAP ShowBitmapAtDpi(HWND dialog, int controlId, int bitmapId);
