// Paths and the registry texts that name them: joining parts of a path or
// key, a registered path without its quotation marks, text values read
// always terminated, a file searched for, a class's registered file.
#include "Modpanel.h"

#include "ScopedHandles.h"
#include "Text.h"

namespace
{

// Whether this process runs with an administrator's full rights. Where the
// token cannot say (a system before Windows Vista knows no elevation, and
// there an administrator's programs always have those rights), it is taken
// as elevated.
bool IsElevated()
{
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return true;
    TOKEN_ELEVATION elevation = {};
    DWORD cbAnswer = 0;
    BOOL bAnswered =
        GetTokenInformation(hToken, TokenElevation, &elevation, sizeof(elevation), &cbAnswer);
    CloseHandle(hToken);
    return !bAnswered || elevation.TokenIsElevated != 0;
}

} // namespace

bool BuildFolder(char* pszFolder, int nSize, const char* pszA, const char* pszB, const char* pszC)
{
    if (CopyTextCut(pszFolder, nSize, pszA) && AppendText(pszFolder, nSize, pszB) &&
        AppendText(pszFolder, nSize, pszC))
        return true;
    if (nSize > 0)
        pszFolder[0] = '\0';
    return false;
}

bool JoinPath(const char* pszFolder, const char* pszName, char* pszResult, int nSize)
{
    BOOL bSeparator = pszFolder[0] != '\0' && !EndsWithSeparator(pszFolder, CP_ACP);
    if (!BuildFolder(pszResult, nSize, pszFolder, bSeparator ? "\\" : "", pszName))
    {
        pszResult[0] = '\0';
        return false;
    }
    return true;
}

const char* PathWithoutQuotes(const char* pszPath, int* pnLength)
{
    const char* pStart = pszPath[0] == '"' ? pszPath + 1 : pszPath;
    int nLength = lstrlenA(pStart);
    if (nLength > 0 && pStart[nLength - 1] == '"')
        --nLength;
    *pnLength = nLength;
    return pStart;
}

// A value stored without its terminating zero fills what it reads; the
// text is then terminated at the read length, or at the buffer's last byte
// when it filled the buffer.
bool ReadKeyText(HKEY hKey, const char* pszSubKey, char* pszBuffer, LONG nSize)
{
    LONG nRead = nSize;
    pszBuffer[0] = '\0';
    if (RegQueryValueA(hKey, pszSubKey, pszBuffer, &nRead) != ERROR_SUCCESS)
    {
        pszBuffer[0] = '\0';
        return false;
    }
    pszBuffer[(nRead >= 0 && nRead < nSize) ? nRead : nSize - 1] = '\0';
    return true;
}

bool ReadNamedText(HKEY hKey, const char* pszName, char* pszBuffer, DWORD nSize)
{
    DWORD dwType = 0;
    DWORD dwRead = nSize;
    pszBuffer[0] = '\0';
    if (RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(pszBuffer),
                         &dwRead) != ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
    {
        pszBuffer[0] = '\0';
        return false;
    }
    pszBuffer[dwRead < nSize ? dwRead : nSize - 1] = '\0';
    return true;
}

bool SearchFile(const char* pszFolder, const char* pszName, char* pszPath, int nSize)
{
    char szFound[MAX_PATH];
    char* pFilePart = nullptr;
    DWORD dwLength = SearchPathA(pszFolder, pszName, nullptr, sizeof(szFound), szFound, &pFilePart);
    if (dwLength == 0 || dwLength >= sizeof(szFound) || static_cast<int>(dwLength) >= nSize)
        return false;
    CopyMemory(pszPath, szFound, dwLength + 1);
    return true;
}

bool IsLocalFullPath(const char* pszPath)
{
    bool bDrive = (pszPath[0] >= 'A' && pszPath[0] <= 'Z') || (pszPath[0] >= 'a' && pszPath[0] <= 'z');
    if (!bDrive || pszPath[1] != ':' || pszPath[2] != '\\')
        return false;
    for (const char* p = pszPath; *p != '\0'; ++p)
    {
        unsigned char ch = static_cast<unsigned char>(*p);
        if (ch == '"' || ch < 0x20 || ch == 0x7F)
            return false;
    }
    return true;
}

bool ReadRegisteredPath(const char* pszClassId, char* pszPath, LONG nSize)
{
    // Whatever a program of the user writes under HKEY_CURRENT_USER's
    // classes, HKEY_CLASSES_ROOT shows to every program of that user: an
    // elevated panel reads the machine's classes only.
    bool bMachine = IsElevated();
    char szKey[80];
    ScopedRegKey key;
    if (!BuildFolder(szKey, sizeof(szKey), bMachine ? "Software\\Classes\\CLSID\\" : "CLSID\\",
                     pszClassId, "") ||
        RegOpenKeyExA(bMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT, szKey, 0, KEY_READ,
                      key.Receive()) != ERROR_SUCCESS ||
        !ReadKeyText(key, "InprocServer32", pszPath, nSize))
        return false;
    // A quoted value names the same file.
    int nLength;
    const char* pStart = PathWithoutQuotes(pszPath, &nLength);
    MoveMemory(pszPath, pStart, nLength);
    pszPath[nLength] = '\0';
    return true;
}
