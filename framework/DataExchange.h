// Data exchange between a window's controls and its object's members:
// CWnd::UpdateData runs the window's DoDataExchange with one of these
// passes, in which each DDX_ call binds a control or moves one value.
#pragma once

#include <windows.h>

#include "CString.h"
#include "Wnd.h"

// One data exchange pass over a window's controls.
class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_bFailed(FALSE)
    {
    }

    BOOL m_bSaveAndValidate;    // TRUE: controls to members
    CWnd* m_pDlgWnd;
    BOOL m_bFailed;             // a step could not be done; the others still are
};

// Binds control nIDC of the dialog to rControl by subclassing the existing
// control window, once: a control that is already bound is left alone.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Moves the text of control nIDC into value, or value into the control.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
