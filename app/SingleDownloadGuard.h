// Two copies of the same program file would fetch into the same local file;
// the second one is refused. Only file names are compared.
#pragma once

// True when another process runs a program file of the same name.
bool IsDownloadRunning();

// Case-insensitive for A-Z only, as file names are compared by the guard.
bool SameProgramName(const wchar_t* a, const wchar_t* b);
