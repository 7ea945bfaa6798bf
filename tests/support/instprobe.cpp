// instprobe: reports what an installation left on this computer, as a
// program of the build tree's own kind sees it (a 32-bit program sees the
// 32-bit folders and registry view, as the shipped programs do). For the
// installer's end-to-end test.
//
//   instprobe folders                     "programfiles TAB path",
//                                         "programs TAB path" (the user's
//                                         Start-menu programs) and
//                                         "commonprograms TAB path"
//   instprobe value ROOT KEY NAME         "TYPE TAB data" (REG_SZ, REG_DWORD)
//   instprobe key ROOT KEY                the key's value names, one a line
//   instprobe products UPGRADE-CODE       "product-code TAB version", one
//                                         line per installed related product
//   instprobe shortcut FILE.lnk           "target TAB ...", "arguments TAB
//                                         ...", "workdir TAB ..."
//   instprobe delete ROOT KEY [NAME]      deletes the value NAME, or the key
//                                         (without subkeys) when no NAME
//
//   instprobe -32 ...                     the same in the 32-bit folders and
//                                         registry view, from a 64-bit program
//                                         (the shipped 32-bit package where
//                                         32-bit programs cannot run)
//
// ROOT is HKLM or HKCU. Exit codes: 0 found, 1 key or file missing, 3 value
// missing, 2 usage or another failure.
#include <windows.h>
#include <msi.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <stdio.h>
#include <string.h>

namespace
{

const int kFound = 0;
const int kMissing = 1;
const int kUsage = 2;
const int kValueMissing = 3;

// The registry view and Program Files folder that are read (-32: the 32-bit ones).
REGSAM g_samView = 0;
int g_nProgramFiles = CSIDL_PROGRAM_FILES;

bool ParseRoot(const char* psz, HKEY* phRoot)
{
    if (lstrcmpiA(psz, "HKLM") == 0)
        *phRoot = HKEY_LOCAL_MACHINE;
    else if (lstrcmpiA(psz, "HKCU") == 0)
        *phRoot = HKEY_CURRENT_USER;
    else
        return false;
    return true;
}

int Folders()
{
    char szPath[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, g_nProgramFiles, nullptr, 0, szPath)))
        return kUsage;
    printf("programfiles\t%s\n", szPath);
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, szPath)))
        return kUsage;
    printf("programs\t%s\n", szPath);
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, szPath)))
        return kUsage;
    printf("commonprograms\t%s\n", szPath);
    return kFound;
}

int Value(HKEY hRoot, const char* pszKey, const char* pszName)
{
    HKEY hKey;
    if (RegOpenKeyExA(hRoot, pszKey, 0, KEY_QUERY_VALUE | g_samView, &hKey) != ERROR_SUCCESS)
        return kMissing;
    BYTE abData[4096];
    DWORD dwType = 0, cbData = sizeof(abData) - 1;
    LONG lResult = RegQueryValueExA(hKey, pszName, nullptr, &dwType, abData, &cbData);
    RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS)
        return kValueMissing;
    if (dwType == REG_SZ || dwType == REG_EXPAND_SZ)
    {
        abData[cbData] = 0;
        printf("REG_SZ\t%s\n", reinterpret_cast<char*>(abData));
    }
    else if (dwType == REG_DWORD && cbData == 4)
    {
        DWORD dw;
        memcpy(&dw, abData, sizeof(dw));
        printf("REG_DWORD\t%lu\n", dw);
    }
    else
        printf("type %lu\n", dwType);
    return kFound;
}

int Key(HKEY hRoot, const char* pszKey)
{
    HKEY hKey;
    if (RegOpenKeyExA(hRoot, pszKey, 0, KEY_QUERY_VALUE | g_samView, &hKey) != ERROR_SUCCESS)
        return kMissing;
    for (DWORD i = 0;; ++i)
    {
        char szName[256];
        DWORD cchName = sizeof(szName);
        if (RegEnumValueA(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        printf("%s\n", szName);
    }
    RegCloseKey(hKey);
    return kFound;
}

int Products(const char* pszUpgradeCode)
{
    for (DWORD i = 0;; ++i)
    {
        char szProduct[39];
        UINT uResult = MsiEnumRelatedProductsA(pszUpgradeCode, 0, i, szProduct);
        if (uResult == ERROR_NO_MORE_ITEMS)
            break;
        if (uResult != ERROR_SUCCESS)
        {
            fprintf(stderr, "instprobe: MsiEnumRelatedProducts: %u\n", uResult);
            return kUsage;
        }
        char szVersion[64];
        DWORD cchVersion = sizeof(szVersion);
        if (MsiGetProductInfoA(szProduct, INSTALLPROPERTY_VERSIONSTRING, szVersion,
                               &cchVersion) != ERROR_SUCCESS)
            strcpy(szVersion, "?");
        printf("%s\t%s\n", szProduct, szVersion);
    }
    return kFound;
}

int Shortcut(const char* pszFile)
{
    if (GetFileAttributesA(pszFile) == INVALID_FILE_ATTRIBUTES)
        return kMissing;
    WCHAR wszFile[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, pszFile, -1, wszFile, MAX_PATH))
        return kUsage;
    if (FAILED(CoInitialize(nullptr)))
        return kUsage;
    int nResult = kUsage;
    IShellLinkA* pLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IShellLinkA, reinterpret_cast<void**>(&pLink))))
    {
        IPersistFile* pFile = nullptr;
        if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile))))
        {
            char szTarget[MAX_PATH], szArguments[1024], szWorkDir[MAX_PATH];
            if (SUCCEEDED(pFile->Load(wszFile, STGM_READ)) &&
                SUCCEEDED(pLink->GetPath(szTarget, sizeof(szTarget), nullptr, SLGP_RAWPATH)) &&
                SUCCEEDED(pLink->GetArguments(szArguments, sizeof(szArguments))) &&
                SUCCEEDED(pLink->GetWorkingDirectory(szWorkDir, sizeof(szWorkDir))))
            {
                printf("target\t%s\narguments\t%s\nworkdir\t%s\n", szTarget, szArguments,
                       szWorkDir);
                nResult = kFound;
            }
            pFile->Release();
        }
        pLink->Release();
    }
    CoUninitialize();
    return nResult;
}

int Delete(HKEY hRoot, const char* pszKey, const char* pszName)
{
    if (!pszName)
        return RegDeleteKeyExA(hRoot, pszKey, g_samView, 0) == ERROR_SUCCESS ? kFound : kMissing;
    HKEY hKey;
    if (RegOpenKeyExA(hRoot, pszKey, 0, KEY_SET_VALUE | g_samView, &hKey) != ERROR_SUCCESS)
        return kMissing;
    LONG lResult = RegDeleteValueA(hKey, pszName);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS ? kFound : kValueMissing;
}

// Another installer's value, written as text before the package comes.
int Set(HKEY hRoot, const char* pszKey, const char* pszName, const char* pszText)
{
    HKEY hKey;
    if (RegCreateKeyExA(hRoot, pszKey, 0, nullptr, 0, KEY_SET_VALUE | g_samView, nullptr, &hKey,
                        nullptr) !=
        ERROR_SUCCESS)
        return kMissing;
    LONG lResult = RegSetValueExA(hKey, pszName, 0, REG_SZ, (const BYTE*)pszText,
                                  (DWORD)strlen(pszText) + 1);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS ? kFound : kUsage;
}

int Usage()
{
    fprintf(stderr, "usage: instprobe [-32] folders | value ROOT KEY NAME | key ROOT KEY |\n"
                    "                 products UPGRADE-CODE | shortcut FILE.lnk |\n"
                    "                 delete ROOT KEY [NAME] | set ROOT KEY NAME TEXT\n");
    return kUsage;
}

} // namespace

int main(int argc, char** argv)
{
    HKEY hRoot;
    if (argc > 1 && strcmp(argv[1], "-32") == 0)
    {
        g_samView = KEY_WOW64_32KEY;
        g_nProgramFiles = CSIDL_PROGRAM_FILESX86;
        --argc;
        ++argv;
    }
    if (argc == 2 && strcmp(argv[1], "folders") == 0)
        return Folders();
    if (argc == 5 && strcmp(argv[1], "value") == 0 && ParseRoot(argv[2], &hRoot))
        return Value(hRoot, argv[3], argv[4]);
    if (argc == 4 && strcmp(argv[1], "key") == 0 && ParseRoot(argv[2], &hRoot))
        return Key(hRoot, argv[3]);
    if (argc == 3 && strcmp(argv[1], "products") == 0)
        return Products(argv[2]);
    if (argc == 3 && strcmp(argv[1], "shortcut") == 0)
        return Shortcut(argv[2]);
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "delete") == 0 && ParseRoot(argv[2], &hRoot))
        return Delete(hRoot, argv[3], argc == 5 ? argv[4] : nullptr);
    if (argc == 6 && strcmp(argv[1], "set") == 0 && ParseRoot(argv[2], &hRoot))
        return Set(hRoot, argv[3], argv[4], argv[5]);
    return Usage();
}
