// CWinApp: the program's one application object.
//
// The program defines a single object of a class derived from CWinApp at
// namespace scope. The framework's WinMain (WinApp.cpp) records the
// instance and the command line in it and calls InitInstance, the
// per-instance start-up. A start-up that returns FALSE has done all the
// program's work: no message loop follows and the program ends with 0.
// One that returns TRUE is followed by Run, the message loop, whose
// WM_QUIT code becomes the exit code.
#pragma once

#include <windows.h>

#include "CmdTarget.h"

class CWnd;

// The standard Help command.
#define ID_HELP 0xE146

class CWinApp : public CCmdTarget
{
public:
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    virtual int Run();

    // The framework's help handler, for a table entry of ID_HELP: opens
    // m_pszHelpFilePath (a compiled HTML help file) at its default page with
    // the system's HTML Help (hhctrl.ocx from the system folder only), owned
    // by the main window. Does nothing when there is no help file, the file
    // does not exist or HTML Help cannot be loaded.
    void OnHelp();

    const char* m_pszAppName;
    HINSTANCE m_hInstance;
    LPSTR m_lpCmdLine;
    int m_nCmdShow;
    const char* m_pszHelpFilePath;  // not owned
    // The window that stands for the program while it shows one (a modal
    // dialog that its start-up runs); not owned.
    CWnd* m_pMainWnd;
};

// The application object, or null before it is constructed.
CWinApp* GetApp();
// Where dialog templates, icons and strings are loaded from: the
// application's instance, or the program file's when there is none yet.
HINSTANCE GetResourceHandle();

// What WinMain does: start-up, then the message loop when start-up asks
// for one. Answers the program's exit code; -1 without an application.
int RunApplication(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow);
