#include <gtest/gtest.h>

#include <windows.h>

#include "Language.h"

namespace {

// Each test sets the per-user language value itself and removes it again.
class LanguageValue : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tarvik", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueW(key, L"language.id");
    }
    void TearDown() override {
        RegDeleteValueW(key, L"language.id");
        RegCloseKey(key);
    }
    void Set(DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExW(key, L"language.id", 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    void SetDword(DWORD value) { Set(REG_DWORD, &value, sizeof(value)); }

    HKEY key = nullptr;
    const unsigned long userDefault = GetUserDefaultLangID();
};

TEST_F(LanguageValue, MissingValueLeavesTheUsersLanguage) { EXPECT_EQ(UserLanguage(), userDefault); }

TEST_F(LanguageValue, DwordValueChoosesTheLanguage) {
    const struct {
        DWORD Value;
        const wchar_t* Source;  // text 0x66
    } cases[] = {
        {0x0407, L"a.exe von host"}, {7, L"a.exe von host"},      {0x10407, L"a.exe von host"},
        {0x0807, L"a.exe von host"}, {0x0409, L"a.exe from host"}, {0x040c, L"a.exe from host"},
    };
    for (const auto& c : cases) {
        SetDword(c.Value);
        EXPECT_EQ(UserLanguage(), c.Value);
        EXPECT_EQ(LoadText2(0x66, L"a.exe", L"host"), c.Source) << c.Value;
    }
}

TEST_F(LanguageValue, ZeroAndOtherTypesAreIgnored) {
    SetDword(0);
    EXPECT_EQ(UserLanguage(), userDefault);
    const wchar_t text[] = L"1031";
    Set(REG_SZ, text, sizeof(text));
    EXPECT_EQ(UserLanguage(), userDefault);
    const BYTE binary[4] = {0x07, 0x04, 0, 0};
    Set(REG_BINARY, binary, sizeof(binary));
    EXPECT_EQ(UserLanguage(), userDefault);
    const unsigned long long wide = 0x0407;
    Set(REG_QWORD, &wide, sizeof(wide));
    EXPECT_EQ(UserLanguage(), userDefault);
}

TEST_F(LanguageValue, TextsFollowTheValueAtEveryLookup) {
    SetDword(0x0407);
    EXPECT_EQ(LookupText(HelpCaption), L"Hilfe");
    EXPECT_EQ(LoadText(0x73, L"45"), L"45% von ? fertig");
    EXPECT_EQ(LoadText(0x8d, L"C:\\x.exe"), L"The specified file was not found:\n\nC:\\x.exe");
    EXPECT_EQ(LoadText(NoInternet, L"E").substr(0, 34), L"Keine Internet-Verbindung m\u00f6glich!");
    SetDword(0x0409);
    EXPECT_EQ(LookupText(HelpCaption), L"Help");
    EXPECT_EQ(LoadText(0x77, L"EditorSetup[1]"), L"Start the Installation of EditorSetup[1]");
    EXPECT_EQ(LookupText(0x91), L"???");
}

}  // namespace
