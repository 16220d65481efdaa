// An error the program itself detects on the user-interface thread: written to
// the protocol file as an error block and shown in an error message box.
#pragma once

void ReportError(int textKey, const wchar_t* argument);
