// show_dialog: shows the update-available dialog with a realistic offer,
// for pictures of it (tools/screenshots/screenshot-dialog.sh) and for looking at it by
// hand. Built on the framework's own WinMain, like the notifier: the
// application's start-up runs the dialog and returns FALSE.
//
//   show_dialog [CLOSE-AFTER-MS [READY-FILE]]
//
// With CLOSE-AFTER-MS the dialog ends by itself (code 2) after that time;
// READY-FILE is created once the dialog has been painted.
#include <windows.h>

#include <stdlib.h>

#include "ModalDriver.h"
#include "VersionCheckDlg.h"
#include "WinApp.h"

namespace
{

DWORD g_dwCloseAfter = 0;
char g_szReadyFile[MAX_PATH] = "";
DWORD g_dwStarted = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND hDlg = FindThreadDialog();
    if (hDlg == 0)
        return;
    if (g_szReadyFile[0] != '\0')
    {
        UpdateWindow(hDlg);
        HANDLE hFile = CreateFileA(g_szReadyFile, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
        if (hFile != INVALID_HANDLE_VALUE)
            CloseHandle(hFile);
        g_szReadyFile[0] = '\0';
    }
    if (g_dwCloseAfter != 0 && GetTickCount() - g_dwStarted >= g_dwCloseAfter)
        EndDialog(hDlg, IDCANCEL);
}

class CShowDialogApp : public CWinApp
{
public:
    CShowDialogApp() : CWinApp("show_dialog") {}

    virtual BOOL InitInstance()
    {
        const char* p = m_lpCmdLine != 0 ? m_lpCmdLine : "";
        char* pEnd = 0;
        g_dwCloseAfter = strtoul(p, &pEnd, 10);
        while (*pEnd == ' ')
            ++pEnd;
        lstrcpynA(g_szReadyFile, pEnd, sizeof(g_szReadyFile));

        UpdateOffer offer;
        offer.displayName = "Brantlow Mail Toolkit 6.5 Professional";
        offer.status = 1;
        offer.versionText = "6.50.1058";
        offer.releaseDateText = "2009 Mar 5";
        offer.updateUrl = "http://downloads.brantlow.example/mailtk65.exe";

        g_dwStarted = GetTickCount();
        UINT_PTR nTimer = SetTimer(0, 0, 250, Tick);
        CVersionCheckDlg dlg(offer);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = 0;
        KillTimer(0, nTimer);
        return FALSE;
    }
};

CShowDialogApp theApp;

} // namespace
