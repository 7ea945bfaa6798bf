// CFont: owns one GDI font.
#pragma once

#include <windows.h>

#include "CmdTarget.h"

class CFont : public CObject
{
public:
    CFont() : m_hFont(nullptr) {}
    virtual ~CFont();

    // Makes the font from a description; a font already held is deleted
    // first, so the object never holds two. False (no font) on failure.
    BOOL CreateFontIndirect(const LOGFONTA* pLogFont);
    // Deletes the font held, if any.
    void DeleteObject();

    HFONT GetSafeHandle() const { return m_hFont; }
    operator HFONT() const { return m_hFont; }

private:
    HFONT m_hFont;
};
