// The notifier's settings for one run.
#pragma once

#include <windows.h>

#include "OfferSignature.h"

class CRegistry;

// The administrator's policy: read-only, machine-wide, shared by 32-bit and
// 64-bit programs. "Enabled" 0 turns the checks off for every user;
// "Interval" from 1 to kMaxPolicyInterval days replaces the user's own.
extern const char kPolicyKey[];
extern const char kPolicyEnabled[];
extern const char kPolicyInterval[];
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

// A REG_DWORD setting, as the notifier reads every one of its settings (the
// user's, the administrator's policy, the proxy switch): read with a 4-byte
// buffer. Absent also when its data does not fit in 4 bytes; invalid when
// present but not REG_DWORD, or 0.
enum SettingState { kSettingAbsent, kSettingInvalid, kSettingPresent };
SettingState ReadSetting(CRegistry& key, const char* pszName, DWORD& dwValue);
