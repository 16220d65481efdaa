#include "Language.h"

#include <windows.h>

unsigned long UserLanguage() {
    unsigned long lang = GetUserDefaultLangID();
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tarvik", 0, KEY_READ, &key) != ERROR_SUCCESS) return lang;
    DWORD value = 0, type = 0, size = sizeof(value);
    if (RegQueryValueExW(key, L"language.id", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(value) && value != 0)
        lang = value;
    RegCloseKey(key);
    return lang;
}

std::wstring LookupText(int key) { return TableText(UserLanguage(), key); }

std::wstring LoadText(int key, const wchar_t* s1) {
    const wchar_t* args[] = {s1};
    return SubstituteText(TableText(UserLanguage(), key), args, 1);
}

std::wstring LoadText2(int key, const wchar_t* s1, const wchar_t* s2) {
    const wchar_t* args[] = {s1, s2};
    return SubstituteText(TableText(UserLanguage(), key), args, 2);
}
