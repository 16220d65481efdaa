#include <gtest/gtest.h>

#include "Framework.h"
#include "resource.h"

namespace {

const UINT WM_PROBE = WM_APP + 7;

// Opens the download dialog's template, routes a posted message and a click
// on the Hold box through its message map and ends with the handler's result.
class ProbeDialog : public CDialog {
public:
    ProbeDialog() : CDialog(IDD_DOWNLOAD) {}

    CStatic StatusLine;
    CProgressCtrl ProgressBar;
    CAnimateCtrl Animation;
    WPARAM ProbeArgument = 0;
    int HoldState = -1;
    int Activations = 0;
    RECT Window = {};
    bool OpenedAnimation = false;

private:
    BEGIN_MSG_MAP()
        ON_MESSAGE(WM_PROBE, OnProbe)
        ON_MESSAGE_THEN_DEFAULT(WM_ACTIVATE, OnActivate)
        ON_COMMAND(IDC_HOLD, OnHold)
    END_MSG_MAP(CDialog)

    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, IDC_STATUS_LINE, StatusLine);
        DDX_Control(dx, IDC_PROGRESS_BAR, ProgressBar);
        DDX_Control(dx, IDC_ANIMATION, Animation);
    }

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        StatusLine.SetWindowText(L"probing");
        ProgressBar.SetRange(0, 100);
        ProgressBar.SetPos(40);
        OpenedAnimation = Animation.Open(IDR_DOWNLOAD_AVI) != FALSE;
        PostMessage(WM_PROBE, 5);
        return TRUE;
    }

    LRESULT OnProbe(WPARAM wParam, LPARAM) {
        ProbeArgument = wParam;
        ::PostMessageW(GetDlgItem(IDC_HOLD), BM_CLICK, 0, 0);
        return 0;
    }

    LRESULT OnActivate(WPARAM, LPARAM) {
        ++Activations;
        return 0;
    }

    void OnHold() {
        HoldState = int(IsDlgButtonChecked(IDC_HOLD));
        GetWindowRect(m_hWnd, &Window);
        EndDialog(42);
    }
};

TEST(Framework, ModalDialogRoutesMessagesAndClicks) {
    ProbeDialog dialog;
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_EQ(dialog.ProbeArgument, 5u);
    EXPECT_EQ(dialog.HoldState, BST_CHECKED);
    EXPECT_TRUE(dialog.OpenedAnimation);
    EXPECT_GE(dialog.Activations, 1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);  // the window is gone with the dialog

    // A dialog without a parent opens in the middle of the screen.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((dialog.Window.left + dialog.Window.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((dialog.Window.top + dialog.Window.bottom) / 2, (work.top + work.bottom) / 2, 2);
}

class BoundControls : public CDialog {
public:
    BoundControls() : CDialog(IDD_DOWNLOAD) {}
    CStatic SourceLine;
    std::wstring Caption, Label;
    int Position = -1;
    CProgressCtrl ProgressBar;

private:
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, IDC_SOURCE_LINE, SourceLine);
        DDX_Control(dx, IDC_PROGRESS_BAR, ProgressBar);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SourceLine.SetWindowText(L"a.exe from host");
        Label = SourceLine.GetWindowText();
        Caption = GetWindowText();
        ProgressBar.SetRange(0, 100);
        ProgressBar.SetPos(77);
        Position = ProgressBar.GetPos();
        PostMessage(WM_COMMAND, IDCANCEL);  // as the Escape key does
        return TRUE;
    }
};

TEST(Framework, ControlsBindToTheTemplatesControls) {
    BoundControls dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.Caption, L"Connecting ...");
    EXPECT_EQ(dialog.Label, L"a.exe from host");
    EXPECT_EQ(dialog.Position, 77);
}

TEST(Framework, MissingTemplateFails) {
    CDialog dialog(9999);
    EXPECT_EQ(dialog.DoModal(), -1);
}

}  // namespace
