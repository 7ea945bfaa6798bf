// The panel's dialogs run in this process through RunDialog: the keyboard
// filter, the nested About box, the ways of ending the panel and its menu.
#include <gtest/gtest.h>

#include <memory>

#include "Modpanel.h"
#include "PanelDriver.h"
#include "resource.h"

namespace
{

class PanelWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(nullptr);
        g_dwProduct = 24;           // Zip Library: libraries only, not installed
        g_nProductGroup = 8;
        RefreshProductText();
        BuildTitle();
        CountPanelActions();
    }
};

TEST_F(PanelWindow, ShowsTitleMenuAndDefaultType)
{
    std::string caption;
    bool registerGrayed = false, libraryChecked = false, scriptingEnabled = true;
    bool toolWindow = true, appWindow = false, contentsGrayed = false;
    INT_PTR result = RunDriven(IDD_PANEL, {[&](HWND hDlg) {
        char text[256];
        GetWindowTextA(hDlg, text, sizeof(text));
        caption = text;
        registerGrayed = MenuItemGrayed(hDlg, ID_CONTROL_REGISTER);
        contentsGrayed = MenuItemGrayed(hDlg, ID_HELP_CONTENTS);
        libraryChecked = IsDlgButtonChecked(hDlg, IDC_TYPE_LIBRARY) == BST_CHECKED;
        scriptingEnabled = IsWindowEnabled(GetDlgItem(hDlg, IDC_TYPE_SCRIPTING)) != 0;
        LONG_PTR ex = GetWindowLongPtrA(hDlg, GWL_EXSTYLE);
        toolWindow = (ex & WS_EX_TOOLWINDOW) != 0;
        appWindow = (ex & WS_EX_APPWINDOW) != 0;
        EndDialog(hDlg, 5);
        return true;
    }});
    EXPECT_EQ(5, result);
    EXPECT_EQ("Brantlow Zip Library 2.0 Modpanel", caption);
    EXPECT_TRUE(registerGrayed);
    EXPECT_TRUE(contentsGrayed);        // no own help file beside the test
    EXPECT_TRUE(libraryChecked);
    EXPECT_FALSE(scriptingEnabled);
    EXPECT_FALSE(toolWindow);
    EXPECT_TRUE(appWindow);
}

TEST_F(PanelWindow, MenuTextsCarryShortcutsAfterATab)
{
    std::string exitText, registerText, contentsText, referenceText;
    RunDriven(IDD_PANEL, {[&](HWND hDlg) {
        char text[64];
        HMENU menu = GetMenu(hDlg);
        GetMenuStringA(menu, ID_FILE_EXIT, text, sizeof(text), MF_BYCOMMAND);
        exitText = text;
        GetMenuStringA(menu, ID_CONTROL_REGISTER, text, sizeof(text), MF_BYCOMMAND);
        registerText = text;
        GetMenuStringA(menu, ID_HELP_CONTENTS, text, sizeof(text), MF_BYCOMMAND);
        contentsText = text;
        GetMenuStringA(menu, ID_HELP_REFERENCE, text, sizeof(text), MF_BYCOMMAND);
        referenceText = text;
        EndDialog(hDlg, 1);
        return true;
    }});
    EXPECT_EQ("E&xit\tAlt-F4", exitText);
    EXPECT_EQ("&Register\tCtrl+R", registerText);
    EXPECT_EQ("&Contents\tF1", contentsText);
    EXPECT_EQ("&Technical Reference", referenceText);
}

TEST_F(PanelWindow, FunctionKeysActInThePanelOnly)
{
    HWND panel = nullptr, about = nullptr;
    bool panelDisabledUnderAbout = false;
    int contentsInAbout = -1;
    WORD templateInAbout = 0;
    INT_PTR result = RunDriven(IDD_PANEL, {
        [&](HWND hDlg) { panel = hDlg; PostKey(hDlg, VK_F1); return true; },
        UntilPostedHandled(),
        [&](HWND hDlg) {
            EXPECT_EQ(1, g_actionCalls.nHelpContents);
            PostKey(hDlg, VK_F2);
            return true;
        },
        [&](HWND hDlg) {
            if (hDlg == panel)
                return false;       // the About box is not up yet
            about = hDlg;
            templateInAbout = g_wTemplate;
            panelDisabledUnderAbout = !IsWindowEnabled(panel);
            // F1 and F2 do nothing inside the About box.
            PostKey(hDlg, VK_F1);
            PostKey(hDlg, VK_F2);
            PostAltKey(hDlg, 'R');
            return true;
        },
        UntilPostedHandled(),
        [&](HWND hDlg) {
            EXPECT_EQ(about, hDlg);     // no second About box
            contentsInAbout = g_actionCalls.nHelpContents;
            PostKey(hDlg, VK_ESCAPE);
            return true;
        },
        [&](HWND hDlg) { return hDlg == panel; },
        [&](HWND hDlg) {
            EXPECT_TRUE(IsWindowEnabled(hDlg));
            EXPECT_EQ(IDD_PANEL, g_wTemplate);
            EndDialog(hDlg, 3);
            return true;
        },
    });
    EXPECT_EQ(3, result);
    ASSERT_NE(nullptr, about);
    EXPECT_EQ(IDD_ABOUT, templateInAbout);
    EXPECT_TRUE(panelDisabledUnderAbout);
    EXPECT_EQ(1, contentsInAbout);
    EXPECT_EQ(0, g_actionCalls.nRegister);
    // The outer values are back after the panel.
    EXPECT_EQ(nullptr, g_hDialog);
    EXPECT_EQ(0, g_wTemplate);
    EXPECT_EQ(nullptr, g_hFilter);
}

TEST_F(PanelWindow, AltKeysReachRegistrationEvenWhenGrayed)
{
    bool grayed = false;
    std::string boxText;
    RunDriven(IDD_PANEL, {
        [&](HWND hDlg) {
            grayed = MenuItemGrayed(hDlg, ID_CONTROL_REGISTER) &&
                     MenuItemGrayed(hDlg, ID_CONTROL_UNREGISTER);
            PostAltKey(hDlg, 'R');
            return true;
        },
        // The first entry has a class identifier but is installed nowhere:
        // registering it shows message 12, which is closed here.
        [&](HWND) {
            HWND box = FindWindowA("#32770", "Modpanel");
            if (box == nullptr)
                return false;
            char text[256] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            boxText = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return true;
        },
        UntilPostedHandled(),
        [&](HWND hDlg) {
            EXPECT_EQ(1, g_actionCalls.nRegister);
            PostAltKey(hDlg, 'U');
            return true;
        },
        UntilPostedHandled(),
        [&](HWND hDlg) {
            EXPECT_EQ(1, g_actionCalls.nUnregister);
            // Ctrl+R, as the menu names it, does nothing; R without the
            // Alt context bit neither.
            HWND focus = GetFocus() ? GetFocus() : hDlg;
            PostMessageA(focus, WM_KEYDOWN, VK_CONTROL, 1);
            PostMessageA(focus, WM_KEYDOWN, 'R', 1);
            PostMessageA(focus, WM_KEYUP, 'R', 0xC0000001);
            PostMessageA(focus, WM_KEYUP, VK_CONTROL, 0xC0000001);
            PostMessageA(focus, WM_SYSKEYDOWN, 'R', 1);
            return true;
        },
        UntilPostedHandled(),
        [&](HWND hDlg) { EndDialog(hDlg, 1); return true; },
    });
    EXPECT_TRUE(grayed);
    EXPECT_EQ("This control has not been installed in the system directory.", boxText);
    EXPECT_EQ(1, g_actionCalls.nRegister);
    EXPECT_EQ(1, g_actionCalls.nUnregister);
}

TEST_F(PanelWindow, EveryWayOutEndsThePanel)
{
    struct Way
    {
        const char* name;
        std::function<void(HWND)> act;
        INT_PTR result;
    } ways[] = {
        {"Esc", [](HWND h) { PostKey(h, VK_ESCAPE); }, 0},
        {"Enter", [](HWND h) { PostKey(h, VK_RETURN); }, 1},
        {"close box", [](HWND h) { PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }, 0},
        {"File, Exit", [](HWND h) { PostMessageA(h, WM_COMMAND, ID_FILE_EXIT, 0); }, 1},
    };
    for (const Way& way : ways)
    {
        HWND panel = nullptr;
        INT_PTR result = RunDriven(IDD_PANEL, {[&](HWND hDlg) {
            panel = hDlg;
            way.act(hDlg);
            return true;
        }}, 4000);
        EXPECT_EQ(way.result, result) << way.name;
        EXPECT_FALSE(IsWindow(panel)) << way.name;
    }
}

TEST_F(PanelWindow, AboutBoxAloneEndsWithOk)
{
    std::string caption;
    bool hasMenu = true;
    INT_PTR result = RunDriven(IDD_ABOUT, {[&](HWND hDlg) {
        char text[128];
        GetWindowTextA(hDlg, text, sizeof(text));
        caption = text;
        hasMenu = GetMenu(hDlg) != nullptr;
        PostKey(hDlg, VK_RETURN);
        return true;
    }});
    EXPECT_EQ(1, result);
    EXPECT_FALSE(hasMenu);
    EXPECT_EQ(0, g_actionCalls.nHelpContents);
}

TEST_F(PanelWindow, DialogsAreCentredOnTheScreen)
{
    RECT rc = {0, 0, 0, 0};
    RunDriven(IDD_PANEL, {[&](HWND hDlg) {
        GetWindowRect(hDlg, &rc);
        EndDialog(hDlg, 1);
        return true;
    }});
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    ASSERT_GT(width, 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2, rc.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2, rc.top);
}

std::string g_boxText;

BOOL CALLBACK KeepStaticText(HWND child, LPARAM p)
{
    char cls[32], text[256];
    GetClassNameA(child, cls, sizeof(cls));
    GetWindowTextA(child, text, sizeof(text));
    if (lstrcmpiA(cls, "Static") == 0 && text[0])
        *(std::string*)p = text;
    return TRUE;
}

// Reads the "Modpanel" message box's text and answers it.
void CALLBACK AnswerMessageBox(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindWindowA("#32770", "Modpanel");
    if (box == nullptr)
        return;
    EnumChildWindows(box, KeepStaticText, (LPARAM)&g_boxText);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

std::string ShowAndRead(UINT id)
{
    EnsureMainWindow();
    g_boxText.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerMessageBox);
    ShowMessage(id, MB_ICONWARNING);
    KillTimer(nullptr, timer);
    return g_boxText;
}

TEST_F(PanelWindow, MessagesComeFromTheStringTable)
{
    EXPECT_EQ("Unknown message string 4711", ShowAndRead(4711));
    EXPECT_EQ("The Modpanel cannot be used with this product.", ShowAndRead(IDS_WRONG_PRODUCT));
    EXPECT_EQ("Unable to execute registration utility.", ShowAndRead(IDS_REGISTRATION_FAILED));
    EXPECT_EQ("This control has not been installed in the system directory.",
              ShowAndRead(IDS_NOT_INSTALLED));
}

} // namespace
