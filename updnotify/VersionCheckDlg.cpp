#include "VersionCheckDlg.h"

#include "Dpi.h"
#include "WinApp.h"

namespace
{

const char kUpdateWording[] = "An updated version of this product is available for download.";
const char kUpgradeWording[] = "A new upgrade for this product is available for download.";
const char kInitialVersion[] = "Version 1.00.0000 was released on 01 Jan 2001";

// Pixels at 96 DPI; both scale with the dialog's DPI.
const int kProductNameSize = 14;    // character height of the heading
const int kIconSize = 32;           // the dialog's icon, big and small alike

} // namespace

// The buttons end the dialog with their identifiers, which are the answers.
static_assert(kAnswerOk == IDOK && kAnswerCancel == IDCANCEL && kAnswerCheckLater == IDC_CHECK_LATER,
              "each button's identifier is its answer");

int IconCentreOffset(int nClient, int nIcon)
{
    // C++ division truncates towards zero: 2 pixels too narrow gives 0, not -1.
    return (nClient - nIcon + 1) / 2;
}

BEGIN_MESSAGE_MAP(CVersionCheckDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_CHECK_LATER, OnCheckLater)
    ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
END_MESSAGE_MAP()

CVersionCheckDlg::CVersionCheckDlg(const UpdateOffer& offer, CWnd* pParent)
    : CDialog(IDD, pParent), m_strStatus(kUpdateWording), m_strVersion(kInitialVersion),
      m_hIcon(nullptr), m_offer(offer), m_nDpi(0)
{
    // The screen's scale until the window exists and tells its own.
    LoadIconForDpi(WindowDpi(nullptr));
}

CVersionCheckDlg::~CVersionCheckDlg()
{
    // The window, which showed it, is gone by now.
    if (m_hIcon != nullptr)
        ::DestroyIcon(m_hIcon);
}

void CVersionCheckDlg::LoadIconForDpi(UINT nDpi)
{
    m_nDpi = nDpi;
    int nSize = ScaleToDpi(kIconSize, nDpi);
    // Not shared: a shared icon keeps the size of its first loading.
    HICON hIcon = static_cast<HICON>(::LoadImageA(
        GetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, nSize, nSize, 0));
    if (m_hWnd != nullptr)
    {
        SetIcon(hIcon, TRUE);
        SetIcon(hIcon, FALSE);
    }
    if (m_hIcon != nullptr)
        ::DestroyIcon(m_hIcon);
    m_hIcon = hIcon;
}

void CVersionCheckDlg::ApplyDpi(UINT nDpi)
{
    LoadIconForDpi(nDpi);
    m_ctlProductName.SetFontSize(ScaleToDpi(kProductNameSize, nDpi));
}

LRESULT CVersionCheckDlg::OnDpiChanged(WPARAM wParam, LPARAM)
{
    // The dialog manager moves and re-lays out the dialog and gives the
    // other controls their new font; the icon and the label are ours.
    LRESULT lResult = Default();
    ApplyDpi(HIWORD(wParam));
    return lResult;
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

    ApplyDpi(WindowDpi(m_hWnd));    // the icon for both sizes, the label's size
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
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    int cxIcon = SystemMetricForDpi(SM_CXICON, m_nDpi);
    int cyIcon = SystemMetricForDpi(SM_CYICON, m_nDpi);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    ::DrawIconEx(hDC, IconCentreOffset(rc.right - rc.left, cxIcon),
                 IconCentreOffset(rc.bottom - rc.top, cyIcon), m_hIcon, cxIcon, cyIcon,
                 0, nullptr, DI_NORMAL);
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
