#include <gtest/gtest.h>

#include "SetupDlg.h"

namespace {

TEST(SetupDialog, FileNameOfThePath) {
    const struct {
        const wchar_t* Path;
        const wchar_t* Name;
    } cases[] = {
        {L"C:\\users\\anna\\Temp\\EditorSetup[1].exe", L"EditorSetup[1].exe"},
        {L"EditorSetup.exe", L"EditorSetup.exe"},    // no backslash: the whole path
        {L"\\EditorSetup.exe", L"\\EditorSetup.exe"},  // its only backslash first: the whole path
        {L"C:\\Temp\\", L""},
    };
    for (const auto& c : cases) {
        CSetupDlg dialog;
        dialog.SetFile(c.Path);
        EXPECT_EQ(dialog.FilePath, c.Path);
        EXPECT_EQ(dialog.FileName, c.Name);
        EXPECT_EQ(dialog.InstallerParameters, L"/auto");
        EXPECT_FALSE(dialog.DownloadAgain);
    }
}

TEST(SetupDialog, TextOfAFailedStart) {
    const struct {
        INT_PTR Result;
        int Key;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, 0x8d}, {ERROR_PATH_NOT_FOUND, 0x8d}, {SE_ERR_ACCESSDENIED, 0x8f},
        {SE_ERR_SHARE, 0x8f},         {ERROR_BAD_FORMAT, 0x8e},     {32, 0x8c},
        {0, 0x8c},                    {SE_ERR_NOASSOC, 0x8c},       {SE_ERR_OOM, 0x8c},
    };
    for (const auto& c : cases) EXPECT_EQ(InstallFailureText(c.Result), c.Key) << c.Result;
}

}  // namespace
