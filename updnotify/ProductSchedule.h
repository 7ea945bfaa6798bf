// A product's check schedule: its settings key, its display name, the
// reading of its schedule values and the arithmetic of the next check.
#pragma once

#include <windows.h>

class CRegistry;

const DWORD kNeverAgain = 0xFFFFFFFF;    // NextCheck: never check again
const DWORD kRemindLater = 2592000;      // Check Later: 30 days
const DWORD kSecondsPerDay = 86400;

// "Software\Brantlow\Updates\<name>[ <edition>]\<major>.<short minor>",
// cut to the buffer, always terminated.
void FormatProductKey(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                      char* pszBuffer, int nSize);
// "<name> <major>.<short minor> <edition>" (ends in a blank without edition).
void FormatDisplayName(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                       char* pszBuffer, int nSize);

// Interval days in seconds, saturated instead of wrapping past 32 bits.
DWORD IntervalSeconds(DWORD dwDays);
// now + seconds, saturated below kNeverAgain so that a long interval never
// wraps into the past nor turns into "never".
DWORD AddToTime(DWORD dwTime, DWORD dwSeconds);

// Due: forced, never checked (LastCheck or NextCheck absent), or NextCheck
// reached.
BOOL IsDue(BOOL bForce, DWORD dwNow, DWORD dwLastCheck, DWORD dwNextCheck);

// The NextCheck that the dialog's end code (an UpdateAnswer) gives: OK
// never, Check Later 30 days on, anything else one interval on.
DWORD NextCheckAfter(int nDialogResult, DWORD dwNow, DWORD dwInterval);
