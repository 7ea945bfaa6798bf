#include "VersionCheckApp.h"

#include <ras.h>
#include <shellapi.h>
#include <time.h>

#include "CommandLine.h"
#include "ProductCatalogue.h"
#include "ProductSchedule.h"
#include "ProxySettings.h"
#include "Registry.h"
#include "SystemLibrary.h"
#include "UpdateAddress.h"
#include "UpdateAnswer.h"
#include "VersionCheckDlg.h"
#include "VersionQuery.h"
#include "resource.h"

namespace
{

const char kSettingsKey[] = "Software\\Brantlow\\Updates";
const char kInternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kInternetPolicyKey[] =
    "Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
// Policies live in the machine's one shared key: a 32-bit program asks for
// the 64-bit view, where an administrator's tools write them.
const REGSAM kPolicyAccess = KEY_READ | KEY_WOW64_64KEY;
const int kMaxProducts = 128;
const int kTextSize = 128;

// Remote access is not a KnownDLL: loaded from the system folder when
// autodial asks for it (SystemLibrary.h).
SystemFunction<decltype(&RasEnumConnectionsA)> s_rasEnumConnections("rasapi32.dll",
                                                                    "RasEnumConnectionsA");

DWORD Now()
{
    return (DWORD)time(0);
}

// A machine policy value: its number when it is a REG_DWORD that fits in 4
// bytes; dwAbsent when the key or the value is missing or of another type.
DWORD ReadPolicy(const char* pszKey, const char* pszName, DWORD dwAbsent)
{
    CRegistry key;
    DWORD dwType = 0;
    DWORD dwData = 0;
    DWORD cbData = sizeof(dwData);
    if (!key.OpenKey(HKEY_LOCAL_MACHINE, pszKey, kPolicyAccess) ||
        !key.QueryValue(pszName, &dwType, (BYTE*)&dwData, &cbData) || dwType != REG_DWORD)
        return dwAbsent;
    return dwData;
}

} // namespace

BOOL MakeHelpFilePath(const char* pszModule, char* pszHelp, int nSize)
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
        return FALSE;
    CopyMemory(pszHelp, pszModule, nBase);
    CopyMemory(pszHelp + nBase, ".chm", 5);
    return TRUE;
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

    char szModule[MAX_PATH];
    DWORD dwLength = GetProgramPath(szModule, sizeof(szModule));
    if (dwLength == 0)
    {
        ShowMessage(IDS_INTERNAL_ERROR, MB_ICONEXCLAMATION);
        return FALSE;
    }
    // The path serves only to name the help file. One that did not fit
    // would name some other file: then the run goes on without help.
    if (dwLength >= sizeof(szModule) ||
        !MakeHelpFilePath(szModule, m_settings.helpFile, sizeof(m_settings.helpFile)))
        m_settings.helpFile[0] = '\0';
    m_pszHelpFilePath = m_settings.helpFile;

    if (!ReadSettings())
        return FALSE;
    if (m_lpCmdLine && *m_lpCmdLine && !ParseCommandLine(m_lpCmdLine))
    {
        ShowMessage(IDS_INVALID_ARGUMENT, MB_ICONEXCLAMATION);
        return FALSE;
    }
    Sleep(m_settings.startDelay);
    if (!IsConnectionAvailable())
        return FALSE;
    RunCheckCycle();
    return FALSE;
}

BOOL CVersionCheckApp::ReadSettings()
{
    // The administrator's policy first: it can turn the checks off or fix
    // the interval, never turn checks on that the user turned off.
    if (ReadPolicy(kPolicyKey, kPolicyEnabled, 1) == 0)
        return FALSE;
    DWORD dwPolicyInterval = ReadPolicy(kPolicyKey, kPolicyInterval, 0);
    if (dwPolicyInterval - kMinPolicyInterval <= kMaxPolicyInterval - kMinPolicyInterval)
        m_settings.checkInterval = dwPolicyInterval * kSecondsPerDay;
    else
        dwPolicyInterval = 0;

    CRegistry key;
    if (key.CreateKey(HKEY_CURRENT_USER, kSettingsKey))
    {
        DWORD dwValue = 0;
        if (ReadSetting(key, "Enabled", dwValue) == kSettingInvalid)
            return FALSE;
        switch (dwPolicyInterval ? kSettingAbsent : ReadSetting(key, "Interval", dwValue))
        {
        case kSettingInvalid:
            return FALSE;
        case kSettingPresent:
            m_settings.checkInterval = IntervalSeconds(dwValue);
            break;
        case kSettingAbsent:
            break;
        }
        key.Close();
    }

    if (key.OpenKey(HKEY_CURRENT_USER, kInternetSettingsKey, KEY_READ))
    {
        DWORD dwValue = 0;
        if (ReadSetting(key, "EnableAutodial", dwValue) == kSettingPresent)
            m_settings.autodialEnabled = TRUE;
        key.Close();
    }

    // The proxy: the user's own, unless the machine's policy says that
    // every user has the machine's.
    HKEY hProxyRoot = ReadPolicy(kInternetPolicyKey, "ProxySettingsPerUser", 1) == 0
                          ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    if (key.OpenKey(hProxyRoot, kInternetSettingsKey, KEY_READ))
        ReadProxyFor(key, m_settings.serverHost, m_settings.proxyHost,
                     sizeof(m_settings.proxyHost), m_settings.proxyPort);
    return TRUE;
}

BOOL CVersionCheckApp::ParseCommandLine(const char* pszLine)
{
    return ApplyCommandLine(pszLine, m_settings);
}

#ifndef _WIN64
static_assert(sizeof(RASCONNA) == 704, "one connection record is 704 bytes");
#endif

BOOL CVersionCheckApp::IsConnectionAvailable()
{
    if (!m_settings.autodialEnabled)
        return TRUE;
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
        return FALSE;
    return dwCount != 0;
}

void CVersionCheckApp::RunCheckCycle()
{
    BOOL bOffer = FALSE;
    if (m_settings.product != 0)
    {
        bOffer = CheckProduct(m_settings.product);
    }
    else
    {
        DWORD adwProducts[kMaxProducts];
        int nCount = EnumerateProducts(-1, adwProducts, kMaxProducts);
        if (nCount > kMaxProducts)
            nCount = kMaxProducts;
        for (int i = 0; i < nCount && !bOffer; ++i)
            bOffer = CheckProduct(adwProducts[i]);
    }

    if (!bOffer)
    {
        if (m_settings.interactive)
            ShowMessage(IDS_NO_UPDATES, MB_ICONINFORMATION);
        return;
    }

    DWORD dwTime = Now();
    INT_PTR nResult = ShowOffer();
    if (nResult == kAnswerOk && !OpenOfferedUpdate())
    {
        // The user asked for the download page and did not get it: ask
        // again after one interval rather than never again.
        nResult = kAnswerCancel;
    }
    ScheduleAfterOffer(dwTime, nResult);
}

BOOL CVersionCheckApp::CheckProduct(DWORD dwProduct)
{
    DWORD dwNow = Now();

    char szName[kTextSize], szEdition[kTextSize];
    WORD wMajor = 0, wMinor = 0;
    DWORD dwBuild = 0;
    if (!GetProductName(dwProduct, szName, sizeof(szName)))
        return FALSE;
    if (!GetProductVersion(dwProduct, &wMajor, &wMinor, &dwBuild, 0, 0))
        return FALSE;
    GetProductEdition(dwProduct, szEdition, sizeof(szEdition));

    char szText[2 * kTextSize + 64];
    FormatProductKey(szName, szEdition, wMajor, wMinor, szText, sizeof(szText));
    m_offer.productKey = szText;
    FormatDisplayName(szName, szEdition, wMajor, wMinor, szText, sizeof(szText));
    m_offer.displayName = szText;

    int hProduct = OpenProduct(dwProduct);
    if (hProduct == -1)
        return FALSE;
    char szSerial[kTextSize];
    int nSerial = GetSerialNumber(hProduct, szSerial, sizeof(szSerial));
    CloseProduct(hProduct);
    if (!nSerial)
        return FALSE;

    DWORD dwLastCheck = 0, dwNextCheck = 0;
    CRegistry key;
    if (key.CreateKey(HKEY_CURRENT_USER, m_offer.productKey))
    {
        DWORD dwEnabled = 0;
        if (ReadSetting(key, "Enabled", dwEnabled) == kSettingInvalid ||
            ReadSetting(key, "LastCheck", dwLastCheck) == kSettingInvalid ||
            ReadSetting(key, "NextCheck", dwNextCheck) == kSettingInvalid)
            return FALSE;
        key.Close();
    }
    if (!IsDue(m_settings.forceCheck, dwNow, dwLastCheck, dwNextCheck))
        return FALSE;

    return QueryVersion(m_settings, szSerial, wMajor, wMinor, dwBuild, m_offer);
}

void CVersionCheckApp::ScheduleAfterOffer(DWORD dwTime, INT_PTR nResult)
{
    DWORD dwNextCheck = NextCheckAfter((int)nResult, dwTime, m_settings.checkInterval);
    CRegistry key;
    if (!key.CreateKey(HKEY_CURRENT_USER, m_offer.productKey))
        return;
    key.SetValue("LastCheck", (const BYTE*)&dwTime, sizeof(dwTime), REG_DWORD);
    key.SetValue("NextCheck", (const BYTE*)&dwNextCheck, sizeof(dwNextCheck), REG_DWORD);
}

BOOL CVersionCheckApp::OpenOfferedUpdate()
{
    // A header value keeps its trailing blanks; the address ends before
    // them. It comes from a plain HTTP answer: only a web address goes to
    // the shell, never a file, a share or a script.
    const CString& strUrl = m_offer.updateUrl;
    int nLength = strUrl.GetLength();
    while (nLength > 0 && (strUrl[nLength - 1] == ' ' || strUrl[nLength - 1] == '\t'))
        --nLength;
    CString strAddress;
    if (!strAddress.Append(strUrl, nLength))
        return FALSE;
    return IsOpenableUpdateUrl(strAddress) && OpenUpdateUrl(strAddress);
}

INT_PTR CVersionCheckApp::ShowOffer()
{
    CVersionCheckDlg dlg(m_offer);
    m_pMainWnd = &dlg;
    INT_PTR nResult = dlg.DoModal();
    m_pMainWnd = 0;
    return nResult;
}

void CVersionCheckApp::ShowMessage(UINT nID, UINT nIcon)
{
    char szText[256];
    if (LoadStringA(GetResourceHandle(), nID, szText, sizeof(szText)) <= 0)
        szText[0] = '\0';
    MessageBoxA(0, szText, m_settings.appName, MB_OK | nIcon);
}

DWORD CVersionCheckApp::GetProgramPath(char* pszPath, DWORD nSize)
{
    return GetModuleFileNameA(0, pszPath, nSize);
}

BOOL CVersionCheckApp::OpenUpdateUrl(const char* pszUrl)
{
    // Above 32: the shell started something for the address.
    return (INT_PTR)ShellExecuteA(0, "open", pszUrl, 0, 0, SW_SHOWNORMAL) > 32;
}
