// The panel's resources as modpanel.exe carries them (loaded as a data file
// from the build tree): dialogs 301 and 302 read from their compiled
// templates, and the menu; and the main window's class as start-up
// registers it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialogTemplate.h"
#include "Modpanel.h"
#include "PanelDriver.h"
#include "resource.h"

namespace
{

std::string BuiltPanel()
{
    return TestDir() + "\\..\\modpanel\\modpanel.exe";
}

// What a control is: its class and the type bits of its style.
enum Kind
{
    kGroupBox,
    kLabel,
    kDropDownList,
    kAutoRadio,
    kPushButton,
    kDefaultButton,
    kBlackRule,
};

const char* KindName(Kind k)
{
    static const char* names[] = {"group box", "static", "drop-down list", "auto radio button",
                                  "push button", "default push button", "black rule"};
    return names[k];
}

bool IsKind(const TemplateControl& c, Kind k)
{
    switch (k)
    {
    case kGroupBox:
        return c.cls == "#128" && (c.style & BS_TYPEMASK) == BS_GROUPBOX;
    case kLabel:
        return c.cls == "#130" && (c.style & SS_TYPEMASK) == SS_LEFT;
    case kDropDownList:
    {
        const DWORD need = CBS_DROPDOWNLIST | CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
        return c.cls == "#133" && (c.style & 3) == CBS_DROPDOWNLIST && (c.style & need) == need;
    }
    case kAutoRadio:
        return c.cls == "#128" && (c.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
    case kPushButton:
        return c.cls == "#128" && (c.style & BS_TYPEMASK) == BS_PUSHBUTTON &&
               (c.style & WS_TABSTOP);
    case kDefaultButton:
        return c.cls == "#128" && (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    case kBlackRule:
        return c.cls == "#130" && (c.style & SS_TYPEMASK) == SS_BLACKRECT;
    }
    return false;
}

struct ExpectedControl
{
    int id;
    Kind kind;
    const char* text;
    short x, y, cx, cy;     // cy -1: left open
};

void CheckControls(const DialogTemplate& t, const std::vector<ExpectedControl>& expected)
{
    ASSERT_EQ(expected.size(), t.controls.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const ExpectedControl& e = expected[i];
        const TemplateControl& c = t.controls[i];
        const std::string row = "control " + std::to_string(i) + " \"" + e.text + "\" (" +
                                KindName(e.kind) + ")";
        EXPECT_EQ((WORD)e.id, (WORD)c.id) << row;
        EXPECT_TRUE(IsKind(c, e.kind)) << row << ": class " << c.cls << ", style 0x" << std::hex
                                       << c.style;
        EXPECT_TRUE(c.style & WS_CHILD) << row;
        EXPECT_EQ(e.text, c.text) << row;
        EXPECT_EQ(e.x, c.x) << row;
        EXPECT_EQ(e.cx, c.cx) << row;
        if (e.cy >= 0)
        {
            EXPECT_EQ(e.y, c.y) << row;
            EXPECT_EQ(e.cy, c.cy) << row;
        }
    }
}

class BuiltResources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        module = LoadLibraryExA(BuiltPanel().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module) << BuiltPanel() << ": error " << GetLastError();
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }
    HMODULE module = nullptr;
};

TEST_F(BuiltResources, PanelDialog)
{
    DialogTemplate t;
    ASSERT_TRUE(ReadDialogTemplate(module, IDD_PANEL, &t));
    EXPECT_EQ((DWORD)(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
              t.style);
    EXPECT_EQ(337, t.cx);
    EXPECT_EQ(186, t.cy);
    EXPECT_EQ("Product", t.caption);
    EXPECT_EQ(8, t.points);
    EXPECT_EQ("Tahoma", t.font);
    CheckControls(t, {
        {-1, kGroupBox, "Module", 14, 7, 307, 91},
        {-1, kLabel, "Name:", 21, 24, 24, 8},
        {IDC_NAME_LIST, kDropDownList, "", 57, 22, 138, 52},
        {-1, kLabel, "Date:", 21, 39, 32, 8},
        {IDC_FILE_DATE, kLabel, "01-01-80 00:00", 57, 39, 114, 8},
        {-1, kLabel, "Size:", 21, 51, 32, 8},
        {IDC_FILE_SIZE, kLabel, "0 bytes", 57, 51, 114, 8},
        {-1, kLabel, "Version:", 22, 63, 29, 8},
        {IDC_FILE_VERSION, kLabel, "1.00.101", 57, 63, 114, 8},
        {-1, kLabel, "Status:", 22, 75, 24, 8},
        {IDC_STATUS, kLabel, "Not registered", 57, 75, 114, 8},
        {-1, kGroupBox, "Type", 218, 15, 96, 60},
        {1009, kAutoRadio, "ActiveX Control", 224, 26, 84, 10},
        {1010, kAutoRadio, "Dynamic Link Library", 224, 38, 84, 10},
        {1011, kAutoRadio, "Scripting Object", 224, 50, 84, 10},
        {1024, kAutoRadio, ".NET Component", 224, 62, 84, 10},
        {1018, kPushButton, "Help", 218, 79, 47, 14},
        {-1, kGroupBox, "Description", 15, 103, 307, 61},
        {1016, kLabel, "Description of the component's function.", 20, 115, 296, 42},
    });
}

TEST_F(BuiltResources, AboutBox)
{
    DialogTemplate t;
    ASSERT_TRUE(ReadDialogTemplate(module, IDD_ABOUT, &t));
    EXPECT_EQ((DWORD)(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT), t.style);
    EXPECT_EQ(260, t.cx);
    EXPECT_EQ("About ProductName", t.caption);
    EXPECT_EQ(8, t.points);
    EXPECT_EQ("Tahoma", t.font);
    CheckControls(t, {
        // "Brantlow" and "Version" are wider than first drawn (5 % to spare
        // at every scale); the texts after them keep their right edges.
        {-1, kLabel, "Brantlow", 9, 9, 31, 8},
        {1002, kLabel, "ProductName", 43, 9, 167, 8},
        {-1, kLabel, "Version", 9, 19, 26, 8},
        {1006, kLabel, "0.0 Build 0000", 37, 19, 114, 8},
        {-1, kBlackRule, "", 9, 31, 242, 1},
        {IDOK, kDefaultButton, "OK", 104, 0, 50, -1},
    });
    ASSERT_EQ(6u, t.controls.size());
    const TemplateControl& ok = t.controls[5];
    EXPECT_EQ(14, ok.cy);
    EXPECT_GT(ok.y, 31 + 1);                        // below the rule
    EXPECT_LE(ok.y + ok.cy, t.cy);
}

TEST_F(BuiltResources, PanelMenu)
{
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(IDR_PANEL_MENU));
    ASSERT_NE(nullptr, menu);
    struct Item
    {
        const char* popup;
        const char* text;       // nullptr: separator
        UINT id;
    };
    const Item expected[] = {
        {"&File", "E&xit\tAlt-F4", 20005},
        {"&Control", "&Register\tCtrl+R", 20006},
        {"&Control", "&Unregister\tCtrl+U", 20007},
        {"&Help", "&Contents\tF1", 20001},
        {"&Help", "&Technical Reference", 20003},
        {"&Help", nullptr, 0},
        {"&Help", "&About", 20002},
    };
    // The menu flattened to (popup, item) rows, in order.
    std::vector<std::string> seen, wanted;
    for (const Item& e : expected)
        wanted.push_back(std::string(e.popup) + " / " +
                         (e.text ? std::string(e.text) + " = " + std::to_string(e.id)
                                 : std::string("separator")));
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
    {
        char popupText[64] = "";
        GetMenuStringA(menu, i, popupText, sizeof(popupText), MF_BYPOSITION);
        HMENU popup = GetSubMenu(menu, i);
        if (popup == nullptr)
        {
            seen.push_back(std::string("item outside a popup: ") + popupText);
            continue;
        }
        for (int j = 0; j < GetMenuItemCount(popup); ++j)
        {
            MENUITEMINFOA info = {};
            char text[64] = "";
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
            info.dwTypeData = text;
            info.cch = sizeof(text);
            GetMenuItemInfoA(popup, j, TRUE, &info);
            std::string row = std::string(popupText) + " / ";
            if (info.fType & MFT_SEPARATOR)
                row += "separator";
            else
                row += std::string(text) + " = " + std::to_string(info.wID) +
                       (info.hSubMenu ? " with a submenu" : "");
            seen.push_back(row);
        }
    }
    EXPECT_EQ(wanted, seen);
    DestroyMenu(menu);
}

// --- The main window's class, as start-up registers it ---------------------

TEST(MainWindowClass, AsStartUpRegistersIt)
{
    EnsureMainWindow();
    ASSERT_NE(nullptr, g_hMainWnd);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExA(g_hInstance, "BrantlowModpanelClass", &wc));
    EXPECT_EQ((UINT)(CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNCLIENT), wc.style);     // 0x1003
    EXPECT_EQ(0, wc.cbClsExtra);
    EXPECT_EQ(0, wc.cbWndExtra);
    EXPECT_NE(nullptr, wc.hIcon);
    EXPECT_EQ(LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_MODPANEL)), wc.hIcon);
    EXPECT_EQ(LoadCursorA(nullptr, (LPCSTR)IDC_ARROW), wc.hCursor);
    EXPECT_EQ((HBRUSH)GetStockObject(WHITE_BRUSH), wc.hbrBackground);
    EXPECT_EQ(nullptr, wc.lpszMenuName);
    EXPECT_EQ((WNDPROC)MainWindowProc, wc.lpfnWndProc);

    // The hidden main window of that class.
    char cls[64] = "", caption[256] = "";
    GetClassNameA(g_hMainWnd, cls, sizeof(cls));
    GetWindowTextA(g_hMainWnd, caption, sizeof(caption));
    EXPECT_STREQ("BrantlowModpanelClass", cls);
    EXPECT_STREQ(g_szTitle, caption);
    LONG_PTR style = GetWindowLongPtrA(g_hMainWnd, GWL_STYLE);
    EXPECT_EQ(WS_OVERLAPPEDWINDOW, style & WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(IsWindowVisible(g_hMainWnd));
    // The system adds the edge of an overlapped window; nothing else.
    EXPECT_EQ(0, GetWindowLongPtrA(g_hMainWnd, GWL_EXSTYLE) & ~(LONG_PTR)WS_EX_WINDOWEDGE);
    EXPECT_EQ(nullptr, GetParent(g_hMainWnd));
    EXPECT_EQ(nullptr, GetWindow(g_hMainWnd, GW_OWNER));
    EXPECT_EQ(nullptr, GetMenu(g_hMainWnd));
}

} // namespace
