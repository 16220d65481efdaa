#include <gtest/gtest.h>

#include "TextTable.h"

namespace {

const unsigned long English = 0x0409, German = 0x0407;

std::wstring Fill(const wchar_t* text, std::initializer_list<const wchar_t*> args) {
    return SubstituteText(text, args.begin(), int(args.size()));
}

TEST(TextTable, LanguageIsChosenByTheLowTenBits) {
    for (unsigned long lang : {0x0407ul, 0x0807ul, 0x0c07ul, 7ul, 0x10407ul}) EXPECT_TRUE(IsGermanLanguage(lang)) << lang;
    for (unsigned long lang : {0x0409ul, 0ul, 0x040cul, 0x0408ul, 0x0417ul}) EXPECT_FALSE(IsGermanLanguage(lang)) << lang;
}

TEST(TextTable, LookupByLanguageWithEnglishFallback) {
    const struct {
        int Key;
        const wchar_t* English;
        const wchar_t* German;
    } cases[] = {
        {0x66, L"%1 from %2", L"%1 von %2"},
        {0x84, L"Aborting transfer", L"\u00dcbertragung wird abgebrochen"},
        {0x8c, L"An error occurred on opening the file:\n\n%1", L"An error occurred on opening the file:\n\n%1"},
        {0x8d, L"The specified file was not found:\n\n%1", L"The specified file was not found:\n\n%1"},
        {0x8e, L"The .exe file is invalid (non-Microsoft Win32 .exe or error in .exe image):\n\n%1",
         L"The .exe file is invalid (non-Microsoft Win32 .exe or error in .exe image):\n\n%1"},
        {0x71, L"Failed to receive a valid HTTP response from the server",
         L"Failed to receive a valid HTTP response from the server"},
        {HelpCaption, L"Help", L"Hilfe"},
        {0x91, L"???", L"???"},
        {0x65, L"???", L"???"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(TableText(English, c.Key), c.English) << c.Key;
        EXPECT_STREQ(TableText(German, c.Key), c.German) << c.Key;
    }
}

TEST(TextTable, TextsWithApostrophesAndLineBreaks) {
    EXPECT_STREQ(TableText(English, 0x89),
                 L"The Download Manager\u00b4s name has been changed.\nThus the download can\u00b4t being processed.\n\n"
                 L"Please start the download from the original\nsource without manual modification.");
    std::wstring german = TableText(German, NoInternet);
    EXPECT_EQ(german.rfind(L"Keine Internet-Verbindung m\u00f6glich!\n\n", 0), 0u);
    EXPECT_NE(german.find(L"da\u00df diesem"), std::wstring::npos);
    std::wstring english = TableText(English, NoInternet);
    EXPECT_EQ(english.substr(english.size() - 4), L"\n\n%1");
    EXPECT_NE(HelpCaption, NoInternet);
}

TEST(TextTable, Substitution) {
    EXPECT_EQ(Fill(L"%1% of %2 Completed", {L"45", L"3.2 MB"}), L"45% of 3.2 MB Completed");
    EXPECT_EQ(Fill(L"%1% of %2 Completed", {L"45"}), L"45% of ? Completed");
    EXPECT_EQ(Fill(L"%2 then %1", {L"a", L"b"}), L"b then a");
    EXPECT_EQ(Fill(L"[%1]", {nullptr}), L"[]");
    EXPECT_EQ(Fill(L"%0 %a %  %", {L"x"}), L"%0 %a %  %");
    EXPECT_EQ(Fill(L"%%1", {L"x"}), L"%x");
    EXPECT_EQ(Fill(L"%9%A%Z", {L"x"}), L"???");
    EXPECT_EQ(Fill(L"no placeholder", {}), L"no placeholder");
    // A replacement is not read again for placeholders.
    EXPECT_EQ(Fill(L"%1", {L"%2"}), L"%2");
}

}  // namespace
