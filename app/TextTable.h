// The program's own texts in English and German, and the placeholder
// substitution. Platform-free: the registry side lives in Language.h.
#pragma once

#include <string>

// Keys of texts that have no number of their own in the table.
enum TextKey : int {
    HelpCaption = 0x1000,
    NoInternet = 0x1001,
};

// German when the primary language (the low 10 bits) is 7.
bool IsGermanLanguage(unsigned long languageId);

// The text of a key in the given language, English where the German list has
// none, "???" for an unknown key. Never null.
const wchar_t* TableText(unsigned long languageId, int key);

// Replaces %1..%9 and %A..%Z by args[0..34]; a placeholder beyond count
// becomes "?", a null argument nothing. Any other "%" stays as it is.
std::wstring SubstituteText(const wchar_t* text, const wchar_t* const* args, int count);
