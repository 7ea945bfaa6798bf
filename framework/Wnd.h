// CWnd: a C++ object bound to one window, and the control classes.
//
// A CWnd never creates a window here: it binds to a window that already
// exists (a dialog when it is created, a dialog's control through data
// exchange) by subclassing it. From then on the window's messages go
// through the object's message table; what the table does not take goes
// on to the window's own procedure. When the window is destroyed the
// object hands the window procedure back and forgets the window.
//
// The window's object is kept in a window property, so the window
// procedure can find it. The programs have one thread; nothing is locked.
#pragma once

#include <windows.h>

#include "CmdTarget.h"
#include "CString.h"

class CDataExchange;

class CWnd : public CCmdTarget
{
public:
    CWnd();
    // A window still bound gets its own procedure back; the window itself
    // belongs to whoever created it.
    virtual ~CWnd();

    // Data exchange between the members of a window (a dialog) and its
    // controls; UpdateData(FALSE) fills the controls, UpdateData(TRUE)
    // reads them back. False when an exchange step failed.
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Binds this object to an existing window. False when the object is
    // already bound, the window is null or the binding cannot be recorded.
    BOOL SubclassWindow(HWND hWnd);
    // Restores the window's own procedure and forgets the window.
    HWND UnsubclassWindow();

    // The object bound to a window by SubclassWindow, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    void SetWindowText(const char* pszText) { ::SetWindowTextA(m_hWnd, pszText); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                                   reinterpret_cast<LPARAM>(hIcon)));
    }
    // Centres the window on its owner when it has a visible one, else on the
    // work area of the screen.
    void CenterWindow();

    HWND m_hWnd;

protected:
    // Routes one message: the table first, then the window's own procedure.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Looks the message up in the table and calls the handler; false when
    // no entry takes it. Colour requests of a bound child go to the child
    // first.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A colour request handed back by the parent. True with the brush in
    // *pResult when this object's table answers it with a brush.
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The window's own handling of a message, and of the one being routed.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default();

    static LRESULT CALLBACK StandardWndProc(HWND hWnd, UINT message, WPARAM wParam,
                                            LPARAM lParam);

private:
    struct CurrentMessage
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    WNDPROC m_pfnSuper;         // the window's procedure before binding
    CurrentMessage m_current;   // the message being routed, for Default
};

// A static control. Binding changes neither its style nor its text.
class CStatic : public CWnd
{
};

// A push button, bound so that a dialog can reach it as an object.
class CButton : public CWnd
{
};
