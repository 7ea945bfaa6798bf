// A product's check schedule: its key under the user's settings, the
// reading and writing of its values, and the arithmetic of the next check.
#pragma once

#include <windows.h>

#include "UpdateAnswer.h"

const DWORD kSecondsPerDay = 86400;
const DWORD kDefaultInterval = 28 * kSecondsPerDay;    // without an "Interval"
const DWORD kRemindLater = 30 * kSecondsPerDay;        // Check Later
const DWORD kNeverAgain = 0xFFFFFFFF;                  // NextCheck: never check again

// "Software\Brantlow\Updates\<name>[ <edition>]\<major>.<short minor>",
// cut to the buffer, always terminated.
void FormatProductKey(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                      char* pszBuffer, int nSize);

// The times under a product key, seconds since 1970; 0 where a value is
// absent.
struct ScheduleTimes
{
    DWORD lastCheck;    // when the dialog was last shown for the product
    DWORD nextCheck;    // the earliest next check; kNeverAgain: never
};

// Reads "Enabled", "LastCheck" and "NextCheck" under the product key,
// creating the key when it is missing. False when the product is skipped
// for this run: one of them present but 0 or not a REG_DWORD. A key that
// cannot be created or opened reads as never checked.
bool ReadSchedule(const char* pszProductKey, ScheduleTimes& times);

// Due: forced, never checked (LastCheck or NextCheck absent), or NextCheck
// reached.
bool IsDue(bool bForce, DWORD dwNow, const ScheduleTimes& times);

// Writes the outcome of an offer shown at dwShown: "LastCheck" dwShown,
// "NextCheck" as the answer gives it. Nothing when the key cannot be had.
void WriteScheduleAfterOffer(const char* pszProductKey, DWORD dwShown, UpdateAnswer answer,
                             DWORD dwInterval);

// The NextCheck that an answer gives: OK never, Check Later 30 days on,
// Cancel one interval on.
DWORD NextCheckAfter(UpdateAnswer answer, DWORD dwNow, DWORD dwInterval);

// Interval days in seconds, saturated instead of wrapping past 32 bits.
DWORD IntervalSeconds(DWORD dwDays);
// now + seconds, saturated below kNeverAgain so that a long interval never
// wraps into the past nor turns into "never".
DWORD AddToTime(DWORD dwTime, DWORD dwSeconds);
