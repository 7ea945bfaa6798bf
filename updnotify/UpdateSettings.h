// The notifier's settings for one run, and the reading of them: the
// administrator's policy, the user's values, the system's autodial setting
// and the proxy (the key paths and value names: RegistryNames.h).
#pragma once

#include <windows.h>

#include "OfferSignature.h"

class CRegistry;

// The policy's "Interval", in days, replaces the user's only in this range.
const DWORD kMinPolicyInterval = 1;
const DWORD kMaxPolicyInterval = 365;

struct UpdateSettings
{
    UpdateSettings();

    const char* appName;        // caption of every message box
    // Where the query goes and whom it trusts, all fixed by the build.
    const char* serverHost;     // the vendor's web server
    unsigned short serverPort;
    bool serverTls;             // https (false: plain http, serials in clear)
    OfferKeys offerKeys;        // an answer is an offer when signed by one
    const char* downloadHosts;  // where OK may open a page (UpdateAddress.h)
    unsigned int queryTimeout;  // seconds
    DWORD startDelay;           // milliseconds
    DWORD checkInterval;        // seconds
    BOOL interactive;
    BOOL forceCheck;
    BOOL autodialEnabled;
    char proxyHost[256];        // "": a direct connection
    unsigned short proxyPort;
    DWORD product;              // 0: all products
    char helpFile[MAX_PATH];
};

// What the settings say about the run: it goes on, checks are turned off
// ("Enabled" 0, the user's or the administrator's), or a value is present
// but unusable (the user's "Enabled" or "Interval" not a REG_DWORD, an
// "Interval" of 0). Off and invalid both end the run at once, silently.
enum SettingsVerdict { kSettingsRun, kSettingsOff, kSettingsInvalid };

// Reads the run's settings into settings, in this order: the policy, the
// user's settings key (created when missing; not read when the policy has
// ended the run), the autodial setting, the proxy for the vendor's host.
// Reading stops at the first value that ends the run.
SettingsVerdict ReadUpdateSettings(UpdateSettings& settings);

// Reads the administrator's policy again, after the start delay, in which
// Group Policy may have applied it: kSettingsOff when it turns the checks
// off now; an "Interval" in range replaces the run's interval. (An interval
// that the policy fixed at the start stays when it is gone now.)
SettingsVerdict ReadPolicyAgain(UpdateSettings& settings);

// A REG_DWORD value, as the notifier reads every one of its values (its
// settings, the policy, the schedules, the system's switches): with a
// 4-byte buffer. Absent also when its data does not fit in 4 bytes; wrong
// type when present but not REG_DWORD. dwValue is set only when present.
enum SettingState { kSettingAbsent, kSettingWrongType, kSettingZero, kSettingPresent };
SettingState ReadSetting(CRegistry& key, const char* pszName, DWORD& dwValue);
// Present but of no use as a count or a time: 0, or not a REG_DWORD.
inline bool IsUnusable(SettingState state)
{
    return state == kSettingZero || state == kSettingWrongType;
}
