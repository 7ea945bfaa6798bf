// CVersionCheckApp: the update notifier's application object. Its start-up
// reads the settings and the command line, waits if told to, makes sure a
// dial-up connection is up when the system dials on demand, runs one check
// cycle and ends: no message loop follows.
#pragma once

#include <windows.h>

#include "UpdateOffer.h"
#include "UpdateSettings.h"
#include "WinApp.h"

class CVersionCheckApp : public CWinApp
{
public:
    CVersionCheckApp();
    virtual ~CVersionCheckApp();

    // The per-instance start-up: RunNotifier.
    virtual BOOL InitInstance();
    // The whole run; always FALSE, so that the program ends.
    BOOL RunNotifier();

    // The steps of the run, each usable on its own.
    // Settings key and autodial setting; FALSE: the run ends silently.
    BOOL ReadSettings();
    // The command line; FALSE for a bad word (the caller shows IDS_INVALID_ARGUMENT).
    BOOL ParseCommandLine(const char* pszLine);
    // FALSE when autodial is on and no dial-up connection is up.
    BOOL IsConnectionAvailable();
    // One pass over the products: the first offer is shown and scheduled.
    void RunCheckCycle();
    // TRUE when the server offers an update for the product; the offer is
    // then in m_offer.
    BOOL CheckProduct(DWORD dwProduct);

    UpdateSettings m_settings;
    UpdateOffer m_offer;

protected:
    // What the user sees and what leaves the program, apart from the
    // registry: the dialog, the message boxes, the shell; and where the
    // program file is.
    virtual INT_PTR ShowOffer();
    virtual void ShowMessage(UINT nID, UINT nIcon);
    // TRUE when the shell started something to open the address.
    virtual BOOL OpenUpdateUrl(const char* pszUrl);
    // GetModuleFileNameA of the program: the length, nSize when cut, 0 on
    // failure.
    virtual DWORD GetProgramPath(char* pszPath, DWORD nSize);

    DECLARE_MESSAGE_MAP()

private:
    // Hands the offered address, without trailing blanks, to the shell when
    // it is a web address. TRUE when the shell opened it.
    BOOL OpenOfferedUpdate();
    // Writes the outcome of an offer: LastCheck and NextCheck.
    void ScheduleAfterOffer(DWORD dwTime, INT_PTR nResult);
};

// The help file: the program's own path cut before the first "." of its
// file name, with ".chm" after it ("C:\Brantlow Inc.\up.date.exe" gives
// "C:\Brantlow Inc.\up.chm"). FALSE, and nothing written, when the result
// does not fit in nSize bytes.
BOOL MakeHelpFilePath(const char* pszModule, char* pszHelp, int nSize);
