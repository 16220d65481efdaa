#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <set>
#include <sstream>

#include "ProtocolFile.h"
#include "ProtocolLog.h"

namespace {

const std::string Stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d   )";

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool Contains(const std::string& text, const std::string& pattern) {
    return std::regex_search(text, std::regex(pattern));
}

TEST(ProtocolLog, LineKinds) {
    std::string tag = UniqueTag("kinds");
    std::wstring wtag = Wide(tag);
    size_t start = ReadProtocolFile().size();

    LogEvent(L"event %s %d", wtag.c_str(), 7);
    LogTimeStamp();
    LogLine((L"click " + wtag).c_str());
    LogText((L"pieces " + wtag).c_str());
    LogText(nullptr);  // writes nothing
    LogText(L" end");
    LogLine(nullptr);  // the line feed alone
    LogErrorBlock((L"error " + wtag + L"\nsecond line").c_str());
    LogFormat(L"format %s|%s|%d|%I64d|%I64u|%0.2f|%%", wtag.c_str(), L"wide", -5, -5000000000LL,
              18446744073709551615ULL, 2.345);

    std::string written = ProtocolSince(start);
    EXPECT_TRUE(Contains(written, "\a" + Stamp + "event " + tag + " 7\n")) << written;
    EXPECT_TRUE(Contains(written, "(^|\n)" + Stamp + "click " + tag + "\n")) << written;
    EXPECT_NE(written.find("pieces " + tag + " end\n"), std::string::npos) << written;
    EXPECT_NE(written.find("\n\aError:\nerror " + tag + "\nsecond line\n\n\n"), std::string::npos) << written;
    EXPECT_NE(written.find("format " + tag + "|wide|-5|-5000000000|18446744073709551615|2.35|%\n"),
              std::string::npos)
        << written;
    EXPECT_EQ(written.find('\r'), std::string::npos);
}

TEST(ProtocolLog, WritesCodePage1252) {
    std::string tag = UniqueTag("cp1252");
    size_t start = ReadProtocolFile().size();
    // u-umlaut, a-umlaut, euro sign, sharp s and a Cyrillic letter, which 1252 lacks.
    LogLine((Wide(tag) + L" \u00fc\u00e4\u20ac\u00df \u0416").c_str());
    EXPECT_NE(ProtocolSince(start).find(tag + " \xfc\xe4\x80\xdf ?\n"), std::string::npos);
}

TEST(ProtocolLog, LongTextIsWrittenWhole) {
    std::string tag = UniqueTag("long");
    std::string text = tag + " ";
    for (int i = 0; text.size() < 1500; ++i) text += char('a' + i % 26);
    size_t start = ReadProtocolFile().size();
    LogLine(Wide(text).c_str());
    LogFormat(L"%s", Wide(text + text + text).c_str());
    std::string written = ProtocolSince(start);
    EXPECT_NE(written.find(text + "\n"), std::string::npos);
    EXPECT_NE(written.find(text + text + text + "\n"), std::string::npos);
}

// Two copies of the program, each with two threads, write at once: every line
// must arrive, and whole.
TEST(ProtocolLog, TwoProcessesKeepEveryLineWhole) {
    const int count = 300;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring writer = self;
    writer = writer.substr(0, writer.rfind(L'\\') + 1) + L"protocol_writer.exe";

    std::string tags[2] = {UniqueTag("procA"), UniqueTag("procB")};
    size_t start = ReadProtocolFile().size();
    PROCESS_INFORMATION processes[2];
    for (int p = 0; p < 2; ++p) {
        std::wstring command = L"\"" + writer + L"\" " + Wide(tags[p]) + L" " + std::to_wstring(count);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        ASSERT_TRUE(CreateProcessW(writer.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &processes[p]));
    }
    for (auto& process : processes) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }

    std::istringstream lines(ProtocolSince(start));
    std::set<std::string> seen;
    for (std::string line; std::getline(lines, line);) {
        for (const std::string& tag : tags) {
            if (line.find(tag) == std::string::npos) continue;
            std::smatch m;
            bool whole = std::regex_match(line, m, std::regex("\a" + Stamp + tag + R"( (t\d) event (\d+))")) ||
                         std::regex_match(line, m, std::regex(Stamp + tag + R"( (t\d) click (\d+))")) ||
                         std::regex_match(line, m, std::regex(tag + R"( parts (t\d) (\d+))"));
            EXPECT_TRUE(whole) << "broken line: " << line;
            if (whole) {
                std::string kind = line[0] == '\a' ? "event " : line.find(" parts ") != std::string::npos ? "parts " : "click ";
                EXPECT_TRUE(seen.insert(kind + tag + " " + m.str(1) + " " + m.str(2)).second) << "twice: " << line;
            }
        }
    }
    EXPECT_EQ(seen.size(), size_t(2 * 2 * count * 3));
}

}  // namespace
