#include "DataExchange.h"

#include <stdlib.h>

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    if (!rControl.SubclassWindow(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC)))
        pDX->m_bFailed = TRUE;
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hControl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (hControl == nullptr)
    {
        pDX->m_bFailed = TRUE;
        return;
    }
    if (!pDX->m_bSaveAndValidate)
    {
        ::SetWindowTextA(hControl, value);
        return;
    }
    // The length may be over-counted, never under-counted: enough room.
    int nLength = ::GetWindowTextLengthA(hControl);
    if (nLength < 0)
        nLength = 0;
    char* pszText = static_cast<char*>(malloc(static_cast<size_t>(nLength) + 1));
    if (pszText == nullptr)
    {
        pDX->m_bFailed = TRUE;
        return;
    }
    pszText[0] = '\0';
    ::GetWindowTextA(hControl, pszText, nLength + 1);
    if (!value.SetString(pszText))
        pDX->m_bFailed = TRUE;
    free(pszText);
}
