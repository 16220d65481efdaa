// The shapes of the protocol file's lines, as text. Platform-free.
#pragma once

#include <string>

struct StampTime {
    int Year, Month, Day, Hour, Minute, Second;
};

// "YYYY-MM-DD hh:mm:ss" followed by three blanks.
std::wstring TimeStampText(const StampTime& time);

// LF, FF, the stamp, "user@" and "computer " where known (null: unknown).
// The line feed that ends the line is written by LogLine.
std::wstring RunHeaderText(const std::wstring& stamp, const wchar_t* user, const wchar_t* computer);

// LF, BEL, "Error:", LF, the text, LF, LF (LogLine adds the last line feed).
std::wstring ErrorBlockText(const std::wstring& text);

// The protocol file is written in pieces of at most this many UTF-16 units,
// so one conversion to code page 1252 fits its fixed buffer.
const size_t ChunkUnits = 512;
