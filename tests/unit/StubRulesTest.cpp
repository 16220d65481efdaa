#include <gtest/gtest.h>

#include "DownloadIdentity.h"
#include "StubRules.h"

namespace {

struct StubCase {
    StubRequest Request;
    std::wstring Name;      // the stub's file name; empty: refused
    const wchar_t* Reason;  // refused: a part of the reason given
};

const StubCase StubCases[] = {
    {{L"tools/editor", L"EditorSetup.exe", L""}, L"Download-(1)(tools+editor)-EditorSetup.exe", nullptr},
    {{L"tools", L"EditorSetup.exe", L"3.2"}, L"Download-(1)(tools)-EditorSetup[3.2].exe", nullptr},
    {{L"a", L"Setup.tar.exe", L"7"}, L"Download-(1)(a)-Setup.tar[7].exe", nullptr},
    {{L"a", L"Setup", L"7"}, L"Download-(1)(a)-Setup[7]", nullptr},
    {{L"a(b", L"Setup(x64) [beta].exe", L""}, L"Download-(1)(a(b)-Setup(x64) [beta].exe", nullptr},
    {{L"a", std::wstring(196, L'x') + L".exe", L""}, L"Download-(1)(a)-" + std::wstring(196, L'x') + L".exe",
     nullptr},  // 200 characters: the longest taken

    {{L"", L"Setup.exe", L""}, L"", L"folder is empty"},
    {{L"a//b", L"Setup.exe", L""}, L"", L"empty part"},
    {{L"/a", L"Setup.exe", L""}, L"", L"empty part"},
    {{L"a/", L"Setup.exe", L""}, L"", L"empty part"},
    {{L"a/../b", L"Setup.exe", L""}, L"", L"\"..\" part"},
    {{L"a/.", L"Setup.exe", L""}, L"", L"\"..\" part"},
    {{L"c++", L"Setup.exe", L""}, L"", L"uses for \"/\""},
    {{L"a)b", L"Setup.exe", L""}, L"", L"would end the folder"},
    {{L"a\\b", L"Setup.exe", L""}, L"", L"\"\\\", which Windows"},
    {{L"a", L"Setup?.exe", L""}, L"", L"\"?\", which Windows"},
    {{L"a", L"Set:up.exe", L""}, L"", L"\":\", which Windows"},
    {{L"a", L"Setup*.exe", L""}, L"", L"\"*\", which Windows"},
    {{L"a", L"Set\"up.exe", L""}, L"", L"which Windows"},
    {{L"a", L"Setup<1>.exe", L""}, L"", L"which Windows"},
    {{L"a", L"Set|up.exe", L""}, L"", L"which Windows"},
    {{L"a", L"Set\tup.exe", L""}, L"", L"control character"},
    {{L"a", L"Setup.exe", L"1/2"}, L"", L"version holds \"/\""},
    {{L"a", L"x/Setup.exe", L""}, L"", L"name holds \"/\""},
    {{L"a", L"Setup#2.exe", L""}, L"", L"end the URL's path"},
    {{L"a#b", L"Setup.exe", L""}, L"", L"end the URL's path"},
    {{L"a", L"Setup%20.exe", L""}, L"", L"start of an escape"},
    {{L"a", L"Setup.exe", L"100%"}, L"", L"start of an escape"},
    {{L"a", L"", L""}, L"", L"installer name is empty"},
    {{L"a", L"Setup[1.exe", L""}, L"", L"do not pair up"},
    {{L"a", L"Setup]1[.exe", L""}, L"", L"do not pair up"},
    {{L"a", L"Set[a[b]]up.exe", L""}, L"", L"do not pair up"},
    {{L"a", L"Setup.exe", L"[2]"}, L"", L"break its group"},
    {{L"a", L"CON.exe", L""}, L"", L"device name"},
    {{L"a", L"nul", L""}, L"", L"device name"},
    {{L"a", L"Com7.msi", L""}, L"", L"device name"},
    {{L"a", L"LPT1 .exe", L""}, L"", L"device name"},
    {{L"a", L"AUX[2].exe", L""}, L"", L"without its [...] groups"},
    {{L"a", L"Setup.exe.", L""}, L"", L"dot or a space"},
    {{L"a", L"Setup.exe ", L""}, L"", L"dot or a space"},
    {{L"a", L"Setup.exe[2]", L""}, L"", L"group in its extension"},
    {{L"a", L"Setup", L"3.2"}, L"", L"group in its extension"},
    {{L"a", std::wstring(197, L'x') + L".exe", L""}, L"", L"within Windows' 260"},
    {{L"a", L"Setup.exe", std::wstring(240, L'v')}, L"", L"within Windows' 260"},
    {{std::wstring(240, L'f'), L"Setup.exe", L""}, L"", L"characters long"},
};

TEST(StubRules, NamesAndRefusals) {
    for (const StubCase& c : StubCases) {
        const std::wstring problem = StubProblem(c.Request);
        SCOPED_TRACE(testing::Message() << "folder " << testing::PrintToString(c.Request.Folder) << " file "
                                        << testing::PrintToString(c.Request.File) << " version "
                                        << testing::PrintToString(c.Request.Version) << ": "
                                        << testing::PrintToString(problem));
        if (c.Name.empty()) {
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
