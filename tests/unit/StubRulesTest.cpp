#include <gtest/gtest.h>

#include "DownloadIdentity.h"
#include "StubRules.h"

namespace {

struct StubCase {
    StubRequest Request;
    const wchar_t* Name;    // the stub's file name; null: refused
    const wchar_t* Reason;  // refused: a part of the reason given
};

const StubCase StubCases[] = {
    {{L"tools/editor", L"EditorSetup.exe", L""}, L"Download-(1)(tools+editor)-EditorSetup.exe", nullptr},
    {{L"tools", L"EditorSetup.exe", L"3.2"}, L"Download-(1)(tools)-EditorSetup[3.2].exe", nullptr},
    {{L"a", L"Setup.tar.exe", L"7"}, L"Download-(1)(a)-Setup.tar[7].exe", nullptr},
    {{L"a", L"Setup", L"7"}, L"Download-(1)(a)-Setup[7]", nullptr},
    {{L"a(b", L"Setup(x64) [beta].exe", L""}, L"Download-(1)(a(b)-Setup(x64) [beta].exe", nullptr},
    {{L"a", L"Setup.exe[2]", L""}, L"Download-(1)(a)-Setup.exe[2]", nullptr},

    {{L"", L"Setup.exe", L""}, nullptr, L"folder is empty"},
    {{L"a//b", L"Setup.exe", L""}, nullptr, L"empty part"},
    {{L"/a", L"Setup.exe", L""}, nullptr, L"empty part"},
    {{L"a/", L"Setup.exe", L""}, nullptr, L"empty part"},
    {{L"a/../b", L"Setup.exe", L""}, nullptr, L"\"..\" part"},
    {{L"a/.", L"Setup.exe", L""}, nullptr, L"\"..\" part"},
    {{L"c++", L"Setup.exe", L""}, nullptr, L"uses for \"/\""},
    {{L"a)b", L"Setup.exe", L""}, nullptr, L"would end the folder"},
    {{L"a\\b", L"Setup.exe", L""}, nullptr, L"\"\\\", which Windows"},
    {{L"a", L"Setup?.exe", L""}, nullptr, L"\"?\", which Windows"},
    {{L"a", L"Set:up.exe", L""}, nullptr, L"\":\", which Windows"},
    {{L"a", L"Setup*.exe", L""}, nullptr, L"\"*\", which Windows"},
    {{L"a", L"Set\"up.exe", L""}, nullptr, L"which Windows"},
    {{L"a", L"Setup<1>.exe", L""}, nullptr, L"which Windows"},
    {{L"a", L"Set|up.exe", L""}, nullptr, L"which Windows"},
    {{L"a", L"Set\tup.exe", L""}, nullptr, L"control character"},
    {{L"a", L"Setup.exe", L"1/2"}, nullptr, L"version holds \"/\""},
    {{L"a", L"x/Setup.exe", L""}, nullptr, L"name holds \"/\""},
    {{L"a", L"Setup#2.exe", L""}, nullptr, L"end the URL's path"},
    {{L"a#b", L"Setup.exe", L""}, nullptr, L"end the URL's path"},
    {{L"a", L"Setup%20.exe", L""}, nullptr, L"start of an escape"},
    {{L"a", L"Setup.exe", L"100%"}, nullptr, L"start of an escape"},
    {{L"a", L"", L""}, nullptr, L"installer name is empty"},
    {{L"a", L"Setup[1.exe", L""}, nullptr, L"do not pair up"},
    {{L"a", L"Setup]1[.exe", L""}, nullptr, L"do not pair up"},
    {{L"a", L"Set[a[b]]up.exe", L""}, nullptr, L"do not pair up"},
    {{L"a", L"Setup.exe", L"[2]"}, nullptr, L"break its group"},
    {{L"a", L"CON.exe", L""}, nullptr, L"device name"},
    {{L"a", L"nul", L""}, nullptr, L"device name"},
    {{L"a", L"Com7.msi", L""}, nullptr, L"device name"},
    {{L"a", L"LPT1 .exe", L""}, nullptr, L"device name"},
    {{L"a", L"AUX[2].exe", L""}, nullptr, L"without its [...] groups"},
    {{L"a", L"Setup.exe.", L""}, nullptr, L"dot or a space"},
    {{L"a", L"Setup.exe ", L""}, nullptr, L"dot or a space"},
    {{L"a", std::wstring(240, L'x') + L".exe", L""}, nullptr, L"characters long"},
};

TEST(StubRules, NamesAndRefusals) {
    for (const StubCase& c : StubCases) {
        const std::wstring problem = StubProblem(c.Request);
        SCOPED_TRACE(testing::Message() << "folder " << testing::PrintToString(c.Request.Folder) << " file "
                                        << testing::PrintToString(c.Request.File) << " version "
                                        << testing::PrintToString(c.Request.Version) << ": "
                                        << testing::PrintToString(problem));
        if (!c.Name) {
            EXPECT_NE(problem.find(c.Reason), std::wstring::npos);
            continue;
        }
        ASSERT_EQ(problem, L"");
        const std::wstring name = StubFileName(c.Request);
        EXPECT_EQ(name, c.Name);

        // The program reads the name back as the same folder and file.
        DownloadName parsed;
        ASSERT_TRUE(ParseDownloadName(L"C:\\Users\\me\\Downloads\\" + name, parsed));
        EXPECT_EQ(parsed.Folder, c.Request.Folder);
        EXPECT_EQ(parsed.File, StubFilePart(c.Request));
        DownloadIdentity identity = MakeDownloadIdentity(L"C:\\x\\" + name, parsed, L"http://h/", L"C:\\T\\");
        EXPECT_EQ(identity.DownloadUrl, L"http://h/" + c.Request.Folder + L"/" + StripBracketGroups(c.Request.File));
    }
}

}  // namespace
