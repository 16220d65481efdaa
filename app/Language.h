// Texts in the language in force: the per-user registry value
// HKCU\Software\Tarvik "language.id" (a non-zero DWORD), else the user's
// default language. Asked anew at every lookup.
#pragma once

#include <string>

#include "TextTable.h"

unsigned long UserLanguage();
std::wstring LookupText(int key);
std::wstring LoadText(int key, const wchar_t* s1);
std::wstring LoadText2(int key, const wchar_t* s1, const wchar_t* s2);
