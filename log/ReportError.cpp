#include "ReportError.h"

#include <string>

#include "Framework.h"
#include "Language.h"
#include "ProtocolLog.h"

void ReportError(int textKey, const wchar_t* argument) {
    std::wstring text = LoadText(textKey, argument);
    LogErrorBlock(text.c_str());
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONERROR);
}
