#include "Wnd.h"

#include "DataExchange.h"

namespace
{

// The window property that holds a bound window's object.
const char kObjectProperty[] = "Brantlow.CWnd";

} // namespace

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr)
{
    m_current.message = 0;
    m_current.wParam = 0;
    m_current.lParam = 0;
}

CWnd::~CWnd()
{
    UnsubclassWindow();
}

void CWnd::DoDataExchange(CDataExchange*)
{
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    return static_cast<CWnd*>(::GetPropA(hWnd, kObjectProperty));
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (m_hWnd != nullptr || hWnd == nullptr || FromHandlePermanent(hWnd) != nullptr)
        return FALSE;
    if (!::SetPropA(hWnd, kObjectProperty, reinterpret_cast<HANDLE>(this)))
        return FALSE;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StandardWndProc)));
    if (m_pfnSuper == nullptr)
    {
        ::RemovePropA(hWnd, kObjectProperty);
        return FALSE;
    }
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr)
        return nullptr;
    // Someone may have subclassed the window after us; then their chain
    // still calls ours, and the procedure is left as it is.
    if (::GetWindowLongPtrA(hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(StandardWndProc))
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::RemovePropA(hWnd, kObjectProperty);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    return hWnd;
}

LRESULT CALLBACK CWnd::StandardWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (pWnd == nullptr)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    return pWnd->WindowProc(message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Handlers may send messages to their own window: keep the outer one.
    CurrentMessage saved = m_current;
    m_current.message = message;
    m_current.wParam = wParam;
    m_current.lParam = lParam;

    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);

    m_current = saved;
    // The last message a window gets: its own procedure has seen it, and
    // the object lets go of the window.
    if (message == WM_NCDESTROY)
        UnsubclassWindow();
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND)
    {
        if (!OnCmdMsg(LOWORD(wParam), HIWORD(wParam)))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
    {
        CWnd* pChild = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
        if (pChild != nullptr && pChild != this
            && pChild->OnChildNotify(message, wParam, lParam, pResult))
            return TRUE;
    }
    const MessageEntry* pEntry = FindMessageEntry(GetMessageMap(), message, 0, 0);
    if (pEntry == nullptr)
        return FALSE;
    *pResult = pEntry->pfnCall(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* pResult)
{
    if (message < WM_CTLCOLORMSGBOX || message > WM_CTLCOLORSTATIC)
        return FALSE;
    const MessageEntry* pEntry = FindMessageEntry(GetMessageMap(), WM_REFLECT_CTLCOLOR, 0, 0);
    if (pEntry == nullptr)
        return FALSE;
    // The kind of control: CTLCOLOR_MSGBOX (0) to CTLCOLOR_STATIC (6).
    LRESULT hBrush =
        pEntry->pfnCall(this, wParam, static_cast<LPARAM>(message - WM_CTLCOLORMSGBOX));
    if (hBrush == 0)
        return FALSE;
    *pResult = hBrush;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

void CWnd::CenterWindow()
{
    RECT rcWindow, rcArea;
    if (!::GetWindowRect(m_hWnd, &rcWindow))
        return;
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner != nullptr && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &rcArea);
    else if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0))
        return;
    int cx = rcWindow.right - rcWindow.left;
    int cy = rcWindow.bottom - rcWindow.top;
    int x = rcArea.left + (rcArea.right - rcArea.left - cx) / 2;
    int y = rcArea.top + (rcArea.bottom - rcArea.top - cy) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    if (m_hWnd == nullptr)
        return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}
