// The decisions of the transfer that need no system: reading HTTP header
// values, and whether a local file may be continued. Platform-free.
#pragma once

#include <cstdint>
#include <string>

// What is known of a file: its length in bytes and its time in seconds since
// 1970-01-01 00:00 UTC (0: none). Remote: Content-Length and Last-Modified;
// local: the file's size and creation time.
struct FileFacts {
    int64_t Size = 0;
    int64_t Time = 0;
};

// An HTTP date in any of its three forms (RFC 1123, RFC 850, asctime), in UTC.
// False for a text that is not such a date or has a field out of range. A
// year before 1900 gives the time 0, as the calendar conversion cannot name it.
bool ParseHttpDate(const std::wstring& text, int64_t& time);

// Seconds since 1970 of a UTC calendar date; the fields must be valid.
int64_t TimeFromCivil(int year, int month, int day, int hour, int minute, int second);

// A Content-Length value: decimal digits only (blanks around them allowed).
// -1 for anything else, a negative or an out-of-range number among them.
int64_t ParseContentLength(const std::wstring& text);

// "bytes FIRST-LAST/TOTAL" (TOTAL may be "*": -1). False when malformed.
bool ParseContentRange(const std::wstring& text, int64_t& first, int64_t& last, int64_t& total);

// A 206 answer may be appended only when it goes on exactly at the local
// size and describes the same file as the first answer.
bool RangeContinuesFile(const std::wstring& contentRange, int64_t localSize, int64_t remoteSize);

// How the local file left by an earlier attempt is used, first rule first.
enum class ResumeDecision {
    NoLocalFile,      // start again: "%s: not exists"
    RemoteIsNewer,    // start again: the local file is not younger than the remote date
    RemoteIsSmaller,  // start again: the local file is larger than the remote one
    LocalIsTooOld,    // start again: more than 120 whole hours old
    AlreadyComplete,  // nothing to fetch
    Continue,         // ask for the rest with a Range header
};

const int64_t MaxResumeAgeHours = 120;

ResumeDecision DecideResume(bool localExists, const FileFacts& local, const FileFacts& remote, int64_t now);

inline bool StartsAgain(ResumeDecision d) {
    return d != ResumeDecision::AlreadyComplete && d != ResumeDecision::Continue;
}
