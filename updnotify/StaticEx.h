// CStaticEx: a static text control that paints its text in a font and
// colours of its own.
//
// It binds to an existing static control; the parent hands the static's
// colour request back to it (reflection), and it answers with its own
// brush and, for a static, selects its font and text colour. A change of
// size or weight also makes the new font the static's own, since not every
// static selects its own font before it asks for colours. The colours are
// read once, at construction; later changes of the system colours do not
// reach a label that exists.
#pragma once

#include <windows.h>

#include "Font.h"
#include "CString.h"
#include "Wnd.h"

class CStaticEx : public CStatic
{
public:
    CStaticEx();
    virtual ~CStaticEx();

    // Each of these rebuilds the font and repaints the bound control at once.
    // A character height of nSize logical units (pixels on the screen):
    // the caller scales it to the window's DPI.
    void SetFontSize(int nSize);
    void SetFontBold(BOOL bBold);
    void SetText(const CString& strText);   // the window text, nothing else

    const LOGFONTA& GetLogFont() const { return m_lf; }
    HFONT GetFont() const { return m_font; }
    HBRUSH GetBrush() const { return m_hBrush; }
    COLORREF GetTextColor() const { return m_crText; }

protected:
    HBRUSH CtlColor(HDC hDC, UINT nCtlColor);

    DECLARE_MESSAGE_MAP()

private:
    void RebuildFont();

    HBRUSH m_hBrush;        // background, COLOR_BTNFACE; owned
    LOGFONTA m_lf;          // the default GUI font with our height and weight
    COLORREF m_crText;      // COLOR_WINDOWTEXT
    CFont m_font;           // made from m_lf
};
