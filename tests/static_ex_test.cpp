// CStaticEx, the styled label: its font, its colours and its answers to the
// colour requests that its parent hands back to it.
#include <gtest/gtest.h>

#include <string.h>

#include "StaticEx.h"
#include "drivers/ModalDriver.h"

namespace
{

// A plain top-level window bound to a CWnd (so it reflects colour
// requests), with a static child bound to a label.
struct LabelOnParent
{
    CWnd parent;
    HWND hParent = nullptr;
    HWND hStatic = nullptr;

    explicit LabelOnParent(CStaticEx& label, DWORD dwStyle = SS_LEFT)
    {
        hParent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        hStatic = CreateWindowExA(0, "STATIC", "before", WS_CHILD | dwStyle, 0, 0, 200, 20,
                                  hParent, (HMENU)1000, GetModuleHandleA(nullptr), nullptr);
        parent.SubclassWindow(hParent);
        label.SubclassWindow(hStatic);
    }
    ~LabelOnParent() { DestroyWindow(hParent); }
};

struct DcState
{
    HGDIOBJ font;
    COLORREF text;
    int mode;
    explicit DcState(HDC hdc)
        : font(GetCurrentObject(hdc, OBJ_FONT)), text(GetTextColor(hdc)), mode(GetBkMode(hdc))
    {
    }
};

TEST(CStaticEx, ConstructionTakesSystemColoursAndTheDefaultGuiFont)
{
    HFONT hFont;
    HBRUSH hBrush;
    {
        CStaticEx label;
        EXPECT_EQ(label.GetTextColor(), GetSysColor(COLOR_WINDOWTEXT));
        LOGBRUSH lb = {};
        ASSERT_EQ(GetObjectA(label.GetBrush(), sizeof(lb), &lb), (int)sizeof(lb));
        EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
        LOGFONTA guiFont = {};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(guiFont), &guiFont);
        EXPECT_EQ(memcmp(&label.GetLogFont(), &guiFont, sizeof(guiFont)), 0);
        hFont = label.GetFont();
        hBrush = label.GetBrush();
        EXPECT_EQ(GetObjectType(hFont), (DWORD)OBJ_FONT);
    }
    EXPECT_EQ(GetObjectType(hFont), 0u) << "the font outlives its label";
    EXPECT_EQ(GetObjectType(hBrush), 0u) << "the brush outlives its label";
}

TEST(CStaticEx, SizeAndWeightRebuildExactlyOneFont)
{
    CStaticEx label;
    LOGFONTA guiFont = label.GetLogFont();
    HFONT hOld = label.GetFont();
    label.SetFontSize(14);
    EXPECT_EQ(label.GetLogFont().lfHeight, -14);
    EXPECT_EQ(label.GetLogFont().lfWeight, guiFont.lfWeight);
    EXPECT_EQ(GetObjectType(hOld), 0u);

    hOld = label.GetFont();
    label.SetFontBold(TRUE);
    LOGFONTA made = {};
    GetObjectA(label.GetFont(), sizeof(made), &made);
    EXPECT_EQ(made.lfHeight, -14) << "the second font carries both changes";
    EXPECT_EQ(made.lfWeight, FW_BOLD);
    EXPECT_STREQ(made.lfFaceName, guiFont.lfFaceName);
    EXPECT_EQ(GetObjectType(hOld), 0u);

    label.SetFontBold(FALSE);
    EXPECT_EQ(label.GetLogFont().lfWeight, FW_NORMAL);
}

TEST(CStaticEx, AnswersEveryKindButTouchesTheDcOnlyForAStatic)
{
    CStaticEx label;
    LabelOnParent window(label);
    HDC hdc = CreateCompatibleDC(nullptr);
    DcState before(hdc);
    for (UINT message = WM_CTLCOLORMSGBOX; message < WM_CTLCOLORSTATIC; ++message)
    {
        EXPECT_EQ(SendMessageA(window.hParent, message, (WPARAM)hdc, (LPARAM)window.hStatic),
                  (LRESULT)label.GetBrush()) << "message " << std::hex << message;
        DcState after(hdc);
        EXPECT_EQ(after.font, before.font);
        EXPECT_EQ(after.text, before.text);
        EXPECT_EQ(after.mode, before.mode);
    }
    EXPECT_EQ(SendMessageA(window.hParent, WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)window.hStatic),
              (LRESULT)label.GetBrush());
    DcState painted(hdc);
    EXPECT_EQ(painted.font, (HGDIOBJ)label.GetFont());
    EXPECT_EQ(painted.text, label.GetTextColor());
    EXPECT_EQ(painted.mode, TRANSPARENT);
    SelectObject(hdc, before.font);
    DeleteDC(hdc);
}

TEST(CStaticEx, KeepsTheColoursReadAtConstruction)
{
    CStaticEx label;
    LabelOnParent window(label);
    INT index = COLOR_WINDOWTEXT;
    COLORREF original = GetSysColor(COLOR_WINDOWTEXT);
    COLORREF changed = original ^ RGB(0x40, 0x80, 0xC0);
    ASSERT_TRUE(SetSysColors(1, &index, &changed));
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOldFont = GetCurrentObject(hdc, OBJ_FONT);
    SendMessageA(window.hParent, WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)window.hStatic);
    COLORREF used = GetTextColor(hdc);
    SelectObject(hdc, hOldFont);
    DeleteDC(hdc);
    SetSysColors(1, &index, &original);
    EXPECT_EQ(used, original);
}

TEST(CStaticEx, BindingKeepsStyleAndTextAndSetTextChangesOnlyTheText)
{
    CStaticEx label;
    LabelOnParent window(label, SS_LEFT | WS_GROUP);
    LONG_PTR style = GetWindowLongPtrA(window.hStatic, GWL_STYLE);
    EXPECT_EQ(style & (SS_TYPEMASK | SS_NOTIFY | WS_GROUP), (LONG_PTR)(SS_LEFT | WS_GROUP));
    EXPECT_EQ(WindowText(window.hStatic), "before");
    label.SetText("Brantlow Mail Toolkit 6.5 Professional");
    EXPECT_EQ(WindowText(window.hStatic), "Brantlow Mail Toolkit 6.5 Professional");
    EXPECT_EQ(GetWindowLongPtrA(window.hStatic, GWL_STYLE), style);
}

} // namespace
