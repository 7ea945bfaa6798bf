#include "VersionCheckApp.h"

#include <ras.h>
#include <shellapi.h>
#include <time.h>

#include "CommandLine.h"
#include "ProductCatalogue.h"
#include "ProductSchedule.h"
#include "SystemLibrary.h"
#include "Text.h"
#include "UpdateAddress.h"
#include "VersionCheckDlg.h"
#include "VersionQuery.h"
#include "resource.h"

namespace
{

const int kMaxProducts = 128;
const int kTextSize = 128;

// Remote access is not a KnownDLL: loaded from the system folder when
// autodial asks for it (SystemLibrary.h).
SystemFunction<decltype(&RasEnumConnectionsA)> s_rasEnumConnections("rasapi32.dll",
                                                                    "RasEnumConnectionsA");

DWORD Now()
{
    return static_cast<DWORD>(time(nullptr));
}

// The installed product's serial number, from its record; false when this
// computer holds no record or the record no serial number.
bool ReadSerialNumber(DWORD dwProduct, char* pszSerial, int nSize)
{
    int hProduct = OpenProduct(dwProduct);
    if (hProduct == -1)
        return false;
    int nSerial = GetSerialNumber(hProduct, pszSerial, nSize);
    CloseProduct(hProduct);
    return nSerial != 0;
}

} // namespace

bool MakeHelpFilePath(const char* pszModule, char* pszHelp, int nSize)
{
    // The file name starts after the last separator; its first "." starts
    // what is replaced. Folder names keep their dots.
    int nLength = lstrlenA(pszModule);
    int nName = 0;
    for (int i = 0; i < nLength; ++i)
    {
        if (pszModule[i] == '\\' || pszModule[i] == '/')
            nName = i + 1;
    }
    int nBase = nLength;
    for (int i = nName; i < nLength; ++i)
    {
        if (pszModule[i] == '.')
        {
            nBase = i;
            break;
        }
    }
    if (nBase + 5 > nSize)
        return false;
    CopyMemory(pszHelp, pszModule, nBase);
    CopyMemory(pszHelp + nBase, ".chm", 5);
    return true;
}

BEGIN_MESSAGE_MAP(CVersionCheckApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CVersionCheckApp::CVersionCheckApp() : CWinApp("Brantlow Update") {}

CVersionCheckApp::~CVersionCheckApp() {}

BOOL CVersionCheckApp::InitInstance()
{
    return RunNotifier();
}

BOOL CVersionCheckApp::RunNotifier()
{
    RestrictLibrarySearch();
    if (!FindHelpFile())
        return FALSE;
    if (ReadUpdateSettings(m_settings) != kSettingsRun)
        return FALSE;
    if (!ApplyCommandLine(m_lpCmdLine, m_settings))
    {
        ShowMessage(IDS_INVALID_ARGUMENT, MB_ICONEXCLAMATION);
        return FALSE;
    }
    WaitForStart(m_settings.startDelay);
    if (ReadPolicyAgain(m_settings) != kSettingsRun)
        return FALSE;
    if (!IsConnectionAvailable())
        return FALSE;
    RunCheckCycle();
    return FALSE;
}

bool CVersionCheckApp::FindHelpFile()
{
    char szModule[MAX_PATH];
    DWORD dwLength = GetProgramPath(szModule, sizeof(szModule));
    if (dwLength == 0)
    {
        ShowMessage(IDS_INTERNAL_ERROR, MB_ICONEXCLAMATION);
        return false;
    }
    // The path serves only to name the help file. One that did not fit
    // would name some other file: then the run goes on without help.
    if (dwLength >= sizeof(szModule) ||
        !MakeHelpFilePath(szModule, m_settings.helpFile, sizeof(m_settings.helpFile)))
        m_settings.helpFile[0] = '\0';
    m_pszHelpFilePath = m_settings.helpFile;
    return true;
}

#ifndef _WIN64
static_assert(sizeof(RASCONNA) == 704, "one connection record is 704 bytes");
#endif

bool CVersionCheckApp::IsConnectionAvailable()
{
    if (!m_settings.autodialEnabled)
        return true;
    // Room for exactly one connection: two or more report "too small",
    // which ends the run like no connection at all.
    RASCONNA connection;
    ZeroMemory(&connection, sizeof(connection));
    connection.dwSize = sizeof(connection);
    DWORD cbConnections = sizeof(connection);
    DWORD dwCount = 0;
    auto pfnRasEnumConnections = s_rasEnumConnections.Get();
    if (pfnRasEnumConnections == nullptr ||
        pfnRasEnumConnections(&connection, &cbConnections, &dwCount) != 0)
        return false;
    return dwCount != 0;
}

void CVersionCheckApp::RunCheckCycle()
{
    if (!FindOffer())
    {
        if (m_settings.interactive)
            ShowMessage(IDS_NO_UPDATES, MB_ICONINFORMATION);
        return;
    }
    DWORD dwShown = Now();
    UpdateAnswer answer = ShowOffer();
    // The user asked for the download page and did not get it: ask again
    // after one interval rather than never again.
    if (answer == kAnswerOk && !OpenOfferedUpdate())
        answer = kAnswerCancel;
    WriteScheduleAfterOffer(m_offer.productKey, dwShown, answer, m_settings.checkInterval);
}

bool CVersionCheckApp::FindOffer()
{
    if (m_settings.product != 0)
        return CheckProduct(m_settings.product);
    DWORD adwProducts[kMaxProducts];
    int nCount = EnumerateProducts(-1, adwProducts, kMaxProducts);
    if (nCount > kMaxProducts)
        nCount = kMaxProducts;
    for (int i = 0; i < nCount; ++i)
    {
        if (CheckProduct(adwProducts[i]))
            return true;
    }
    return false;
}

bool CVersionCheckApp::CheckProduct(DWORD dwProduct)
{
    DWORD dwNow = Now();

    char szName[kTextSize], szEdition[kTextSize];
    WORD wMajor = 0, wMinor = 0;
    DWORD dwBuild = 0;
    if (!GetProductName(dwProduct, szName, sizeof(szName)) ||
        !GetProductVersion(dwProduct, &wMajor, &wMinor, &dwBuild, nullptr, 0))
        return false;
    GetProductEdition(dwProduct, szEdition, sizeof(szEdition));

    char szText[2 * kTextSize + 64];
    FormatProductKey(szName, szEdition, wMajor, wMinor, szText, sizeof(szText));
    m_offer.productKey = szText;
    FormatDisplayName(szName, szEdition, wMajor, wMinor, szText, sizeof(szText));
    m_offer.displayName = szText;

    char szSerial[kTextSize];
    ScheduleTimes times;
    if (!ReadSerialNumber(dwProduct, szSerial, sizeof(szSerial)) ||
        !ReadSchedule(m_offer.productKey, times) ||
        !IsDue(m_settings.forceCheck, dwNow, times))
        return false;
    return QueryVersion(m_settings, szSerial, wMajor, wMinor, dwBuild, m_offer);
}

bool CVersionCheckApp::OpenOfferedUpdate()
{
    // A header value keeps its trailing blanks; the address ends before
    // them. Only a page on the vendor's download hosts goes to the shell,
    // never a file, a share, a script or another site.
    CString strAddress;
    if (!strAddress.Append(m_offer.updateUrl, TrimmedLength(m_offer.updateUrl)))
        return false;
    return IsOpenableUpdateUrl(strAddress, m_settings.downloadHosts) && OpenUpdateUrl(strAddress);
}

UpdateAnswer CVersionCheckApp::ShowOffer()
{
    CVersionCheckDlg dlg(m_offer);
    m_pMainWnd = &dlg;
    INT_PTR nEndCode = dlg.DoModal();
    m_pMainWnd = nullptr;
    return AnswerFromEndCode(nEndCode);
}

void CVersionCheckApp::ShowMessage(UINT nID, UINT nIcon)
{
    char szText[256];
    if (LoadStringA(GetResourceHandle(), nID, szText, sizeof(szText)) <= 0)
        szText[0] = '\0';
    MessageBoxA(nullptr, szText, m_settings.appName, MB_OK | nIcon);
}

void CVersionCheckApp::WaitForStart(DWORD dwMilliseconds)
{
    Sleep(dwMilliseconds);
}

DWORD CVersionCheckApp::GetProgramPath(char* pszPath, DWORD nSize)
{
    return GetModuleFileNameA(nullptr, pszPath, nSize);
}

bool CVersionCheckApp::OpenUpdateUrl(const char* pszUrl)
{
    // Above 32: the shell started something for the address.
    return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", pszUrl, nullptr, nullptr,
                                                   SW_SHOWNORMAL)) > 32;
}
