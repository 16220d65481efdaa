// printf-style formatting into a wide string of any length. On Windows this is
// the C runtime's own wide formatting: "%s" takes a wide string and "%I64d"
// works (ISO swprintf would read "%s" as a narrow string).
#pragma once

#include <cstdarg>
#include <string>

std::wstring FormatText(const wchar_t* format, ...);
std::wstring FormatTextV(const wchar_t* format, va_list args);
