#include "ProductSchedule.h"

#include "ProductCatalogue.h"
#include "Registry.h"
#include "RegistryNames.h"
#include "Text.h"
#include "UpdateSettings.h"

void FormatProductKey(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                      char* pszBuffer, int nSize)
{
    char szVersion[kShortVersionSize];
    FormatShortVersion(wMajor, wMinor, szVersion, sizeof(szVersion));
    CopyTextCut(pszBuffer, nSize, kSettingsKey);
    AppendTextCut(pszBuffer, nSize, "\\");
    AppendTextCut(pszBuffer, nSize, pszName);
    if (pszEdition && *pszEdition)
    {
        AppendTextCut(pszBuffer, nSize, " ");
        AppendTextCut(pszBuffer, nSize, pszEdition);
    }
    AppendTextCut(pszBuffer, nSize, "\\");
    AppendTextCut(pszBuffer, nSize, szVersion);
}

bool ReadSchedule(const char* pszProductKey, ScheduleTimes& times)
{
    times.lastCheck = 0;
    times.nextCheck = 0;
    CRegistry key;
    if (!key.CreateKey(HKEY_CURRENT_USER, pszProductKey))
        return true;
    // "Enabled" 0 is its meaning; a stored time of 0 or of another type
    // counts the same.
    DWORD dwEnabled = 0;
    return !IsUnusable(ReadSetting(key, kEnabledValue, dwEnabled)) &&
           !IsUnusable(ReadSetting(key, kLastCheckValue, times.lastCheck)) &&
           !IsUnusable(ReadSetting(key, kNextCheckValue, times.nextCheck));
}

bool IsDue(bool bForce, DWORD dwNow, const ScheduleTimes& times)
{
    return bForce || times.lastCheck == 0 || times.nextCheck == 0 || dwNow >= times.nextCheck;
}

void WriteScheduleAfterOffer(const char* pszProductKey, DWORD dwShown, UpdateAnswer answer,
                             DWORD dwInterval)
{
    DWORD dwNextCheck = NextCheckAfter(answer, dwShown, dwInterval);
    CRegistry key;
    if (!key.CreateKey(HKEY_CURRENT_USER, pszProductKey))
        return;
    key.SetValue(kLastCheckValue, reinterpret_cast<const BYTE*>(&dwShown), sizeof(dwShown),
                 REG_DWORD);
    key.SetValue(kNextCheckValue, reinterpret_cast<const BYTE*>(&dwNextCheck), sizeof(dwNextCheck),
                 REG_DWORD);
}

DWORD NextCheckAfter(UpdateAnswer answer, DWORD dwNow, DWORD dwInterval)
{
    switch (answer)
    {
    case kAnswerOk:
        return kNeverAgain;
    case kAnswerCheckLater:
        return AddToTime(dwNow, kRemindLater);
    case kAnswerCancel:
        break;
    }
    return AddToTime(dwNow, dwInterval);
}

DWORD IntervalSeconds(DWORD dwDays)
{
    unsigned long long ull = static_cast<unsigned long long>(dwDays) * kSecondsPerDay;
    return ull > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(ull);
}

DWORD AddToTime(DWORD dwTime, DWORD dwSeconds)
{
    unsigned long long ull = static_cast<unsigned long long>(dwTime) + dwSeconds;
    return ull >= kNeverAgain ? kNeverAgain - 1 : static_cast<DWORD>(ull);
}
