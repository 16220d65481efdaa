// The demo's installer: shows that it ran and with which parameters.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR parameters, int) {
    std::wstring text = L"The demo installer ran.\n\nParameters: ";
    text += (parameters && *parameters) ? parameters : L"(none)";
    MessageBoxW(nullptr, text.c_str(), L"Demo Setup", MB_OK | MB_ICONINFORMATION);
    return 0;
}
