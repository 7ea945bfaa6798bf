#include "Dialog.h"

#include "WinApp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_MESSAGE(WM_HELP, OnHelpInfo)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog()
{
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd != nullptr)
        return -1;
    HWND hParent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    return ::DialogBoxParamA(GetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hParent,
                             DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    // A failed exchange keeps the dialog open, as it would for a bad entry.
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCmdMsg(UINT nID, UINT nCode)
{
    if (CWnd::OnCmdMsg(nID, nCode))
        return TRUE;
    CWinApp* pApp = GetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, nCode);
}

LRESULT CDialog::OnHelpInfo(WPARAM, LPARAM)
{
    ::SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(ID_HELP, 0), 0);
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    // The object arrives with WM_INITDIALOG and binds itself to the window.
    // Every later message reaches it through its window procedure first;
    // what its table leaves comes on here and is left to the system.
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (!pDlg->SubclassWindow(hWnd))
    {
        ::EndDialog(hWnd, -1);
        return FALSE;
    }
    RECT rcBefore, rcAfter;
    ::GetWindowRect(hWnd, &rcBefore);
    BOOL bDefaultFocus = pDlg->OnInitDialog();
    // Not yet shown: a dialog that initialisation left where its template
    // put it is centred before it first appears.
    if (pDlg->m_hWnd == hWnd && ::GetWindowRect(hWnd, &rcAfter) && ::EqualRect(&rcBefore, &rcAfter))
        pDlg->CenterWindow();
    return bDefaultFocus;
}
