#include "ProductSchedule.h"

#include "ProductCatalogue.h"
#include "Registry.h"
#include "Text.h"
#include "UpdateAnswer.h"

namespace
{

void FormatVersion(WORD wMajor, WORD wMinor, char* pszOut)
{
    wsprintfA(pszOut, "%u.%u", (unsigned int)wMajor, (unsigned int)ShortMinor(wMinor));
}

} // namespace

void FormatProductKey(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                      char* pszBuffer, int nSize)
{
    char szVersion[16];
    FormatVersion(wMajor, wMinor, szVersion);
    CopyTextCut(pszBuffer, nSize, "Software\\Brantlow\\Updates\\");
    AppendTextCut(pszBuffer, nSize, pszName);
    if (pszEdition && *pszEdition)
    {
        AppendTextCut(pszBuffer, nSize, " ");
        AppendTextCut(pszBuffer, nSize, pszEdition);
    }
    AppendTextCut(pszBuffer, nSize, "\\");
    AppendTextCut(pszBuffer, nSize, szVersion);
}

void FormatDisplayName(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                       char* pszBuffer, int nSize)
{
    char szVersion[16];
    FormatVersion(wMajor, wMinor, szVersion);
    CopyTextCut(pszBuffer, nSize, pszName);
    AppendTextCut(pszBuffer, nSize, " ");
    AppendTextCut(pszBuffer, nSize, szVersion);
    AppendTextCut(pszBuffer, nSize, " ");
    AppendTextCut(pszBuffer, nSize, pszEdition);
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
    if (nDialogResult == kAnswerOk)
        return kNeverAgain;
    if (nDialogResult == kAnswerCheckLater)
        return AddToTime(dwNow, kRemindLater);
    return AddToTime(dwNow, dwInterval);
}
