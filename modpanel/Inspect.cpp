// The panel's set-up, the Name list and the inspection of one component
// file: where it is, its date, size and version, whether it is installed
// and registered, and whether its help can be shown. Which types a product
// line offers: ProductTypes.cpp; paths and registry texts: PathText.cpp.
#include "Modpanel.h"

#include "ScopedHandles.h"
#include "SystemLibrary.h"
#include "Text.h"

#include <stdio.h>
#include <sys/stat.h>
#include <time.h>

#include "resource.h"

int g_nComponentType = 0;

namespace
{

// The version functions, from the system folder at the first inspection of
// an installed file (version.dll is not a KnownDLL: SystemLibrary.h).
SystemFunction<decltype(&GetFileVersionInfoSizeA)> s_getVersionInfoSize("version.dll",
                                                                        "GetFileVersionInfoSizeA");
SystemFunction<decltype(&GetFileVersionInfoA)> s_getVersionInfo("version.dll", "GetFileVersionInfoA");
SystemFunction<decltype(&VerQueryValueA)> s_verQueryValue("version.dll", "VerQueryValueA");

// The file version of the file at pszPath as "%u.%u.%u.%u"; false when it
// has no readable version resource.
bool ReadFileVersion(const char* pszPath, char* pszVersion)
{
    auto pfnSize = s_getVersionInfoSize.Get();
    auto pfnRead = s_getVersionInfo.Get();
    auto pfnQuery = s_verQueryValue.Get();
    if (pfnSize == nullptr || pfnRead == nullptr || pfnQuery == nullptr)
        return false;
    DWORD dwHandle = 0;
    DWORD dwSize = pfnSize(pszPath, &dwHandle);
    if (dwSize == 0)
        return false;
    void* pData = HeapAlloc(GetProcessHeap(), 0, dwSize);
    if (pData == nullptr)
        return false;
    VS_FIXEDFILEINFO* pInfo = nullptr;
    UINT nInfo = 0;
    bool bRead = pfnRead(pszPath, 0, dwSize, pData) &&
                 pfnQuery(pData, "\\", reinterpret_cast<void**>(&pInfo), &nInfo) && pInfo != nullptr &&
                 nInfo >= sizeof(VS_FIXEDFILEINFO);
    if (bRead)
        wsprintfA(pszVersion, "%u.%u.%u.%u", HIWORD(pInfo->dwFileVersionMS),
                  LOWORD(pInfo->dwFileVersionMS), HIWORD(pInfo->dwFileVersionLS),
                  LOWORD(pInfo->dwFileVersionLS));
    HeapFree(GetProcessHeap(), 0, pData);
    return bRead;
}

bool FileExists(const char* pszPath, struct _stat* pStatus)
{
    return pszPath[0] && _stat(pszPath, pStatus) == 0;
}

void EnableCommand(HWND hDlg, UINT nCommand, BOOL bEnable)
{
    HMENU hMenu = GetMenu(hDlg);
    if (hMenu)
        EnableMenuItem(hMenu, nCommand, MF_BYCOMMAND | (bEnable ? MF_ENABLED : MF_GRAYED));
}

} // namespace

void SetUpPanel(HWND hDlg)
{
    EnableWindow(GetDlgItem(hDlg, IDC_TYPE_ACTIVEX), TRUE);
    EnableWindow(GetDlgItem(hDlg, IDC_TYPE_LIBRARY), TRUE);
    EnableWindow(GetDlgItem(hDlg, IDC_TYPE_SCRIPTING), IsScriptingEnabled(g_nProductGroup));
    EnableWindow(GetDlgItem(hDlg, IDC_TYPE_DOTNET), IsDotNetEnabled(g_nProductGroup));
    int nType = DefaultComponentType(g_dwProduct);
    FillComponentList(hDlg, nType);
    int nButton = nType == COMPONENT_LIBRARY     ? IDC_TYPE_LIBRARY
                  : nType == COMPONENT_SCRIPTING ? IDC_TYPE_SCRIPTING
                  : nType == COMPONENT_DOTNET    ? IDC_TYPE_DOTNET
                                                 : IDC_TYPE_ACTIVEX;
    CheckDlgButton(hDlg, nButton, BST_CHECKED);
    SetWindowTextA(hDlg, g_szTitle);
}

void FillComponentList(HWND hDlg, int nType)
{
    g_nComponentType = nType;
    HWND hList = GetDlgItem(hDlg, IDC_NAME_LIST);
    SendMessageA(hList, CB_RESETCONTENT, 0, 0);
    int nTaken = 0;
    for (int i = 0; g_aComponents[i].nType != COMPONENT_NONE; ++i)
    {
        const ComponentEntry& entry = g_aComponents[i];
        if ((entry.dwFlags & COMPONENT_HIDDEN) || entry.nProductGroup != g_nProductGroup ||
            entry.nType != nType)
            continue;
        LRESULT nItem =
            SendMessageA(hList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.pszFileName));
        if (nItem == CB_ERR || nItem == CB_ERRSPACE)
            continue;
        SendMessageA(hList, CB_SETITEMDATA, static_cast<WPARAM>(nItem), static_cast<LPARAM>(i));
        ++nTaken;
    }
    if (nTaken == 0)
        return;
    SendMessageA(hList, CB_SETCURSEL, 0, 0);
    InspectComponent(hDlg);
}

const ComponentEntry* SelectedEntry(HWND hDlg)
{
    HWND hList = GetDlgItem(hDlg, IDC_NAME_LIST);
    LRESULT nItem = SendMessageA(hList, CB_GETCURSEL, 0, 0);
    if (nItem == CB_ERR)
        return nullptr;
    LRESULT nIndex = SendMessageA(hList, CB_GETITEMDATA, static_cast<WPARAM>(nItem), 0);
    if (nIndex == CB_ERR || nIndex < 0)
        return nullptr;
    // The index is checked against the table's end mark before use.
    for (LRESULT i = 0; i <= nIndex; ++i)
        if (g_aComponents[i].nType == COMPONENT_NONE)
            return nullptr;
    return &g_aComponents[nIndex];
}

bool IsComponentHelpAvailable(const ComponentEntry* pEntry)
{
    if (pEntry->pszHelpFile == nullptr || pEntry->pszHelpFile[0] == '\0')
        return false;
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\HTML Help", 0,
                      KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return false;
    char szFolder[MAX_PATH];
    BOOL bAvailable = ReadNamedText(key, pEntry->pszHelpFile, szFolder, sizeof(szFolder));
    if (!bAvailable || g_pfnHtmlHelp == nullptr)
        return false;
    char szPath[MAX_PATH];
    struct _stat status;
    return JoinPath(szFolder, pEntry->pszHelpFile, szPath, sizeof(szPath)) &&
           FileExists(szPath, &status);
}

void InspectComponent(HWND hDlg)
{
    const ComponentEntry* pEntry = SelectedEntry(hDlg);
    if (pEntry == nullptr)
        return;

    bool bInstalled = false, bRegistered = false;
    char szPath[MAX_PATH] = "";
    struct _stat status;

    if (pEntry->pszClassId != nullptr && ReadRegisteredPath(pEntry->pszClassId, szPath, sizeof(szPath)))
    {
        // Only a local file counts as the registered one: a share or a
        // relative name is not asked about (asking would connect to the
        // share, or read whatever the current folder holds); the file is
        // then searched for as an unregistered one.
        bRegistered = true;
        bInstalled = IsLocalFullPath(szPath) && FileExists(szPath, &status);
    }

    if (!bInstalled)
    {
        bool bFound = false;
        char szFolder[MAX_PATH];
        if (pEntry->dwFlags & COMPONENT_SHARED_ASSEMBLY)
        {
            bFound = BuildFolder(szFolder, sizeof(szFolder), g_szAssembliesFolder,
                                 AssemblySubfolder(pEntry->nProductGroup), "\\v2.0.50727") &&
                     SearchFile(szFolder, pEntry->pszFileName, szPath, sizeof(szPath));
            if (!bFound)
                bFound = BuildFolder(szFolder, sizeof(szFolder), g_szAssembliesFolder,
                                     "\\v1.1.4322", "") &&
                         SearchFile(szFolder, pEntry->pszFileName, szPath, sizeof(szPath));
        }
        if (!bFound)
            bFound = SearchFile(nullptr, pEntry->pszFileName, szPath, sizeof(szPath));
        if (bFound)
            bInstalled = FileExists(szPath, &status);
    }

    char szDate[32] = "None";
    char szSize[32] = "0 bytes";
    char szVersion[64] = "None";
    if (bInstalled)
    {
        ReadFileVersion(szPath, szVersion);
        time_t tModified = status.st_mtime;
        struct tm* pLocal = localtime(&tModified);
        if (pLocal != nullptr)
            wsprintfA(szDate, "%02d-%02d-%04d %02d:%02d", pLocal->tm_mon + 1, pLocal->tm_mday,
                      pLocal->tm_year + 1900, pLocal->tm_hour, pLocal->tm_min);
        wsprintfA(szSize, "%lu bytes", static_cast<unsigned long>(status.st_size));
    }

    char szStatus[64];
    const char* pszInstalled = bInstalled ? "Installed" : "Not installed";
    if (pEntry->nType != COMPONENT_LIBRARY && pEntry->pszClassId != nullptr)
        wsprintfA(szStatus, "%s, %s", pszInstalled, bRegistered ? "Registered" : "Not registered");
    else
        wsprintfA(szStatus, "%s", pszInstalled);

    SetDlgItemTextA(hDlg, IDC_FILE_DATE, szDate);
    SetDlgItemTextA(hDlg, IDC_FILE_SIZE, szSize);
    SetDlgItemTextA(hDlg, IDC_FILE_VERSION, szVersion);
    SetDlgItemTextA(hDlg, IDC_STATUS, szStatus);
    static char s_szDescription[4096];
    if (LoadStringA(g_hInstance, pEntry->nDescription, s_szDescription, sizeof(s_szDescription)) <= 0)
        s_szDescription[0] = '\0';
    SetDlgItemTextA(hDlg, IDC_DESCRIPTION, s_szDescription);

    bool bRegistrable = bInstalled && (pEntry->dwFlags & COMPONENT_SELF_REGISTERING) != 0 &&
                        pEntry->pszClassId != nullptr;
    EnableCommand(hDlg, ID_CONTROL_REGISTER, bRegistrable && !bRegistered);
    EnableCommand(hDlg, ID_CONTROL_UNREGISTER, bRegistrable && bRegistered);

    bool bHelp = bInstalled && IsComponentHelpAvailable(pEntry);
    EnableWindow(GetDlgItem(hDlg, IDC_HELP_BUTTON), bHelp);
    EnableCommand(hDlg, ID_HELP_REFERENCE, bHelp);
}
