// The update-available dialog, run for real from the notifier's resources
// and driven from inside its modal loop.
#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "VersionCheckDlg.h"
#include "resource.h"
#include "drivers/DialogTemplate.h"
#include "drivers/ModalDriver.h"

namespace
{

UpdateOffer MakeOffer(DWORD status = 1, const char* version = "6.50.1058",
                      const char* date = "2009 Mar 5")
{
    UpdateOffer offer;
    offer.displayName = "Brantlow Mail Toolkit 6.5 Professional";
    offer.status = status;
    offer.versionText = version;
    offer.releaseDateText = date;
    offer.updateUrl = "http://downloads.brantlow.example/mailtk65.exe";
    return offer;
}

struct Texts
{
    std::string name, status, version;
};

// Runs the dialog for the offer, reads its three texts, leaves with Esc.
Texts ShowTexts(const UpdateOffer& offer)
{
    CVersionCheckDlg dlg(offer);
    Texts t;
    EXPECT_EQ(RunModal(dlg, [&](HWND h) {
                  t.name = WindowText(GetDlgItem(h, IDC_PRODUCT_NAME));
                  t.status = WindowText(GetDlgItem(h, IDC_STATUS));
                  t.version = WindowText(GetDlgItem(h, IDC_VERSION));
                  PostKey(h, VK_ESCAPE);
              }), IDCANCEL);
    return t;
}

const char kUpgrade[] = "A new upgrade for this product is available for download.";
const char kUpdate[] = "An updated version of this product is available for download.";

TEST(VersionCheckDlg, EachWayOutEndsWithItsAnswer)
{
    struct Row
    {
        const char* way;
        std::function<void(HWND)> act;
        INT_PTR answer;
    } rows[] = {
        {"Enter", [](HWND h) { PostKey(h, VK_RETURN); }, kAnswerOk},
        {"OK", [](HWND h) { ClickButton(h, IDOK); }, kAnswerOk},
        {"Esc", [](HWND h) { PostKey(h, VK_ESCAPE); }, kAnswerCancel},
        {"Cancel", [](HWND h) { ClickButton(h, IDCANCEL); }, kAnswerCancel},
        {"Check Later", [](HWND h) { ClickButton(h, IDC_CHECK_LATER); }, kAnswerCheckLater},
    };
    UpdateOffer offer = MakeOffer();
    for (const Row& row : rows)
    {
        CVersionCheckDlg dlg(offer);
        EXPECT_EQ(RunModal(dlg, row.act), row.answer) << row.way;
    }
}

TEST(VersionCheckDlg, OkCopiesTheControlsIntoTheMembersFirst)
{
    UpdateOffer offer = MakeOffer();
    CVersionCheckDlg dlg(offer);
    EXPECT_EQ(RunModal(dlg, [](HWND h) {
                  SetDlgItemTextA(h, IDC_STATUS, "status as shown");
                  SetDlgItemTextA(h, IDC_VERSION, "version as shown");
                  ClickButton(h, IDOK);
              }), kAnswerOk);
    EXPECT_STREQ(dlg.m_strStatus, "status as shown");
    EXPECT_STREQ(dlg.m_strVersion, "version as shown");
}

TEST(VersionCheckDlg, WindowHasNoSystemMenuAndStartsCentredWithFocusOnOK)
{
    UpdateOffer offer = MakeOffer();
    CVersionCheckDlg dlg(offer);
    LONG_PTR style = 0, exStyle = 0;
    HWND hFocus = nullptr, hOK = nullptr;
    RECT rc = {};
    std::string caption;
    RunModal(dlg, [&](HWND h) {
        style = GetWindowLongPtrA(h, GWL_STYLE);
        exStyle = GetWindowLongPtrA(h, GWL_EXSTYLE);
        caption = WindowText(h);
        // The focus belongs to the active window: a window of a test
        // running beside this one may have taken the activation. Activated
        // again, the dialog puts the focus back where it had it.
        for (int i = 0; i < 100 && GetFocus() == nullptr; ++i)
        {
            SetForegroundWindow(h);
            Sleep(20);
        }
        hFocus = GetFocus();
        hOK = GetDlgItem(h, IDOK);
        GetWindowRect(h, &rc);
        PostKey(h, VK_ESCAPE);
    });
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_EQ(style & WS_CAPTION, (LONG_PTR)WS_CAPTION);
    EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0);
    EXPECT_EQ(caption, "Brantlow Update");
    EXPECT_EQ(hFocus, hOK);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(abs((rc.left + rc.right) - (work.left + work.right)), 2);
    EXPECT_LE(abs((rc.top + rc.bottom) - (work.top + work.bottom)), 2);
}

TEST(VersionCheckDlg, ShowsTheOfferWithTheWordingOfStatusBitZero)
{
    Texts t = ShowTexts(MakeOffer(1));
    EXPECT_EQ(t.name, "Brantlow Mail Toolkit 6.5 Professional");
    EXPECT_EQ(t.status, kUpgrade);
    EXPECT_EQ(t.version, "Version 6.50.1058 was released on 2009 Mar 5");

    const DWORD statuses[] = { 0, 2, 3, 0x80000001u, 0xFFFFFFFEu };
    for (DWORD status : statuses)
        EXPECT_EQ(ShowTexts(MakeOffer(status)).status, (status & 1) ? kUpgrade : kUpdate)
            << "status " << status;
}

TEST(VersionCheckDlg, VersionAndDateGoInAsTheyStand)
{
    EXPECT_EQ(ShowTexts(MakeOffer(0, "", "")).version, "Version  was released on ");
    EXPECT_EQ(ShowTexts(MakeOffer(0, "%s%d", "an unknown date")).version,
              "Version %s%d was released on an unknown date");
    std::string longVersion(600, '9');
    EXPECT_EQ(ShowTexts(MakeOffer(0, longVersion.c_str(), "2009 Mar 5")).version,
              "Version " + longVersion + " was released on 2009 Mar 5");
}

// The label's font as the static gets it when it paints: through the
// colour request that the dialog hands to the label.
LOGFONTA PaintFont(HWND hDlg, LRESULT* pBrush = nullptr)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = GetCurrentObject(hdc, OBJ_FONT);
    LRESULT brush = SendMessageA(hDlg, WM_CTLCOLORSTATIC, (WPARAM)hdc,
                                 (LPARAM)GetDlgItem(hDlg, IDC_PRODUCT_NAME));
    LOGFONTA lf = {};
    GetObjectA(GetCurrentObject(hdc, OBJ_FONT), sizeof(lf), &lf);
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    if (pBrush)
        *pBrush = brush;
    return lf;
}

// How far to the right the static's own painting reaches, found in a
// picture of it, and how wide its text is in a font.
int PaintedWidth(HWND hStatic)
{
    RECT rc;
    GetClientRect(hStatic, &rc);
    HDC hScreen = GetDC(nullptr);
    HDC hdc = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, rc.right, rc.bottom);
    HGDIOBJ hOld = SelectObject(hdc, hBitmap);
    SendMessageA(hStatic, WM_PRINTCLIENT, (WPARAM)hdc, PRF_CLIENT);
    COLORREF background = GetNearestColor(hdc, GetSysColor(COLOR_BTNFACE));
    int right = 0;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = right; x < rc.right; ++x)
            if (GetPixel(hdc, x, y) != background)
                right = x + 1;
    SelectObject(hdc, hOld);
    DeleteObject(hBitmap);
    DeleteDC(hdc);
    ReleaseDC(nullptr, hScreen);
    return right;
}

int TextWidth(HFONT hFont, const std::string& text)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    SIZE size = {};
    GetTextExtentPoint32A(hdc, text.c_str(), (int)text.size(), &size);
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    return size.cx;
}

TEST(VersionCheckDlg, ProductNameIsLargeAndBoldAfterInitialisation)
{
    UpdateOffer offer = MakeOffer();
    CVersionCheckDlg dlg(offer);
    LOGFONTA initial = {}, normal = {};
    LRESULT brush = 0;
    HFONT hBold = nullptr;
    int painted = 0, boldWidth = 0, dialogFontWidth = 0;
    RunModal(dlg, [&](HWND h) {
        initial = PaintFont(h, &brush);
        hBold = dlg.m_ctlProductName.GetFont();
        // What reaches the screen: the static's own painting in that font.
        HWND hName = GetDlgItem(h, IDC_PRODUCT_NAME);
        painted = PaintedWidth(hName);
        boldWidth = TextWidth(hBold, WindowText(hName));
        dialogFontWidth = TextWidth((HFONT)SendMessageA(h, WM_GETFONT, 0, 0), WindowText(hName));
        dlg.m_ctlProductName.SetFontBold(FALSE);
        normal = PaintFont(h);
        PostKey(h, VK_ESCAPE);
    });
    EXPECT_EQ(brush, (LRESULT)dlg.m_ctlProductName.GetBrush());
    EXPECT_EQ(initial.lfHeight, -14);
    EXPECT_EQ(initial.lfWeight, FW_BOLD);
    EXPECT_EQ(normal.lfHeight, -14);
    EXPECT_EQ(normal.lfWeight, FW_NORMAL);
    EXPECT_EQ(GetObjectType(hBold), 0u) << "the label holds one font at a time";
    EXPECT_LE(abs(painted - boldWidth), 3) << "painted " << painted << ", bold text " << boldWidth;
    EXPECT_GT(painted, dialogFontWidth + 20);
}

TEST(VersionCheckDlg, IconIsBigSmallAndDragIcon)
{
    UpdateOffer offer = MakeOffer();
    CVersionCheckDlg dlg(offer);
    ASSERT_NE(dlg.m_hIcon, nullptr);
    LRESULT big = 0, small = 0, drag = 0;
    RunModal(dlg, [&](HWND h) {
        big = SendMessageA(h, WM_GETICON, ICON_BIG, 0);
        small = SendMessageA(h, WM_GETICON, ICON_SMALL, 0);
        drag = SendMessageA(h, WM_QUERYDRAGICON, 0, 0);
        PostKey(h, VK_ESCAPE);
    });
    EXPECT_EQ(big, (LRESULT)dlg.m_hIcon);
    EXPECT_EQ(small, (LRESULT)dlg.m_hIcon);
    EXPECT_EQ(drag, (LRESULT)dlg.m_hIcon);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(dlg.m_hIcon, &info));
    BITMAP bm = {};
    GetObjectA(info.hbmColor, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

std::vector<WPARAM>* g_pCommands = nullptr;

LRESULT CALLBACK RecordCommands(int code, WPARAM w, LPARAM l)
{
    const CWPSTRUCT* p = (const CWPSTRUCT*)l;
    if (code == HC_ACTION && p->message == WM_COMMAND && g_pCommands)
        g_pCommands->push_back(p->wParam);
    return CallNextHookEx(nullptr, code, w, l);
}

TEST(VersionCheckDlg, AClickOnTheProductNameDoesNothing)
{
    UpdateOffer offer = MakeOffer();
    CVersionCheckDlg dlg(offer);
    std::vector<WPARAM> commands;
    g_pCommands = &commands;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordCommands, nullptr, GetCurrentThreadId());
    LONG_PTR style = 0;
    LRESULT hit = 0;
    bool openAfterClick = false;
    INT_PTR code = RunModal(dlg, [&](HWND h) {
        HWND hName = GetDlgItem(h, IDC_PRODUCT_NAME);
        style = GetWindowLongPtrA(hName, GWL_STYLE);
        RECT rc;
        GetWindowRect(hName, &rc);
        LPARAM screen = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        hit = SendMessageA(hName, WM_NCHITTEST, 0, screen);
        // Delivered straight to the static as well, in case the hit test lied.
        SendMessageA(hName, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(hName, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        POINT pt = { (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2 };
        ScreenToClient(h, &pt);
        SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
        openAfterClick = IsWindowVisible(h) != FALSE;
        PostKey(h, VK_ESCAPE);
    });
    UnhookWindowsHookEx(hook);
    g_pCommands = nullptr;
    EXPECT_EQ(style & SS_NOTIFY, 0);
    EXPECT_EQ(hit, HTTRANSPARENT);
    EXPECT_TRUE(openAfterClick);
    EXPECT_EQ(code, IDCANCEL);
    for (WPARAM w : commands)
        EXPECT_NE(LOWORD(w), IDC_PRODUCT_NAME);
}

int g_nIconErases = 0;

LRESULT CALLBACK CountIconErases(int code, WPARAM w, LPARAM l)
{
    if (code == HC_ACTION && ((const CWPSTRUCT*)l)->message == WM_ICONERASEBKGND)
        ++g_nIconErases;
    return CallNextHookEx(nullptr, code, w, l);
}

TEST(VersionCheckDlg, MinimisedItPaintsItsIcon)
{
    UpdateOffer offer = MakeOffer();
    CVersionCheckDlg dlg(offer);
    BOOL bIconic = FALSE;
    int erasesShown = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountIconErases, nullptr, GetCurrentThreadId());
    RunModal(dlg, [&](HWND h) {
        // Sent by hand: a minimised window here has no client area that
        // the system would ask to be painted.
        g_nIconErases = 0;
        SendMessageA(h, WM_PAINT, 0, 0);
        erasesShown = g_nIconErases;
        ShowWindow(h, SW_MINIMIZE);
        bIconic = IsIconic(h);
        SendMessageA(h, WM_PAINT, 0, 0);
        PostKey(h, VK_ESCAPE);
    });
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(erasesShown, 0);
    ASSERT_TRUE(bIconic);
    EXPECT_EQ(g_nIconErases, 1);
}

TEST(VersionCheckDlg, MinimisedIconIsCentredWithTruncation)
{
    EXPECT_EQ(IconCentreOffset(33, 32), 1);
    EXPECT_EQ(IconCentreOffset(30, 32), 0) << "2 pixels narrower than the icon: 0, not -1";
    EXPECT_EQ(IconCentreOffset(32, 32), 0);
    EXPECT_EQ(IconCentreOffset(160, 32), 64);
    EXPECT_EQ(IconCentreOffset(10, 32), -10);
}

// --- The resources as compiled --------------------------------------------

TEST(NotifierResources, DialogTemplateStringsAndManifest)
{
    DialogTemplate t;
    ASSERT_TRUE(ReadDialogTemplate(nullptr, IDD_VERSIONCHECK, &t)) << "an extended template";
    EXPECT_EQ(t.exStyle, (DWORD)WS_EX_APPWINDOW);
    EXPECT_EQ(t.style, (DWORD)(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ((std::vector<short>{ t.x, t.y, t.cx, t.cy }), (std::vector<short>{ 0, 0, 254, 110 }));
    EXPECT_EQ(t.menu, "");
    EXPECT_EQ(t.cls, "");
    EXPECT_EQ(t.caption, "Brantlow Update");
    EXPECT_EQ(t.points, 8);
    EXPECT_EQ(t.font, "MS Sans Serif");

    const DWORD kStatic = WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP;
    const DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    struct Item { int id; DWORD style; short x, y, cx, cy; std::string cls, text; };
    const Item expected[] = {
        { 1000, kStatic, 16, 11, 223, 13, "#130", "ProductName 1.0 Product Edition" },
        { 1001, kStatic, 16, 26, 221, 9, "#130", kUpdate },
        { 1002, kStatic, 16, 35, 221, 9, "#130", "Version 1.00.0000 was released on 01 Jan 2001" },
        { -1, kStatic, 15, 48, 225, 27, "#130",
          "More information about this release is available online. You can choose to download "
          "and install the new version of the software now, or you can cancel the update and "
          "install it later." },
        { 1, kButton | BS_DEFPUSHBUTTON, 43, 88, 50, 14, "#128", "OK" },
        { 5, kButton | BS_PUSHBUTTON, 100, 88, 50, 14, "#128", "Check Later" },
        { 2, kButton | BS_PUSHBUTTON, 157, 88, 50, 14, "#128", "Cancel" },
    };
    ASSERT_EQ(t.controls.size(), 7u);
    for (size_t i = 0; i < t.controls.size(); ++i)
    {
        const Item& want = expected[i];
        const TemplateControl& c = t.controls[i];
        EXPECT_EQ(c.exStyle, 0u) << want.text;
        EXPECT_EQ(c.style, want.style) << want.text;
        EXPECT_EQ((std::vector<short>{ c.x, c.y, c.cx, c.cy }),
                  (std::vector<short>{ want.x, want.y, want.cx, want.cy })) << want.text;
        EXPECT_EQ((int)c.id, want.id) << want.text;
        EXPECT_EQ(c.cls, want.cls) << want.text;
        EXPECT_EQ(c.text, want.text) << want.text;
    }

    char text[128];
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_INTERNAL_ERROR, text, sizeof(text)), 0);
    EXPECT_STREQ(text, "An internal error has occurred.");
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_INVALID_ARGUMENT, text, sizeof(text)), 0);
    EXPECT_STREQ(text, "An invalid argument was specified on the command line.");
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_NO_UPDATES, text, sizeof(text)), 0);
    EXPECT_STREQ(text, "No product updates are available at this time.");

    HRSRC hManifest = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(hManifest, nullptr);
    std::string manifest((const char*)LockResource(LoadResource(nullptr, hManifest)),
                         SizeofResource(nullptr, hManifest));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(1), (LPCSTR)RT_VERSION), nullptr);
}

} // namespace
