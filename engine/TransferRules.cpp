#include "TransferRules.h"

#include <cwctype>

namespace {

const wchar_t* const Months[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                 L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
const wchar_t* const Days[] = {L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"};
const wchar_t* const LongDays[] = {L"Monday", L"Tuesday", L"Wednesday", L"Thursday",
                                   L"Friday", L"Saturday", L"Sunday"};

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// A cursor over the date text; every step checks what it reads.
class Reader {
public:
    explicit Reader(const std::wstring& text) : text_(text) {}

    bool AtEnd() const { return pos_ == text_.size(); }
    bool Take(wchar_t c) {
        if (pos_ < text_.size() && text_[pos_] == c) return ++pos_, true;
        return false;
    }
    bool Blanks() {  // one or more blanks
        size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] == L' ') ++pos_;
        return pos_ > start;
    }
    // Exactly `digits` digits, or 1..digits when `upTo`.
    bool Number(int digits, int& value, bool upTo = false) {
        size_t start = pos_;
        value = 0;
        while (pos_ < text_.size() && pos_ - start < size_t(digits) && iswdigit(text_[pos_]))
            value = value * 10 + (text_[pos_++] - L'0');
        size_t n = pos_ - start;
        return upTo ? n >= 1 : n == size_t(digits);
    }
    bool Word(const wchar_t* const* words, int count, int& index) {
        for (index = 0; index < count; ++index) {
            std::wstring w = words[index];
            if (text_.compare(pos_, w.size(), w) == 0) {
                // A word must not run on into letters (Sun vs Sunday).
                size_t end = pos_ + w.size();
                if (end < text_.size() && iswalpha(text_[end])) continue;
                pos_ = end;
                return true;
            }
        }
        return false;
    }
    bool Literal(const wchar_t* s) {
        std::wstring w = s;
        if (text_.compare(pos_, w.size(), w) != 0) return false;
        pos_ += w.size();
        return true;
    }

private:
    const std::wstring& text_;
    size_t pos_ = 0;
};

bool Clock(Reader& r, int& hour, int& minute, int& second) {
    return r.Number(2, hour) && r.Take(L':') && r.Number(2, minute) && r.Take(L':') && r.Number(2, second);
}

bool Zone(Reader& r) { return r.Literal(L"GMT") || r.Literal(L"UTC"); }

bool ReadDate(const std::wstring& text, int& year, int& month, int& day, int& hour, int& minute, int& second) {
    int index;
    {  // Sun, 06 Nov 1994 08:49:37 GMT
        Reader r(text);
        if (r.Word(Days, 7, index) && r.Take(L',') && r.Blanks() && r.Number(2, day) && r.Blanks() &&
            r.Word(Months, 12, month) && r.Blanks() && r.Number(4, year) && r.Blanks() &&
            Clock(r, hour, minute, second) && r.Blanks() && Zone(r) && r.AtEnd())
            return ++month, true;
    }
    {  // Sunday, 06-Nov-94 08:49:37 GMT
        Reader r(text);
        if (r.Word(LongDays, 7, index) && r.Take(L',') && r.Blanks() && r.Number(2, day) && r.Take(L'-') &&
            r.Word(Months, 12, month) && r.Take(L'-') && r.Number(2, year) && r.Blanks() &&
            Clock(r, hour, minute, second) && r.Blanks() && Zone(r) && r.AtEnd()) {
            year += year < 70 ? 2000 : 1900;
            return ++month, true;
        }
    }
    {  // Sun Nov  6 08:49:37 1994
        Reader r(text);
        if (r.Word(Days, 7, index) && r.Blanks() && r.Word(Months, 12, month) && r.Blanks() &&
            r.Number(2, day, true) && r.Blanks() && Clock(r, hour, minute, second) && r.Blanks() &&
            r.Number(4, year) && r.AtEnd())
            return ++month, true;
    }
    return false;
}

std::wstring Trimmed(const std::wstring& text) {
    size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return std::wstring();
    size_t last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}

// Non-negative decimal with no sign; false when empty, not digits or too large.
bool ReadCount(const std::wstring& text, size_t& pos, int64_t& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        int digit = text[pos++] - L'0';
        if (value > (INT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return pos > start;
}

}  // namespace

int64_t TimeFromCivil(int year, int month, int day, int hour, int minute, int second) {
    // Days since 1970-01-01 by the proleptic Gregorian calendar.
    int64_t y = year - (month <= 2 ? 1 : 0);
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yearOfEra = y - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int64_t days = era * 146097 + dayOfEra - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

bool ParseHttpDate(const std::wstring& text, int64_t& time) {
    int year, month, day, hour, minute, second;
    if (!ReadDate(text, year, month, day, hour, minute, second)) return false;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60)
        return false;
    time = year < 1900 ? 0 : TimeFromCivil(year, month, day, hour, minute, second);
    return true;
}

int64_t ParseContentLength(const std::wstring& text) {
    std::wstring value = Trimmed(text);
    size_t pos = 0;
    int64_t length;
    if (!ReadCount(value, pos, length) || pos != value.size()) return -1;
    return length;
}

bool ParseContentRange(const std::wstring& text, int64_t& first, int64_t& last, int64_t& total) {
    std::wstring value = Trimmed(text);
    if (value.compare(0, 6, L"bytes ") != 0) return false;
    size_t pos = 6;
    if (!ReadCount(value, pos, first) || pos >= value.size() || value[pos++] != L'-') return false;
    if (!ReadCount(value, pos, last) || pos >= value.size() || value[pos++] != L'/') return false;
    if (value.compare(pos, std::wstring::npos, L"*") == 0) {
        total = -1;
    } else if (!ReadCount(value, pos, total) || pos != value.size()) {
        return false;
    }
    return first <= last;
}

bool RangeContinuesFile(const std::wstring& contentRange, int64_t localSize, int64_t remoteSize) {
    int64_t first, last, total;
    return ParseContentRange(contentRange, first, last, total) && first == localSize && last == remoteSize - 1 &&
           total == remoteSize;
}

ResumeDecision DecideResume(bool localExists, const FileFacts& local, const FileFacts& remote, int64_t now) {
    if (!localExists) return ResumeDecision::NoLocalFile;
    if (local.Time <= remote.Time) return ResumeDecision::RemoteIsNewer;
    if (local.Size > remote.Size) return ResumeDecision::RemoteIsSmaller;
    // Whole hours, truncated toward zero: 120 h 59 min still continues.
    if ((now - local.Time) / 3600 > MaxResumeAgeHours) return ResumeDecision::LocalIsTooOld;
    if (local.Size == remote.Size) return ResumeDecision::AlreadyComplete;
    return ResumeDecision::Continue;
}
