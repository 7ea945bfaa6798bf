#include "StaticEx.h"

#include <string.h>

#include "Dpi.h"

BEGIN_MESSAGE_MAP(CStaticEx, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

CStaticEx::CStaticEx() : m_hBrush(nullptr), m_crText(0)
{
    COLORREF crFace = ::GetSysColor(COLOR_BTNFACE);
    m_crText = ::GetSysColor(COLOR_WINDOWTEXT);
    m_hBrush = ::CreateSolidBrush(crFace);
    memset(&m_lf, 0, sizeof(m_lf));
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(m_lf), &m_lf);
    m_font.CreateFontIndirect(&m_lf);
}

CStaticEx::~CStaticEx()
{
    // m_font deletes its own font.
    if (m_hBrush != nullptr)
        ::DeleteObject(m_hBrush);
}

void CStaticEx::SetFontSize(int nSize)
{
    // Negative: the character height, not the cell height.
    m_lf.lfHeight = -nSize;
    RebuildFont();
}

void CStaticEx::SetFontBold(BOOL bBold)
{
    m_lf.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
}

void CStaticEx::SetText(const CString& strText)
{
    SetWindowText(strText);
}

void CStaticEx::RebuildFont()
{
    m_font.DeleteObject();
    m_font.CreateFontIndirect(&m_lf);
    // Unbound there is nothing to repaint (and a null window would mean
    // the whole screen).
    if (m_hWnd == nullptr)
        return;
    // On a move to a screen of another scale the dialog manager would hand
    // every control the dialog's rescaled font, ours included; the owner
    // rebuilds ours for the new scale instead.
    KeepOwnFontOnDpiChange(m_hWnd);
    // Windows' static selects its own font and then asks for colours, so
    // the font selected there wins; Wine's static asks first and selects
    // its own font afterwards. Making ours the static's own font as well
    // paints the label in it either way. Without a font of ours the static
    // goes back to its parent's font, as it would have painted in.
    HFONT hFont = m_font.GetSafeHandle();
    if (hFont == nullptr)
        hFont = reinterpret_cast<HFONT>(::SendMessageA(::GetParent(m_hWnd), WM_GETFONT, 0, 0));
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

HBRUSH CStaticEx::CtlColor(HDC hDC, UINT nCtlColor)
{
    if (nCtlColor == CTLCOLOR_STATIC)
    {
        // A null font would fail to select and leave the dialog's font.
        ::SelectObject(hDC, m_font);
        ::SetTextColor(hDC, m_crText);
        ::SetBkMode(hDC, TRANSPARENT);
    }
    return m_hBrush;
}
