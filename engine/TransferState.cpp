#include "TransferState.h"

#include "Format.h"
#include "Language.h"

void TransferState::ResetProgress(int64_t total, int64_t start) {
    SmoothedRate = 0.0;
    DWORD now = GetTickCount();
    RateTick = now;
    LogTick = now;
    RateBytes = start;
    ReceivedBytes = start;
    TotalBytes = total;  // last: the timer reads the others once this is set
}

void TransferState::RecordFailure(int textKey, int code) {
    if (code == 0) code = int(GetLastError());
    ErrorText = LoadText(textKey, FormatText(L"%d", code).c_str());
    if (code == ERROR_INTERNET_CANNOT_CONNECT) {
        NoReconnect = true;
        ErrorText = LoadText(NoInternet, ErrorText.c_str());
    }
}
