// The framework's window classes: message tables, binding to windows, data
// exchange, reflection, modal dialogs and the application object.
#include <gtest/gtest.h>

#include <string>

#include "Dialog.h"
#include "Font.h"
#include "WinApp.h"
#include "drivers/ModalDriver.h"
#include "programs/framework_probe.h"

namespace
{

// --- Message tables ---------------------------------------------------------

class CBaseTarget : public CCmdTarget
{
public:
    int m_nLast = 0;
    LRESULT OnA(WPARAM w, LPARAM l) { return 100 + (LRESULT)w + (LRESULT)l; }
    LRESULT OnB(WPARAM, LPARAM) { return 2; }
    void OnCommand100() { m_nLast = 100; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
    ON_MESSAGE(WM_APP + 1, OnA)
    ON_MESSAGE(WM_APP + 2, OnB)
    ON_COMMAND(100, OnCommand100)
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget
{
public:
    LRESULT OnB2(WPARAM, LPARAM) { return 22; }
    LRESULT OnC(WPARAM, LPARAM) { return 3; }
    void OnChange100() { m_nLast = 1100; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
    ON_MESSAGE(WM_APP + 2, OnB2)
    ON_MESSAGE(WM_APP + 3, OnC)
    ON_CONTROL(EN_CHANGE, 100, OnChange100)
END_MESSAGE_MAP()

LRESULT Dispatch(CCmdTarget& target, UINT message, WPARAM w = 0, LPARAM l = 0)
{
    const MessageEntry* e = CCmdTarget::FindMessageEntry(target.GetMessageMap(), message, 0, 0);
    return e ? e->pfnCall(&target, w, l) : -1;
}

TEST(MessageMap, DerivedEntriesComeFirstAndBaseEntriesAreInherited)
{
    CDerivedTarget derived;
    CCmdTarget& asRoot = derived;           // the lookup goes through the virtual
    EXPECT_EQ(Dispatch(asRoot, WM_APP + 2), 22);
    EXPECT_EQ(Dispatch(asRoot, WM_APP + 1, 5, 7), 112);
    EXPECT_EQ(Dispatch(asRoot, WM_APP + 3), 3);
    EXPECT_EQ(Dispatch(asRoot, WM_APP + 4), -1);

    CBaseTarget base;
    EXPECT_EQ(Dispatch(base, WM_APP + 2), 2);
    EXPECT_EQ(Dispatch(base, WM_APP + 3), -1) << "a base table must not see derived entries";
}

TEST(MessageMap, CommandsMatchOnIdAndNotificationCode)
{
    CDerivedTarget target;
    EXPECT_TRUE(target.OnCmdMsg(100, 0));
    EXPECT_EQ(target.m_nLast, 100);
    EXPECT_TRUE(target.OnCmdMsg(100, EN_CHANGE));
    EXPECT_EQ(target.m_nLast, 1100);
    EXPECT_FALSE(target.OnCmdMsg(101, 0));
    EXPECT_FALSE(target.OnCmdMsg(100, EN_KILLFOCUS));
}

// --- Binding to a window -------------------------------------------------------

int g_nProbeProcCalls = 0;

LRESULT CALLBACK ProbeProc(HWND h, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_APP + 5 || message == WM_APP + 6 || message == WM_NCDESTROY)
        ++g_nProbeProcCalls;
    if (message == WM_APP + 5)
        return 55;
    if (message == WM_APP + 6)
        return (LRESULT)w * 2;
    return DefWindowProcA(h, message, w, l);
}

HWND MakeProbeWindow()
{
    static ATOM atom = 0;
    if (atom == 0)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ProbeProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "FrameworkProbeWindow";
        atom = RegisterClassA(&wc);
    }
    return CreateWindowExA(0, "FrameworkProbeWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

class CProbeWnd : public CWnd
{
public:
    LRESULT OnOwn(WPARAM, LPARAM) { return 11; }
    // Sends itself another message first: Default must still mean this one.
    LRESULT OnDoubled(WPARAM, LPARAM) { SendMessage(WM_APP + 1); return Default() + 1000; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
    ON_MESSAGE(WM_APP + 1, OnOwn)
    ON_MESSAGE(WM_APP + 6, OnDoubled)
END_MESSAGE_MAP()

TEST(CWnd, SubclassRoutesThroughTheTableAndUnsubclassRestores)
{
    HWND h = MakeProbeWindow();
    ASSERT_NE(h, nullptr);
    LONG_PTR original = GetWindowLongPtrA(h, GWLP_WNDPROC);
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(h));
    EXPECT_EQ(CWnd::FromHandlePermanent(h), &wnd);
    EXPECT_FALSE(wnd.SubclassWindow(h));
    CProbeWnd other;
    EXPECT_FALSE(other.SubclassWindow(h)) << "a window has one object";

    EXPECT_EQ(SendMessageA(h, WM_APP + 1, 0, 0), 11);
    EXPECT_EQ(SendMessageA(h, WM_APP + 5, 0, 0), 55) << "unlisted messages reach the window's own procedure";
    EXPECT_EQ(SendMessageA(h, WM_APP + 6, 21, 0), 1042);

    EXPECT_EQ(wnd.UnsubclassWindow(), h);
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_WNDPROC), original);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(SendMessageA(h, WM_APP + 1, 0, 0), 0);
    DestroyWindow(h);
}

TEST(CWnd, DestroyingTheWindowUnbindsAndDestroyingTheObjectRestores)
{
    HWND h = MakeProbeWindow();
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(h));
    g_nProbeProcCalls = 0;
    DestroyWindow(h);
    EXPECT_EQ(g_nProbeProcCalls, 1) << "WM_NCDESTROY must reach the window's own procedure";
    EXPECT_EQ(wnd.m_hWnd, nullptr);

    h = MakeProbeWindow();
    LONG_PTR original = GetWindowLongPtrA(h, GWLP_WNDPROC);
    {
        CProbeWnd scoped;
        ASSERT_TRUE(scoped.SubclassWindow(h));
    }
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_WNDPROC), original);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    EXPECT_EQ(SendMessageA(h, WM_APP + 5, 0, 0), 55);
    DestroyWindow(h);
}

// --- Dialogs ---------------------------------------------------------------------

// A static that answers colour requests with a brush of its own (or none).
class CProbeLabel : public CStatic
{
public:
    CProbeLabel() : m_hBrush(CreateSolidBrush(RGB(1, 2, 3))) {}
    ~CProbeLabel() { DeleteObject(m_hBrush); }
    HBRUSH CtlColor(HDC, UINT nCtlColor)
    {
        ++m_nCalls;
        m_nKind = nCtlColor;
        return m_bAnswerNull ? nullptr : m_hBrush;
    }
    HBRUSH m_hBrush;
    int m_nCalls = 0;
    UINT m_nKind = 99;
    bool m_bAnswerNull = false;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeLabel, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class CProbeDlg : public CDialog
{
public:
    CProbeDlg(UINT nID = IDD_PROBE) : CDialog(nID) {}
    CWnd m_edit;
    CProbeLabel m_label;
    CString m_strEdit = "initial";
    bool m_bBadControl = false;
    POINT m_ptMoveTo = { -1, -1 };

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_PROBE_EDIT, m_edit);
        DDX_Control(pDX, IDC_PROBE_LABEL, m_label);
        DDX_Text(pDX, IDC_PROBE_EDIT, m_strEdit);
        if (m_bBadControl)
            DDX_Text(pDX, 999, m_strEdit);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_ptMoveTo.x >= 0)
            SetWindowPos(m_hWnd, nullptr, m_ptMoveTo.x, m_ptMoveTo.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return TRUE;
    }
    void OnSeven() { EndDialog(7); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
    ON_BN_CLICKED(IDC_PROBE_SEVEN, OnSeven)
END_MESSAGE_MAP()

TEST(CDialog, EndCodes)
{
    CProbeDlg dlg;
    EXPECT_EQ(RunModal(dlg, [](HWND h) { PostKey(h, VK_RETURN); }), IDOK);
    EXPECT_EQ(RunModal(dlg, [](HWND h) { PostKey(h, VK_ESCAPE); }), IDCANCEL);
    EXPECT_EQ(RunModal(dlg, [](HWND h) { ClickButton(h, IDCANCEL); }), IDCANCEL);
    EXPECT_EQ(RunModal(dlg, [](HWND h) { ClickButton(h, IDC_PROBE_SEVEN); }), 7);
    CProbeDlg missing(4321);
    INT_PTR code = missing.DoModal();
    EXPECT_NE(code, IDOK);
    EXPECT_NE(code, 5);
    EXPECT_EQ(code, -1);
}

TEST(CDialog, DataExchangeBothWays)
{
    CProbeDlg dlg;
    std::string shown;
    BOOL bSaved = FALSE;
    EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                  shown = WindowText(GetDlgItem(h, IDC_PROBE_EDIT));
                  SetDlgItemTextA(h, IDC_PROBE_EDIT, "typed by the user");
                  PostKey(h, VK_RETURN);
              }), IDOK);
    EXPECT_EQ(shown, "initial");
    EXPECT_STREQ(dlg.m_strEdit, "typed by the user");

    dlg.m_strEdit = "kept";
    EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                  SetDlgItemTextA(h, IDC_PROBE_EDIT, "thrown away");
                  PostKey(h, VK_ESCAPE);
              }), IDCANCEL);
    EXPECT_STREQ(dlg.m_strEdit, "kept");

    // A step that fails makes UpdateData answer false and keeps OK from ending.
    dlg.m_bBadControl = true;
    EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                  bSaved = dlg.UpdateData(TRUE);
                  ClickButton(h, IDOK);
                  if (IsWindow(h))
                      ClickButton(h, IDC_PROBE_SEVEN);
              }), 7);
    EXPECT_FALSE(bSaved);
    EXPECT_FALSE(CProbeDlg().UpdateData(FALSE)) << "no window, no exchange";
}

TEST(CDialog, ColourRequestsOfABoundChildGoToItsObject)
{
    CProbeDlg dlg;
    LRESULT bound = 0, edit = 0, plain = 0, boundAsButton = 0, declined = 0, painted = 0;
    UINT kindAsButton = 0;
    RunModal(dlg, [&](HWND h) {
        HDC hdc = GetDC(h);
        HWND hLabel = GetDlgItem(h, IDC_PROBE_LABEL);
        bound = SendMessageA(h, WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)hLabel);
        boundAsButton = SendMessageA(h, WM_CTLCOLORBTN, (WPARAM)hdc, (LPARAM)hLabel);
        kindAsButton = dlg.m_label.m_nKind;
        edit = SendMessageA(h, WM_CTLCOLOREDIT, (WPARAM)hdc, (LPARAM)GetDlgItem(h, IDC_PROBE_EDIT));
        plain = SendMessageA(h, WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)GetDlgItem(h, IDC_PROBE_PLAIN));
        dlg.m_label.m_bAnswerNull = true;
        declined = SendMessageA(h, WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)hLabel);
        dlg.m_label.m_bAnswerNull = false;
        ReleaseDC(h, hdc);
        // A real paint of the static asks the object as well.
        int before = dlg.m_label.m_nCalls;
        RedrawWindow(hLabel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        painted = dlg.m_label.m_nCalls - before;
        PostKey(h, VK_ESCAPE);
    });
    EXPECT_EQ(bound, (LRESULT)dlg.m_label.m_hBrush);
    EXPECT_EQ(boundAsButton, (LRESULT)dlg.m_label.m_hBrush);
    EXPECT_EQ(kindAsButton, (UINT)CTLCOLOR_BTN);
    EXPECT_NE(plain, 0);
    EXPECT_NE(plain, bound);
    EXPECT_NE(edit, bound);
    EXPECT_EQ(declined, plain) << "a null answer leaves the dialog's own colouring";
    EXPECT_GE(painted, 1);
}

TEST(CDialog, CentredUnlessInitialisationMovedIt)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    CProbeDlg dlg;
    RECT rc = {};
    RunModal(dlg, [&](HWND h) { GetWindowRect(h, &rc); PostKey(h, VK_ESCAPE); });
    EXPECT_LE(abs((rc.left + rc.right) / 2 - (work.left + work.right) / 2), 1);
    EXPECT_LE(abs((rc.top + rc.bottom) / 2 - (work.top + work.bottom) / 2), 1);

    CProbeDlg moved;
    moved.m_ptMoveTo = { 13, 17 };
    RunModal(moved, [&](HWND h) { GetWindowRect(h, &rc); PostKey(h, VK_ESCAPE); });
    EXPECT_EQ(rc.left, 13);
    EXPECT_EQ(rc.top, 17);
}

TEST(CDialog, LeavesNoWindowOrBindingBehindAndRunsAgain)
{
    int windowsBefore = CountThreadWindows();
    HBRUSH hLabelBrush;
    {
        CProbeDlg dlg;
        hLabelBrush = dlg.m_label.m_hBrush;
        for (int i = 0; i < 3; ++i)
        {
            HWND hDlg = nullptr, hLabel = nullptr;
            LRESULT reflected = 0;
            EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                          hDlg = h;
                          hLabel = GetDlgItem(h, IDC_PROBE_LABEL);
                          HDC hdc = GetDC(h);
                          reflected = SendMessageA(h, WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)hLabel);
                          ReleaseDC(h, hdc);
                          PostKey(h, VK_ESCAPE);
                      }), IDCANCEL);
            EXPECT_EQ(reflected, (LRESULT)hLabelBrush) << "run " << i << ": the label must be bound again";
            EXPECT_FALSE(IsWindow(hDlg));
            EXPECT_EQ(dlg.m_hWnd, nullptr);
            EXPECT_EQ(dlg.m_label.m_hWnd, nullptr);
            EXPECT_EQ(dlg.m_edit.m_hWnd, nullptr);
        }
        EXPECT_EQ(CountThreadWindows(), windowsBefore);
    }
    EXPECT_EQ(GetObjectType(hLabelBrush), 0u);
}

TEST(CFont, HoldsOneFontAndDeletesIt)
{
    LOGFONTA lf = {};
    lf.lfHeight = -12;
    lstrcpyA(lf.lfFaceName, "Tahoma");
    HFONT first, second;
    {
        CFont font;
        ASSERT_TRUE(font.CreateFontIndirect(&lf));
        first = font;
        ASSERT_TRUE(font.CreateFontIndirect(&lf));
        second = font;
        EXPECT_EQ(GetObjectType(first), 0u);
        EXPECT_EQ(GetObjectType(second), (DWORD)OBJ_FONT);
    }
    EXPECT_EQ(GetObjectType(second), 0u);
}

// --- The application object -------------------------------------------------------

class CProbeApp : public CWinApp
{
public:
    explicit CProbeApp(BOOL bLoop) : m_bLoop(bLoop) {}
    BOOL InitInstance() override
    {
        ++m_nStarts;
        if (m_bLoop)
            PostQuitMessage(3);
        return m_bLoop;
    }
    int Run() override
    {
        ++m_nRuns;
        return CWinApp::Run();
    }
    BOOL m_bLoop;
    int m_nStarts = 0;
    int m_nRuns = 0;
};

// Commands that a dialog leaves go on to the application; F1 is Help.
class CHelpApp : public CWinApp
{
public:
    void OnHelpCommand() { ++m_nHelp; }
    void OnOnlyHere() { ++m_nOnlyHere; }
    void OnSevenHere() { ++m_nSeven; }
    int m_nHelp = 0;
    int m_nOnlyHere = 0;
    int m_nSeven = 0;
    DECLARE_MESSAGE_MAP()
};

const UINT kAppOnlyCommand = 4321;

BEGIN_MESSAGE_MAP(CHelpApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelpCommand)
    ON_COMMAND(kAppOnlyCommand, OnOnlyHere)
    ON_BN_CLICKED(IDC_PROBE_SEVEN, OnSevenHere)
END_MESSAGE_MAP()

TEST(CommandRouting, ADialogPassesWhatItLeavesToTheApplication)
{
    CProbeDlg dlg;
    // Without an application object the command goes unhandled, and the
    // dialog carries on.
    ASSERT_EQ(GetApp(), nullptr);
    EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                  SendMessageA(h, WM_COMMAND, kAppOnlyCommand, 0);
                  PostKey(h, VK_ESCAPE);
              }), IDCANCEL);

    CHelpApp app;
    EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                  SendMessageA(h, WM_COMMAND, kAppOnlyCommand, 0);
                  // The dialog's own entry wins; the application never sees it.
                  ClickButton(h, IDC_PROBE_SEVEN);
              }), 7);
    EXPECT_EQ(app.m_nOnlyHere, 1);
    EXPECT_EQ(app.m_nSeven, 0);
    EXPECT_EQ(app.m_nHelp, 0);
}

TEST(CommandRouting, F1InADialogIsTheApplicationsHelpCommand)
{
    CHelpApp app;
    CProbeDlg dlg;
    // F1 on the keyboard, the focus on a control, as a user presses it.
    bool typed = false;
    EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                  SetFocus(GetDlgItem(h, IDC_PROBE_EDIT));
                  typed = TypeKey(h, VK_F1) && TypeKey(h, VK_ESCAPE);
                  if (!typed)
                      PostKey(h, VK_ESCAPE);
              }), IDCANCEL);
    ASSERT_TRUE(typed) << "the dialog could not be brought to the foreground";
    EXPECT_EQ(app.m_nHelp, 1) << "F1 must reach the application's ID_HELP entry once";

    // WM_HELP straight to the dialog, as the system sends it.
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    LRESULT answered = 0;
    EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                  answered = SendMessageA(h, WM_HELP, 0, (LPARAM)&info);
                  PostKey(h, VK_ESCAPE);
              }), IDCANCEL);
    EXPECT_EQ(app.m_nHelp, 2);
    EXPECT_EQ(answered, TRUE);
}

TEST(CWinApp, HelpWithoutAFileOpensNothing)
{
    CWinApp app;
    int windowsBefore = CountThreadWindows();
    app.OnHelp();   // no help file set
    char szMissing[] = "C:\\no such folder\\nothing.chm";
    app.m_pszHelpFilePath = szMissing;
    app.OnHelp();
    EXPECT_EQ(CountThreadWindows(), windowsBefore);
    EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr) << "HTML Help is not even loaded for a missing file";
}

TEST(CWinApp, StartUpThatReturnsFalseRunsNoLoop)
{
    EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), nullptr, SW_SHOW), -1);
    char cmdLine[] = "/STARTUP";
    {
        CProbeApp app(FALSE);
        EXPECT_EQ(GetApp(), &app);
        HINSTANCE hInstance = GetModuleHandleA(nullptr);
        EXPECT_EQ(RunApplication(hInstance, cmdLine, SW_SHOW), 0);
        EXPECT_EQ(app.m_nStarts, 1);
        EXPECT_EQ(app.m_nRuns, 0);
        EXPECT_EQ(app.m_lpCmdLine, cmdLine);
        EXPECT_EQ(GetResourceHandle(), hInstance);
    }
    EXPECT_EQ(GetApp(), nullptr);

    CProbeApp looping(TRUE);
    EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), cmdLine, SW_SHOW), 3);
    EXPECT_EQ(looping.m_nRuns, 1);
}

} // namespace
