// dpi_layout_probe: opens the update dialog (102), the panel (301) and the
// About box (302) at the DPI that the Wine prefix was set to, fills every
// text control with each of the longest texts the programs can put there,
// and measures the text in the control's own font against the control's
// client rectangle. Run by dpi_layout_e2e.py once per DPI.
//
//   dpi_layout_probe DPI MODPANEL-EXE
//
// Prints "room DIALOG ID TEXT-START DPI NEEDED AVAILABLE" for each control
// (its tightest text), "fail ..." for each fault, and ends with 1 on any.
// It carries the notifier's manifest (through its resources), so it runs
// with the programs' DPI awareness.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "Dpi.h"
#include "ModalDriver.h"
#include "ProductCatalogue.h"
#include "UpdateOffer.h"
#include "VersionCheckDlg.h"

namespace
{

UINT g_nDpi = 0;
int g_nFailures = 0;
int g_nDialogsMeasured = 0;

struct Candidates
{
    int nId;
    std::vector<std::string> texts;
};

// What a control needs of its width for one text, in pixels, and the text's
// own extent at the control's whole width.
struct Need
{
    int nWidth;         // narrowest width the text fits in (with the frame)
    SIZE extent;        // the text laid out in the whole client width
};

Need Measure(HWND hCtl, const std::string& text)
{
    RECT rcClient;
    GetClientRect(hCtl, &rcClient);
    int cx = rcClient.right, cy = rcClient.bottom;
    HDC hDC = GetDC(hCtl);
    HGDIOBJ hOld = SelectObject(hDC, (HFONT)SendMessageA(hCtl, WM_GETFONT, 0, 0));
    TEXTMETRICA tm;
    GetTextMetricsA(hDC, &tm);
    char szClass[16] = "";
    GetClassNameA(hCtl, szClass, sizeof(szClass));
    LONG style = GetWindowLongA(hCtl, GWL_STYLE);
    bool bStatic = lstrcmpiA(szClass, "Static") == 0;
    UINT nFlags = DT_CALCRECT | DT_EXPANDTABS | (bStatic ? DT_WORDBREAK : DT_SINGLELINE);
    // What the control draws besides its text: a button's frame, a radio
    // button's circle and the gap after it, a group box's inset caption.
    int nFrame = 0;
    if (!bStatic)
    {
        switch (style & BS_TYPEMASK)
        {
        case BS_GROUPBOX:
            nFrame = 2 * tm.tmAveCharWidth;
            break;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
            nFrame = ScaleToDpi(13, g_nDpi) + tm.tmAveCharWidth / 2;
            break;
        default:
            nFrame = 2 * SystemMetricForDpi(SM_CXEDGE, g_nDpi);
            break;
        }
    }
    auto fits = [&](int w, SIZE* pExtent) {
        RECT rc = { 0, 0, w, 0 };
        DrawTextA(hDC, text.c_str(), -1, &rc, nFlags);
        if (pExtent != nullptr)
        {
            pExtent->cx = rc.right + nFrame;
            pExtent->cy = rc.bottom;
        }
        return rc.right <= w && rc.bottom <= cy;
    };
    Need need;
    fits(cx - nFrame, &need.extent);
    // The narrowest width at which the wrapped text still fits the height.
    int lo = 1, hi = cx - nFrame;
    if (!fits(hi, nullptr))
        need.nWidth = need.extent.cx > cx ? need.extent.cx : cx + 1;
    else
    {
        while (lo < hi)
        {
            int mid = (lo + hi) / 2;
            if (fits(mid, nullptr))
                hi = mid;
            else
                lo = mid + 1;
        }
        need.nWidth = hi + nFrame;
    }
    SelectObject(hDC, hOld);
    ReleaseDC(hCtl, hDC);
    return need;
}

struct MeasureContext
{
    const char* pszDialog;
    const std::vector<Candidates>* pCandidates;
};

BOOL CALLBACK MeasureChild(HWND hCtl, LPARAM lParam)
{
    const MeasureContext& ctx = *(const MeasureContext*)lParam;
    char szClass[16] = "";
    GetClassNameA(hCtl, szClass, sizeof(szClass));
    LONG style = GetWindowLongA(hCtl, GWL_STYLE);
    bool bStatic = lstrcmpiA(szClass, "Static") == 0;
    if (bStatic && (style & SS_TYPEMASK) > SS_RIGHT && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP)
        return TRUE;        // rules, frames, icons: no text
    if (!bStatic && lstrcmpiA(szClass, "Button") != 0)
        return TRUE;
    int nId = (int)(short)GetDlgCtrlID(hCtl);
    char szText[512] = "";
    GetWindowTextA(hCtl, szText, sizeof(szText));
    std::vector<std::string> texts(1, szText);
    for (const Candidates& c : *ctx.pCandidates)
        if (c.nId == nId)
            texts = c.texts;
    RECT rc;
    GetClientRect(hCtl, &rc);
    int nWorst = -1;
    std::string worst;
    for (const std::string& text : texts)
    {
        SetWindowTextA(hCtl, text.c_str());
        Need need = Measure(hCtl, text);
        // 5 % of the width to spare: Wine's fonts are not Windows' fonts.
        // The version line's words are fixed and its numbers the server's:
        // at their widest (a 20-digit version, a 5-digit year) it is held
        // to fitting whole.
        int nSpare = (lstrcmpA(ctx.pszDialog, "102") == 0 && nId == IDC_VERSION) ? 0 : 5;
        if (need.nWidth * 100 > rc.right * (100 - nSpare))
        {
            printf("fail %s control %d at %u DPI: text \"%.40s\" is %ldx%ld (narrowest fit %d), "
                   "the control %ldx%ld\n", ctx.pszDialog, nId, g_nDpi, text.c_str(),
                   need.extent.cx, need.extent.cy, need.nWidth, rc.right, rc.bottom);
            ++g_nFailures;
        }
        if (need.nWidth > nWorst)
        {
            nWorst = need.nWidth;
            worst = text;
        }
    }
    char szStart[16];
    lstrcpynA(szStart, worst.c_str(), sizeof(szStart));
    for (char* p = szStart; *p; ++p)
        if (*p == ' ')
            *p = '_';
    printf("room %s %d %s %u %d %ld\n", ctx.pszDialog, nId, szStart[0] ? szStart : "-", g_nDpi,
           nWorst, rc.right);
    return TRUE;
}

void MeasureDialog(HWND hDlg, const char* pszDialog, const std::vector<Candidates>& candidates)
{
    UINT nDpi = WindowDpi(hDlg);
    if (nDpi != g_nDpi)
    {
        printf("fail %s is at %u DPI, the prefix was set to %u\n", pszDialog, nDpi, g_nDpi);
        ++g_nFailures;
    }
    MeasureContext ctx = { pszDialog, &candidates };
    EnumChildWindows(hDlg, MeasureChild, (LPARAM)&ctx);
    ++g_nDialogsMeasured;
}

int IconWidth(HICON hIcon)
{
    ICONINFO info = {};
    if (hIcon == nullptr || !GetIconInfo(hIcon, &info))
        return 0;
    BITMAP bm = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return bm.bmWidth;
}

// The label's font and the dialog's icon as made for nDpi.
void CheckScaled(HWND hDlg, CVersionCheckDlg& dlg, UINT nDpi, const char* pszWhen)
{
    HWND hLabel = GetDlgItem(hDlg, IDC_PRODUCT_NAME);
    HFONT hFont = (HFONT)SendMessageA(hLabel, WM_GETFONT, 0, 0);
    LOGFONTA lf = {};
    GetObjectA(hFont, sizeof(lf), &lf);
    int nWant = ScaleToDpi(14, nDpi);
    printf("label %s %u DPI: height %ld, weight %ld\n", pszWhen, nDpi, -lf.lfHeight, lf.lfWeight);
    if (lf.lfHeight != -nWant || lf.lfWeight != FW_BOLD || hFont != dlg.m_ctlProductName.GetFont())
    {
        printf("fail label %s at %u DPI: height %ld weight %ld (wanted %d bold, its own font %s)\n",
               pszWhen, nDpi, -lf.lfHeight, lf.lfWeight, nWant,
               hFont == dlg.m_ctlProductName.GetFont() ? "yes" : "no");
        ++g_nFailures;
    }
    HICON hBig = (HICON)SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0);
    HICON hSmall = (HICON)SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0);
    int nIcon = IconWidth(hBig);
    printf("icon %s %u DPI: %d pixels\n", pszWhen, nDpi, nIcon);
    if (hBig != hSmall || nIcon != ScaleToDpi(32, nDpi))
    {
        printf("fail icon %s at %u DPI: big %p small %p, %d pixels (wanted one icon of %d)\n",
               pszWhen, nDpi, (void*)hBig, (void*)hSmall, nIcon, ScaleToDpi(32, nDpi));
        ++g_nFailures;
    }
}

std::vector<Candidates> g_updateTexts;
CVersionCheckDlg* g_pUpdateDlg = nullptr;
int g_nTicks = 0;

void CALLBACK UpdateDialogTick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND hDlg = FindThreadDialog();
    if (hDlg == nullptr)
    {
        if (++g_nTicks == 200)      // 10 s
            PostQuitMessage(3);
        return;
    }
    CheckScaled(hDlg, *g_pUpdateDlg, g_nDpi, "opened");
    MeasureDialog(hDlg, "102", g_updateTexts);
    // A move to a screen of another scale, as Windows announces it.
    UINT nNewDpi = g_nDpi + 48;
    RECT rc;
    GetWindowRect(hDlg, &rc);
    SendMessageA(hDlg, WM_DPICHANGED, MAKEWPARAM(nNewDpi, nNewDpi), (LPARAM)&rc);
    CheckScaled(hDlg, *g_pUpdateDlg, nNewDpi, "moved");
    EndDialog(hDlg, IDCANCEL);
}

const std::vector<Candidates>* g_pPanelTexts = nullptr;
const char* g_pszPanelDialog = "";

INT_PTR CALLBACK PanelProbeProc(HWND hDlg, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
    {
        PostMessageA(hDlg, WM_APP, 0, 0);
        return TRUE;
    }
    if (message == WM_APP)
    {
        MeasureDialog(hDlg, g_pszPanelDialog, *g_pPanelTexts);
        EndDialog(hDlg, IDOK);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        printf("usage: dpi_layout_probe DPI MODPANEL-EXE\n");
        return 2;
    }
    g_nDpi = (UINT)atoi(argv[1]);

    // Every catalogued product: its display name as the notifier builds it,
    // the full name and version text as the panel's About box shows them.
    Candidates names = { IDC_PRODUCT_NAME, {} };
    Candidates fullNames = { 1002, {} }, versions = { 1006, {} };
    DWORD adwIds[512];
    int nProducts = EnumerateProducts(-1, adwIds, 512);
    for (int i = 0; i < nProducts && i < 512; ++i)
    {
        char szName[128], szEdition[128], szVersion[32], szDisplay[300];
        WORD wMajor = 0, wMinor = 0;
        GetProductName(adwIds[i], szName, sizeof(szName));
        GetProductEdition(adwIds[i], szEdition, sizeof(szEdition));
        GetProductVersion(adwIds[i], &wMajor, &wMinor, nullptr, szVersion, sizeof(szVersion));
        FormatDisplayName(szName, szEdition, wMajor, wMinor, szDisplay, sizeof(szDisplay));
        names.texts.push_back(szDisplay);
        fullNames.texts.push_back(std::string(szName) + (szEdition[0] ? " " : "") + szEdition);
        versions.texts.push_back(szVersion);
    }
    // The widest version line the notifier can show: 16-bit major, minor and
    // year, a 32-bit build, each month.
    static const char* const kMonths[] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    Candidates versionLines = { IDC_VERSION, {} };
    for (const char* pszMonth : kMonths)
        versionLines.texts.push_back(std::string("Version 65535.65535.4294967295 was released on 65535 ")
                                     + pszMonth + " 28");
    g_updateTexts = { names, versionLines,
                      { IDC_STATUS, { "An updated version of this product is available for download.",
                                      "A new upgrade for this product is available for download." } } };

    UpdateOffer offer;
    offer.displayName = names.texts.empty() ? "" : names.texts[0].c_str();
    offer.status = 0;
    offer.versionText = "65535.65535.4294967295";
    offer.releaseDateText = "65535 Sep 28";
    {
        CVersionCheckDlg dlg(offer);
        g_pUpdateDlg = &dlg;
        UINT_PTR nTimer = SetTimer(nullptr, 0, 50, UpdateDialogTick);
        dlg.DoModal();
        KillTimer(nullptr, nTimer);
        g_pUpdateDlg = nullptr;
    }

    HMODULE hPanel = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (hPanel == nullptr)
    {
        printf("fail cannot load %s\n", argv[2]);
        return 1;
    }
    Candidates descriptions = { 1016, {} };
    for (UINT nId = 10001; nId < 15000; ++nId)
    {
        char szText[1024];
        if (LoadStringA(hPanel, nId, szText, sizeof(szText)) > 0)
            descriptions.texts.push_back(szText);
    }
    std::vector<Candidates> panelTexts = {
        { 1012, { "12-31-2099 23:59" } },
        { 1013, { "4294967295 bytes" } },
        { 1014, { "65535.65535.65535.65535" } },
        { 1015, { "Installed, Registered", "Installed, Not registered",
                  "Not installed, Not registered", "Not installed" } },
        descriptions,
    };
    std::vector<Candidates> aboutTexts = { fullNames, versions };
    g_pPanelTexts = &panelTexts;
    g_pszPanelDialog = "301";
    DialogBoxParamA(hPanel, MAKEINTRESOURCEA(301), nullptr, PanelProbeProc, 0);
    g_pPanelTexts = &aboutTexts;
    g_pszPanelDialog = "302";
    DialogBoxParamA(hPanel, MAKEINTRESOURCEA(302), nullptr, PanelProbeProc, 0);
    FreeLibrary(hPanel);

    printf("products %d, descriptions %d, dialogs measured %d\n", nProducts,
           (int)descriptions.texts.size(), g_nDialogsMeasured);
    if (g_nDialogsMeasured != 3 || nProducts == 0 || descriptions.texts.empty())
        ++g_nFailures;
    fflush(stdout);
    return g_nFailures == 0 ? 0 : 1;
}
