#include "VersionCheckDlg.h"

#include "WinApp.h"

namespace
{

const char kUpdateWording[] = "An updated version of this product is available for download.";
const char kUpgradeWording[] = "A new upgrade for this product is available for download.";
const char kInitialVersion[] = "Version 1.00.0000 was released on 01 Jan 2001";

const int kProductNameSize = 14;    // pixels of character height

} // namespace

int IconCentreOffset(int nClient, int nIcon)
{
    // C++ division truncates towards zero: 2 pixels too narrow gives 0, not -1.
    return (nClient - nIcon + 1) / 2;
}

BEGIN_MESSAGE_MAP(CVersionCheckDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_CHECK_LATER, OnCheckLater)
END_MESSAGE_MAP()

CVersionCheckDlg::CVersionCheckDlg(const UpdateOffer& offer, CWnd* pParent)
    : CDialog(IDD, pParent), m_strStatus(kUpdateWording), m_strVersion(kInitialVersion),
      m_hIcon(0), m_offer(offer)
{
    m_hIcon = ::LoadIconA(GetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CVersionCheckDlg::~CVersionCheckDlg()
{
}

void CVersionCheckDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnOK);
    DDX_Control(pDX, IDC_CHECK_LATER, m_btnCheckLater);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_PRODUCT_NAME, m_ctlProductName);
    DDX_Text(pDX, IDC_STATUS, m_strStatus);
    DDX_Text(pDX, IDC_VERSION, m_strVersion);
}

BOOL CVersionCheckDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_ctlProductName.SetFontSize(kProductNameSize);
    m_ctlProductName.SetFontBold(TRUE);
    m_ctlProductName.SetText(m_offer.displayName);

    m_strStatus = (m_offer.status & 1) ? kUpgradeWording : kUpdateWording;

    // Put together piece by piece rather than through a formatting call:
    // the texts go in unchanged, whatever their length or content.
    m_strVersion = "Version ";
    m_strVersion += m_offer.versionText;
    m_strVersion += " was released on ";
    m_strVersion += m_offer.releaseDateText;

    UpdateData(FALSE);
    return TRUE;
}

void CVersionCheckDlg::OnPaint()
{
    if (!::IsIconic(m_hWnd))
    {
        Default();
        return;
    }
    PAINTSTRUCT ps;
    HDC hDC = ::BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, (WPARAM)hDC, 0);
    int cxIcon = ::GetSystemMetrics(SM_CXICON);
    int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    ::DrawIcon(hDC, IconCentreOffset(rc.right - rc.left, cxIcon),
               IconCentreOffset(rc.bottom - rc.top, cyIcon), m_hIcon);
    ::EndPaint(m_hWnd, &ps);
}

HCURSOR CVersionCheckDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

void CVersionCheckDlg::OnCheckLater()
{
    EndDialog(kAnswerCheckLater);
}
