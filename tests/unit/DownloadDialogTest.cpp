#include <gtest/gtest.h>

#include <regex>

#include "HttpDownloadDlg.h"
#include "ProtocolFile.h"

namespace {

TEST(DownloadDialog, RemoteFileNameFromTheObjectPath) {
    const struct {
        const wchar_t* Path;
        const wchar_t* Name;
    } cases[] = {
        {L"/setup.exe", L"setup.exe"}, {L"/tools/editor/EditorSetup.exe", L"EditorSetup.exe"},
        {L"/files/", L""},             {L"/", L"/"},
        {L"/a\\b.exe", L"a\\b.exe"},   {L"a\\b.exe", L"b.exe"},  // a backslash counts only without "/"
        {L"setup.exe", L"setup.exe"},  {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(CHttpDownloadDlg::RemoteFileNameOf(c.Path), c.Name) << c.Name;
}

TEST(DownloadDialog, UrlSplit) {
    const DWORD http = INTERNET_SERVICE_HTTP, https = AFX_INET_SERVICE_HTTPS;
    const struct {
        const wchar_t* Url;
        DWORD Service;
        const wchar_t* Server;
        const wchar_t* Object;
        INTERNET_PORT Port;
    } cases[] = {
        {L"http://download.tarvik.example/tools/editor/EditorSetup.exe", http, L"download.tarvik.example",
         L"/tools/editor/EditorSetup.exe", 80},
        {L"http://host.example:8080/a b.exe", http, L"host.example", L"/a%20b.exe", 8080},
        {L"http://host.example//b.exe", http, L"host.example", L"//b.exe", 80},
        {L"http://host.example/x.exe?v=1", http, L"host.example", L"/x.exe?v=1", 80},
        {L"http://host.example", http, L"host.example", L"/", 80},
        {L"https://download.tarvik.example/tools/EditorSetup.exe", https, L"download.tarvik.example",
         L"/tools/EditorSetup.exe", 443},
        {L"HTTPS://host.example:8443/a.exe", https, L"host.example", L"/a.exe", 8443},
    };
    for (const auto& c : cases) {
        DWORD service = 0;
        std::wstring server, object;
        INTERNET_PORT port = 0;
        ASSERT_TRUE(AfxParseURL(c.Url, service, server, object, port)) << c.Object;
        EXPECT_EQ(service, c.Service);
        EXPECT_EQ(server, c.Server);
        EXPECT_EQ(object, c.Object);
        EXPECT_EQ(port, c.Port);
    }
    for (const wchar_t* bad : {L"not a url", L"", L"http://", L"mailto:someone@host.example"}) {
        DWORD service;
        std::wstring server, object;
        INTERNET_PORT port;
        EXPECT_FALSE(AfxParseURL(bad, service, server, object, port)) << testing::PrintToString(std::wstring(bad));
    }
}

// The minute's progress line, with the C runtime's own number formatting.
TEST(DownloadDialog, ProgressLineOfTheProtocolFile) {
    CHttpDownloadDlg dialog;  // never shown: the controls are absent
    std::string tag = UniqueTag("progress");
    dialog.RemoteFileName = std::wstring(tag.begin(), tag.end()) + L".exe";
    dialog.Connecting = false;
    DWORD start = GetTickCount();
    dialog.ProgressCounters::ResetProgress(1000, 0, start);
    dialog.ReceivedBytes = 500;
    size_t from = ReadProtocolFile().size();
    dialog.UpdateProgressDisplay(start + 60000);
    dialog.ReceivedBytes = 600;
    dialog.ProgressShown = false;
    dialog.UpdateProgressDisplay(start + 61000);  // a refresh, but no second line within the minute
    std::string written = ProtocolSince(from);
    // 500 bytes in 60 s: 8.33 bytes a second; 500 / 8.33... truncates to 59 seconds.
    EXPECT_NE(written.find("Downloading " + tag + ".exe:[50.00%] 500 of 1000  59 sec left  0.01 KB/sec \n"),
              std::string::npos)
        << written;
    EXPECT_EQ(written.find("Downloading " + tag), written.rfind("Downloading " + tag));
}

}  // namespace
