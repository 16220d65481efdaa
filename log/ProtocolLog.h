// The protocol file: every run of every copy of the program appends to
// <all users' application data>\Tarvik\DownloadManager\protocol.txt, in code
// page 1252 with LF line ends. Nothing here ever fails visibly.
//
// A line is kept whole against other threads and other copies: a lock shared
// by all copies is taken by the first write of a line and released by the
// line feed that ends it (LogLine, LogFormat), so "LogTimeStamp, LogLine" land
// together. LogStamped and LogEvent write their whole line at once, so a copy
// that is killed mid-line leaves no line without its end.
#pragma once

void LogRunStart();
void LogText(const wchar_t* text);
void LogLine(const wchar_t* text);
void LogFormat(const wchar_t* format, ...);
void LogTimeStamp();
// The time stamp and the formatted line.
void LogStamped(const wchar_t* format, ...);
void LogEvent(const wchar_t* format, ...);
void LogErrorBlock(const wchar_t* text);
