#include "Format.h"

#include <cwchar>
#include <vector>

std::wstring FormatText(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatTextV(format, args);
    va_end(args);
    return text;
}

#ifdef _WIN32

#include <stdio.h>

std::wstring FormatTextV(const wchar_t* format, va_list args) {
    va_list count;
    va_copy(count, args);
    int length = _vscwprintf(format, count);
    va_end(count);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(size_t(length) + 1);
    _vsnwprintf(buffer.data(), buffer.size(), format, args);
    return std::wstring(buffer.data(), size_t(length));
}

#else

// Host builds of the platform-free tests: ISO rules ("%ls" for wide strings).
std::wstring FormatTextV(const wchar_t* format, va_list args) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list attempt;
        va_copy(attempt, args);
        int length = vswprintf(buffer.data(), buffer.size(), format, attempt);
        va_end(attempt);
        if (length >= 0 && size_t(length) < buffer.size()) return std::wstring(buffer.data(), size_t(length));
        if (buffer.size() > (1u << 24)) return std::wstring();
        buffer.resize(buffer.size() * 4);
    }
}

#endif
