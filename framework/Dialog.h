// CDialog: a modal dialog from a dialog template in the program's
// resources, with data exchange between its members and its controls.
//
// DoModal runs the system's modal dialog loop. When the dialog window and
// its controls exist (WM_INITDIALOG), the dialog object binds itself to the
// window like any CWnd and calls OnInitDialog; from then on every message
// goes through the dialog's message table, and what the table leaves goes
// to the system's dialog handling. OK reads the controls back into the
// members and ends the dialog with IDOK; Cancel (and Esc) end it with
// IDCANCEL. A window that cannot be created ends the run with -1.
//
// A command that the dialog's table does not take goes on to the
// application object (so the application's ID_HELP entry answers Help in
// any dialog), and F1 (WM_HELP) in the dialog sends it the ID_HELP command.
#pragma once

#include <windows.h>

#include "DataExchange.h"
#include "Wnd.h"

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual ~CDialog();

    // Shows the dialog from its template in the program's resources and
    // runs it until it ends: the end code, or -1 when the window could not
    // be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR nResult);

    // Runs when the dialog window and its controls exist, before the dialog
    // is shown: fills the controls (UpdateData(FALSE)). Answers TRUE to let
    // the system put the focus on the first tab stop.
    virtual BOOL OnInitDialog();

    // The dialog's own table first, then the application's.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

protected:
    virtual void OnOK();
    virtual void OnCancel();
    // WM_HELP: sends the dialog the ID_HELP command.
    LRESULT OnHelpInfo(WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
