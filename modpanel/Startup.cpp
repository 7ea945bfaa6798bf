// Start-up of the component panel: paths, command line, choice of product,
// title, the hidden main window and the message loop.
#include "Modpanel.h"

#include <time.h>

#include "ProductCatalogue.h"
#include "ProductLines.h"
#include "SystemLibrary.h"
#include "Text.h"
#include "resource.h"

HINSTANCE g_hInstance = nullptr;
HWND g_hMainWnd = nullptr;

DWORD g_dwProduct = 0;
int g_nProductGroup = 0;
char g_szProductName[128] = "";
char g_szProductEdition[128] = "";
char g_szFullProductName[256] = "";
char g_szVersionText[32] = "";
char g_szTitle[128] = "";

char g_szRegistrationTool[MAX_PATH] = "";
const char g_szAssembliesFolder[] = "C:\\Program Files\\Common Files\\Brantlow Shared\\Assemblies";
char g_szHelpFile[MAX_PATH] = "";

namespace
{

const char kClassName[] = "BrantlowModpanelClass";

// The panel's option names: 3 characters or more, cut from the keyword.
// The panel splits words at spaces only and skips words that are not
// options, where the notifier also splits at tabs and refuses such words:
// each program keeps the reading its users' shortcuts were written for.
bool NameMatches(const char* pszName, int nLength, const char* pszKeyword)
{
    return nLength > 2 && AbbreviatesKeyword(pszName, nLength, pszKeyword);
}

} // namespace

void MakeOwnHelpPath(const char* pszModule, char* pszHelp, int nSize)
{
    pszHelp[0] = '\0';
    int nDot = -1;
    for (int i = 0; pszModule[i]; ++i)
        if (pszModule[i] == '.')
            nDot = i;
    if (nDot < 0 || nDot + 5 > nSize)
        return;
    CopyMemory(pszHelp, pszModule, nDot);
    CopyMemory(pszHelp + nDot, ".chm", 5);
}

void UseSafeSearchMode()
{
    // Looked up: the mode is the system's only where it has the function.
    SystemFunction<decltype(&SetSearchPathMode)> setSearchPathMode("kernel32.dll", "SetSearchPathMode");
    auto pfn = setSearchPathMode.Get();
    if (pfn != nullptr)
        pfn(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
}

void InitialisePaths()
{
    char szSystem[MAX_PATH];
    UINT nLength = GetSystemDirectoryA(szSystem, sizeof(szSystem));
    if (nLength == 0 || nLength >= sizeof(szSystem))
        szSystem[0] = '\0';
    if (szSystem[0] && !EndsWithSeparator(szSystem, CP_ACP))
        AppendText(szSystem, sizeof(szSystem), "\\");
    CopyTextCut(g_szRegistrationTool, sizeof(g_szRegistrationTool), szSystem);
    if (!AppendText(g_szRegistrationTool, sizeof(g_szRegistrationTool), "REGSVR32.EXE"))
        g_szRegistrationTool[0] = '\0';

    char szModule[MAX_PATH];
    DWORD dwLength = GetModuleFileNameA(nullptr, szModule, sizeof(szModule));
    if (dwLength == 0 || dwLength >= sizeof(szModule))
        szModule[0] = '\0';
    MakeOwnHelpPath(szModule, g_szHelpFile, sizeof(g_szHelpFile));
    if (g_szHelpFile[0] && GetFileAttributesA(g_szHelpFile) == INVALID_FILE_ATTRIBUTES)
        g_szHelpFile[0] = '\0';
}

bool ParseCommandLine(const char* pszCmdLine, BOOL* pbProductNamed, int* pnAction)
{
    const char* p = pszCmdLine ? pszCmdLine : "";
    for (;;)
    {
        while (*p == ' ')
            ++p;
        if (*p == '\0')
            return true;
        const char* pToken = p;
        while (*p && *p != ' ')
            ++p;
        const char* pEnd = p;
        if (*pToken != '/' && *pToken != '-')
            continue;
        const char* pName = pToken + 1;
        const char* pColon = pName;
        while (pColon < pEnd && *pColon != ':')
            ++pColon;
        int nName = static_cast<int>(pColon - pName);
        BOOL bValue = pColon < pEnd;
        const char* pValue = bValue ? pColon + 1 : pEnd;

        if (NameMatches(pName, nName, "PRODUCT"))
        {
            if (!bValue || pValue == pEnd)
                continue;
            // Read as a signed decimal, as atol would; no digits give 0.
            DWORD dwProduct = 0;
            ScanDecimal(pValue, pEnd, 0, dwProduct);
            g_dwProduct = dwProduct;
            *pbProductNamed = TRUE;
            if (GetProductGroup(g_dwProduct) == 0)
                return false;
        }
        else if (NameMatches(pName, nName, "VERSION"))
            *pnAction = ACTION_ABOUT;
        // QUIET is accepted and changes nothing; other names are ignored.
    }
}

void ChooseProduct(BOOL bProductNamed)
{
    if (bProductNamed)
    {
        g_nProductGroup = GetProductGroup(g_dwProduct);
        return;
    }
    g_nProductGroup = kDefaultPanelLine;
    DWORD adwIds[255];
    int nCount = EnumerateProducts(kDefaultPanelLine, adwIds, 255);
    if (nCount > 255)
        nCount = 255;
    g_dwProduct = kDefaultPanelProduct;
    for (int i = 0; i < nCount; ++i)
    {
        int hProduct = OpenProduct(adwIds[i]);
        if (hProduct != -1)
        {
            CloseProduct(hProduct);
            g_dwProduct = adwIds[i];
            return;
        }
    }
}

void RefreshProductText()
{
    if (!GetProductName(g_dwProduct, g_szProductName, sizeof(g_szProductName)))
        g_szProductName[0] = '\0';
    if (!GetProductEdition(g_dwProduct, g_szProductEdition, sizeof(g_szProductEdition)))
        g_szProductEdition[0] = '\0';
    CopyTextCut(g_szFullProductName, sizeof(g_szFullProductName), g_szProductName);
    if (g_szProductEdition[0])
    {
        AppendText(g_szFullProductName, sizeof(g_szFullProductName), " ");
        AppendText(g_szFullProductName, sizeof(g_szFullProductName), g_szProductEdition);
    }
    if (!GetProductVersion(g_dwProduct, nullptr, nullptr, nullptr, g_szVersionText,
                           sizeof(g_szVersionText)))
        g_szVersionText[0] = '\0';
}

void BuildTitle()
{
    WORD wMajor = 0, wMinor = 0;
    GetProductVersion(g_dwProduct, &wMajor, &wMinor, nullptr, nullptr, 0);
    int nShortMinor = ShortMinor(wMinor);
    // Name at most 127 characters, two numbers at most 5 digits each.
    char szTitle[192];
    wsprintfA(szTitle, "%s %d.%d Modpanel", g_szProductName, static_cast<int>(wMajor), nShortMinor);
    CopyTextCut(g_szTitle, sizeof(g_szTitle), szTitle);
}

bool CreateMainWindow()
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = g_hInstance;
    wc.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_MODPANEL));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc))
        return false;
    g_hMainWnd =
        CreateWindowExA(0, kClassName, g_szTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, g_hInstance, nullptr);
    if (g_hMainWnd == nullptr)
        return false;
    ShowWindow(g_hMainWnd, SW_HIDE);
    UpdateWindow(g_hMainWnd);
    return true;
}

int RunModpanel(HINSTANCE hInstance, const char* pszCmdLine)
{
    g_hInstance = hInstance;
    RestrictLibrarySearch();
    UseSafeSearchMode();
    _tzset();
    InitialisePaths();

    BOOL bProductNamed = FALSE;
    int nAction = ACTION_PANEL;
    if (!ParseCommandLine(pszCmdLine, &bProductNamed, &nAction))
    {
        ShowMessage(IDS_WRONG_PRODUCT, MB_ICONWARNING);
        return 0;
    }
    ChooseProduct(bProductNamed);
    RefreshProductText();
    BuildTitle();

    // Without a main window nothing can be shown: the run ends quietly.
    if (!CreateMainWindow())
        return 0;
    LoadHtmlHelp();
    PostMessageA(g_hMainWnd, nAction == ACTION_ABOUT ? WM_RUN_ABOUT : WM_RUN_PANEL, 0, 0);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        if (PreTranslateHelpMessage(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    UnloadHtmlHelp();
    return 0;
}
