#include "WinApp.h"

#include "HtmlHelp.h"
#include "SystemLibrary.h"
#include "Wnd.h"

namespace
{

CWinApp* g_pApp = nullptr;

} // namespace

CWinApp::CWinApp(const char* pszAppName)
    : m_pszAppName(pszAppName), m_hInstance(nullptr), m_lpCmdLine(nullptr),
      m_nCmdShow(SW_SHOWNORMAL), m_pszHelpFilePath(nullptr), m_pMainWnd(nullptr)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return FALSE;
}

int CWinApp::Run()
{
    MSG msg;
    BOOL bResult;
    while ((bResult = ::GetMessageA(&msg, nullptr, 0, 0)) != 0)
    {
        if (bResult == -1)
            return -1;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void CWinApp::OnHelp()
{
    if (m_pszHelpFilePath == nullptr || m_pszHelpFilePath[0] == '\0')
        return;
    DWORD dwAttributes = ::GetFileAttributesA(m_pszHelpFilePath);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    // Loaded when first asked for and kept: the help window lives in it.
    HtmlHelpFn pfnHtmlHelp = SystemHtmlHelp();
    if (pfnHtmlHelp == nullptr)
        return;
    pfnHtmlHelp(m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr, m_pszHelpFilePath,
                HH_DISPLAY_TOPIC, 0);
}

CWinApp* GetApp()
{
    return g_pApp;
}

HINSTANCE GetResourceHandle()
{
    if (g_pApp != nullptr && g_pApp->m_hInstance != nullptr)
        return g_pApp->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

int RunApplication(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = GetApp();
    if (pApp == nullptr)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->InitInstance())
        return 0;
    return pApp->Run();
}

// The program's entry point. It sits beside CWinApp on purpose: the C
// run-time's start-up asks for WinMain only after the libraries have been
// searched, so a WinMain alone in its own object would never be linked in;
// here it comes with the application class that every program uses.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    return RunApplication(hInstance, lpCmdLine, nCmdShow);
}
