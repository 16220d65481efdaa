#include "LogLines.h"

namespace {

void AppendNumber(std::wstring& text, int value, int digits) {
    wchar_t buffer[12];
    int n = 0;
    unsigned v = value < 0 ? 0u : unsigned(value);
    do {
        buffer[n++] = wchar_t(L'0' + v % 10);
        v /= 10;
    } while (v && n < 11);
    while (n < digits) buffer[n++] = L'0';
    while (n) text += buffer[--n];
}

}  // namespace

std::wstring TimeStampText(const StampTime& t) {
    std::wstring text;
    AppendNumber(text, t.Year, 4);
    text += L'-';
    AppendNumber(text, t.Month, 2);
    text += L'-';
    AppendNumber(text, t.Day, 2);
    text += L' ';
    AppendNumber(text, t.Hour, 2);
    text += L':';
    AppendNumber(text, t.Minute, 2);
    text += L':';
    AppendNumber(text, t.Second, 2);
    text += L"   ";
    return text;
}

std::wstring RunHeaderText(const std::wstring& stamp, const wchar_t* user, const wchar_t* computer) {
    std::wstring text = L"\n\f" + stamp;
    if (user) (text += user) += L'@';
    if (computer) (text += computer) += L' ';
    return text;
}

std::wstring ErrorBlockText(const std::wstring& text) { return L"\n\aError:\n" + text + L"\n\n"; }
