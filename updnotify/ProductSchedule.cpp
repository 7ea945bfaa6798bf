#include "ProductSchedule.h"

#include "ProductCatalogue.h"
#include "Registry.h"

namespace
{

// Appends to a fixed buffer, cutting what does not fit; always terminated.
void AppendCut(char* pszBuffer, int nSize, int& nUsed, const char* psz)
{
    while (*psz != '\0' && nUsed < nSize - 1)
        pszBuffer[nUsed++] = *psz++;
    pszBuffer[nUsed] = '\0';
}

void FormatVersion(WORD wMajor, WORD wMinor, char* pszOut)
{
    wsprintfA(pszOut, "%u.%u", (unsigned int)wMajor, (unsigned int)ShortMinor(wMinor));
}

bool StartsWithNoCase(const char* psz, const char* pszPrefix)
{
    for (; *pszPrefix != '\0'; ++psz, ++pszPrefix)
    {
        char ch = *psz;
        if (ch >= 'A' && ch <= 'Z')
            ch = (char)(ch - 'A' + 'a');
        if (ch != *pszPrefix)
            return false;
    }
    return true;
}

} // namespace

void FormatProductKey(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                      char* pszBuffer, int nSize)
{
    if (pszBuffer == 0 || nSize <= 0)
        return;
    char szVersion[16];
    FormatVersion(wMajor, wMinor, szVersion);
    int nUsed = 0;
    pszBuffer[0] = '\0';
    AppendCut(pszBuffer, nSize, nUsed, "Software\\Brantlow\\Updates\\");
    AppendCut(pszBuffer, nSize, nUsed, pszName ? pszName : "");
    if (pszEdition && *pszEdition)
    {
        AppendCut(pszBuffer, nSize, nUsed, " ");
        AppendCut(pszBuffer, nSize, nUsed, pszEdition);
    }
    AppendCut(pszBuffer, nSize, nUsed, "\\");
    AppendCut(pszBuffer, nSize, nUsed, szVersion);
}

void FormatDisplayName(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                       char* pszBuffer, int nSize)
{
    if (pszBuffer == 0 || nSize <= 0)
        return;
    char szVersion[16];
    FormatVersion(wMajor, wMinor, szVersion);
    int nUsed = 0;
    pszBuffer[0] = '\0';
    AppendCut(pszBuffer, nSize, nUsed, pszName ? pszName : "");
    AppendCut(pszBuffer, nSize, nUsed, " ");
    AppendCut(pszBuffer, nSize, nUsed, szVersion);
    AppendCut(pszBuffer, nSize, nUsed, " ");
    AppendCut(pszBuffer, nSize, nUsed, pszEdition ? pszEdition : "");
}

SettingState ReadSetting(CRegistry& key, const char* pszName, DWORD& dwValue)
{
    DWORD dwType = 0;
    DWORD dwData = 0;
    DWORD cbData = sizeof(dwData);
    if (!key.QueryValue(pszName, &dwType, (BYTE*)&dwData, &cbData))
        return kSettingAbsent;      // missing, or more than 4 bytes of data
    if (dwType != REG_DWORD || dwData == 0)
        return kSettingInvalid;
    dwValue = dwData;
    return kSettingPresent;
}

DWORD IntervalSeconds(DWORD dwDays)
{
    unsigned long long ull = (unsigned long long)dwDays * kSecondsPerDay;
    return ull > 0xFFFFFFFFull ? 0xFFFFFFFFu : (DWORD)ull;
}

DWORD AddToTime(DWORD dwTime, DWORD dwSeconds)
{
    unsigned long long ull = (unsigned long long)dwTime + dwSeconds;
    return ull >= kNeverAgain ? kNeverAgain - 1 : (DWORD)ull;
}

BOOL IsDue(BOOL bForce, DWORD dwNow, DWORD dwLastCheck, DWORD dwNextCheck)
{
    return bForce || dwLastCheck == 0 || dwNextCheck == 0 || dwNow >= dwNextCheck;
}

DWORD NextCheckAfter(int nDialogResult, DWORD dwNow, DWORD dwInterval)
{
    if (nDialogResult == IDOK)
        return kNeverAgain;
    if (nDialogResult == IDIGNORE)      // Check Later
        return AddToTime(dwNow, kRemindLater);
    return AddToTime(dwNow, dwInterval);
}

BOOL IsOpenableUpdateUrl(const char* pszUrl)
{
    if (pszUrl == 0)
        return FALSE;
    const char* pszHost;
    if (StartsWithNoCase(pszUrl, "http://"))
        pszHost = pszUrl + 7;
    else if (StartsWithNoCase(pszUrl, "https://"))
        pszHost = pszUrl + 8;
    else
        return FALSE;
    // The host is what the authority (up to "/", "?", "#" or "\") holds
    // after its last "@" and before a ":port"; "http://?x", "http://#",
    // "http://user@/" and "http://:80/" name none.
    const char* pchEnd = pszHost;
    while (*pchEnd && *pchEnd != '/' && *pchEnd != '?' && *pchEnd != '#' && *pchEnd != '\\')
    {
        if (*pchEnd == '@')
            pszHost = pchEnd + 1;
        ++pchEnd;
    }
    if (pszHost == pchEnd || *pszHost == ':')
        return FALSE;
    for (const unsigned char* p = (const unsigned char*)pszUrl; *p; ++p)
    {
        if (*p <= 0x20 || *p == 0x7F || *p == '"')
            return FALSE;
    }
    return TRUE;
}
