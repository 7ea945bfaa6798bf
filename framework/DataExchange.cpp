#include "DataExchange.h"

#include <stdlib.h>

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != 0)
        return;
    if (!rControl.SubclassWindow(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC)))
        pDX->m_bFailed = TRUE;
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hControl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (hControl == 0)
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
    char* pszText = (char*)malloc((size_t)nLength + 1);
    if (pszText == 0)
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
