#include "Font.h"

CFont::~CFont()
{
    DeleteObject();
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* pLogFont)
{
    DeleteObject();
    m_hFont = ::CreateFontIndirectA(pLogFont);
    return m_hFont != nullptr;
}

void CFont::DeleteObject()
{
    if (m_hFont != nullptr)
    {
        ::DeleteObject(m_hFont);
        m_hFont = nullptr;
    }
}
