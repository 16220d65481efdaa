#include <gtest/gtest.h>

#include "DownloadIdentity.h"

namespace {

const std::wstring Base = L"http://base.example/";
const std::wstring Temp = L"C:\\Temp\\";
const std::wstring Desktop = L"C:\\Desktop";

struct NameCase {
    const wchar_t* ProgramFile;  // the part after C:\Downloads\ ; null: refused
    const wchar_t* Url;          // null: refused
    const wchar_t* LocalFile;
    const wchar_t* Shortcut;
};

const NameCase NameCases[] = {
    {L"Download-(1)(tools+editor)-EditorSetup[1].exe", L"http://base.example/tools/editor/EditorSetup.exe",
     L"C:\\Temp\\EditorSetup[1].exe", L"C:\\Desktop\\EditorSetup.lnk"},
    {L"download-(1)(a)-b.exe", L"http://base.example/a/b.exe", L"C:\\Temp\\b.exe", L"C:\\Desktop\\b.lnk"},
    {L"DOWNLOAD-(1)(a)-b.exe", L"http://base.example/a/b.exe", L"C:\\Temp\\b.exe", L"C:\\Desktop\\b.lnk"},
    {L"Download-(01)(a)-b.exe", L"http://base.example/a/b.exe", L"C:\\Temp\\b.exe", L"C:\\Desktop\\b.lnk"},
    {L"Download-( 1)(a)-b.exe", L"http://base.example/a/b.exe", L"C:\\Temp\\b.exe", L"C:\\Desktop\\b.lnk"},
    {L"Download-(+1)(a)-b.exe", L"http://base.example/a/b.exe", L"C:\\Temp\\b.exe", L"C:\\Desktop\\b.lnk"},
    {L"Download-(1a)(a)-b.exe", L"http://base.example/a/b.exe", L"C:\\Temp\\b.exe", L"C:\\Desktop\\b.lnk"},
    {L"Download-(1)()-b.exe", L"http://base.example//b.exe", L"C:\\Temp\\b.exe", L"C:\\Desktop\\b.lnk"},
    {L"Download-(1)(a+b+c)-x.exe", L"http://base.example/a/b/c/x.exe", L"C:\\Temp\\x.exe", L"C:\\Desktop\\x.lnk"},
    {L"Download-(1)(a)-setup[2].exe", L"http://base.example/a/setup.exe", L"C:\\Temp\\setup[2].exe",
     L"C:\\Desktop\\setup.lnk"},
    {L"Download-(1)(a)-setup[2.exe", L"http://base.example/a/setup", L"C:\\Temp\\setup[2.exe",
     L"C:\\Desktop\\setup.lnk"},
    // The file part is taken as it stands: hyphens, parentheses, no extension.
    {L"Download-(1)(a(b)-my-(x)-file.exe", L"http://base.example/a(b/my-(x)-file.exe",
     L"C:\\Temp\\my-(x)-file.exe", L"C:\\Desktop\\my-(x)-file.lnk"},
    {L"Download-(1)(a)-noext", L"http://base.example/a/noext", L"C:\\Temp\\noext", L"C:\\Desktop\\noext.lnk"},
    {L"Download-(1)(a)-", L"http://base.example/a/", L"C:\\Temp\\", L"C:\\Desktop\\.lnk"},
    // Refused.
    {L"Download-(2)(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download-()(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download-(x)(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download-(x1)(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download-(-1)(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download-(99999999999999999999)(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download-(1)(a)b.exe", nullptr, nullptr, nullptr},
    {L"Download-(1)(a)", nullptr, nullptr, nullptr},
    {L"Download-(1)a-b.exe", nullptr, nullptr, nullptr},
    {L"Download-(1)(a-b.exe", nullptr, nullptr, nullptr},
    {L"Download-(1-(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download-1(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download_(1)(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download\u00e4(1)(a)-b.exe", nullptr, nullptr, nullptr},
    {L"Download-", nullptr, nullptr, nullptr},
    {L"Setup.exe", nullptr, nullptr, nullptr},
    {L"", nullptr, nullptr, nullptr},
};

TEST(DownloadIdentity, ProgramFileNames) {
    for (const NameCase& c : NameCases) {
        SCOPED_TRACE(testing::Message() << "name #" << (&c - NameCases));
        std::wstring path = std::wstring(L"C:\\Downloads\\") + c.ProgramFile;
        DownloadName name;
        bool accepted = ParseDownloadName(path, name);
        ASSERT_EQ(accepted, c.Url != nullptr);
        if (!accepted) continue;
        DownloadIdentity id = MakeDownloadIdentity(path, name, Base, Temp);
        EXPECT_EQ(id.ProgramPath, path);
        EXPECT_EQ(id.DownloadUrl, c.Url);
        EXPECT_EQ(id.LocalFilePath, c.LocalFile);
        EXPECT_EQ(id.DisplayName, std::wstring(c.LocalFile).substr(Temp.size()));
        EXPECT_EQ(ShortcutPathIn(Desktop, id.LocalFilePath), c.Shortcut);
    }
}

TEST(DownloadIdentity, PathWithoutBackslashIsRefused) {
    DownloadName name;
    EXPECT_FALSE(ParseDownloadName(L"Download-(1)(a)-b.exe", name));
    EXPECT_TRUE(ParseDownloadName(L"\\Download-(1)(a)-b.exe", name));
    EXPECT_EQ(name.File, L"b.exe");
}

TEST(DownloadIdentity, StripBracketGroups) {
    const struct {
        const wchar_t* In;
        const wchar_t* Out;
    } cases[] = {
        {L"", L""},           {L"plain", L"plain"}, {L"a[b]c", L"ac"},     {L"[x]", L""},
        {L"a[b[c]d]", L"ad]"}, {L"a]b", L"a]b"},     {L"a[b", L"a"},        {L"a[]b[1][2]c", L"abc"},
        {L"setup[2].exe", L"setup.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(StripBracketGroups(c.In), c.Out) << c.Out;
}

TEST(DownloadIdentity, ShortcutStem) {
    const struct {
        const wchar_t* In;
        const wchar_t* Out;
    } cases[] = {
        {L"C:\\Temp\\setup.exe", L"setup"},
        {L"C:\\Temp\\a.b.c", L"a.b"},
        {L"C:\\Temp\\noext", L"noext"},
        {L"C:\\Temp\\.hidden", L".hidden"},  // a dot at the start is no extension
        {L"C:\\dir.d\\file", L"file"},
        {L"setup.exe", L"setup"},
        {L"\\x.exe", L"\\x"},  // a backslash at the start does not separate a name
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(ShortcutStem(c.In), c.Out) << c.Out;
}

TEST(DownloadIdentity, ShortcutWithoutDesktopFolderStartsWithBackslash) {
    EXPECT_EQ(ShortcutPathIn(L"", L"C:\\Temp\\EditorSetup[1].exe"), L"\\EditorSetup.lnk");
}

}  // namespace
