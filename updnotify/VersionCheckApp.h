// CVersionCheckApp: the update notifier's application object. Its start-up
// reads the settings and the command line, waits if told to, makes sure a
// dial-up connection is up when the system dials on demand, runs one check
// cycle and ends: no message loop follows.
#pragma once

#include <windows.h>

#include "UpdateAnswer.h"
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
    // The whole run, step by step; always FALSE, so that the program ends.
    BOOL RunNotifier();

    // The steps of the run that are the application's own, each usable on
    // its own.
    // The help file beside the program; false (message 1001 shown) when the
    // program's path cannot be had.
    bool FindHelpFile();
    // False when autodial is on and no dial-up connection is up.
    bool IsConnectionAvailable();
    // One pass over the products: the first offer is shown and scheduled.
    void RunCheckCycle();
    // True when the server offers an update for the product; the offer is
    // then in m_offer.
    bool CheckProduct(DWORD dwProduct);

    UpdateSettings m_settings;
    UpdateOffer m_offer;

protected:
    // What the user sees and what leaves the program, apart from the
    // registry: the dialog, the message boxes, the shell; where the program
    // file is; and the wait at the start.
    virtual UpdateAnswer ShowOffer();
    virtual void ShowMessage(UINT nID, UINT nIcon);
    // True when the shell started something to open the address.
    virtual bool OpenUpdateUrl(const char* pszUrl);
    // GetModuleFileNameA of the program: the length, nSize when cut, 0 on
    // failure.
    virtual DWORD GetProgramPath(char* pszPath, DWORD nSize);
    // The start delay, on the program's one thread (also when it is 0).
    virtual void WaitForStart(DWORD dwMilliseconds);

    DECLARE_MESSAGE_MAP()

private:
    // The products of the run (the one named, else all in catalogue order)
    // until the first offer; true when there is one.
    bool FindOffer();
    // Hands the offered address, without trailing blanks, to the shell when
    // it is a web address. True when the shell opened it.
    bool OpenOfferedUpdate();
};

// The help file: the program's own path cut before the first "." of its
// file name, with ".chm" after it ("C:\Brantlow Inc.\up.date.exe" gives
// "C:\Brantlow Inc.\up.chm"). False, and nothing written, when the result
// does not fit in nSize bytes.
bool MakeHelpFilePath(const char* pszModule, char* pszHelp, int nSize);
