#include "Font.h"

CFont::~CFont()
{
    DeleteObject();
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* pLogFont)
{
    DeleteObject();
    m_hFont = ::CreateFontIndirectA(pLogFont);
    return m_hFont != 0;
}

void CFont::DeleteObject()
{
    if (m_hFont != 0)
    {
        ::DeleteObject(m_hFont);
        m_hFont = 0;
    }
}
