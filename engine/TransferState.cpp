#include "TransferState.h"

#include "Format.h"
#include "Language.h"

void TransferState::RecordFailure(int textKey, int code) {
    if (code == 0) code = int(GetLastError());
    ErrorText = LoadText(textKey, FormatText(L"%d", code).c_str());
    if (code == ERROR_INTERNET_CANNOT_CONNECT) {
        NoReconnect = true;
        ErrorText = LoadText(NoInternet, ErrorText.c_str());
    }
}
