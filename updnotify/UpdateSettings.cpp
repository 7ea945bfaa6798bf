#include "UpdateSettings.h"

#include "ProductSchedule.h"
#include "ProxySettings.h"
#include "Registry.h"
#include "RegistryNames.h"
#include "Text.h"

// The build fixes where the version query goes: the production build the
// vendor's server, test and demo builds a server on this machine.
#ifndef UPDNOTIFY_SERVER_HOST
#error UPDNOTIFY_SERVER_HOST must be defined by the build
#endif
#ifndef UPDNOTIFY_SERVER_PORT
#error UPDNOTIFY_SERVER_PORT must be defined by the build
#endif
#if !defined(UPDNOTIFY_SERVER_TLS) || !defined(UPDNOTIFY_DOWNLOAD_HOSTS) || \
    !defined(UPDNOTIFY_OFFER_KEY_COUNT)
#error UPDNOTIFY_SERVER_TLS, UPDNOTIFY_DOWNLOAD_HOSTS, UPDNOTIFY_OFFER_KEY_COUNT: defined by the build
#endif

namespace
{

// The offer-signing public keys (UPDNOTIFY_OFFER_KEYS: the points' bytes).
#if UPDNOTIFY_OFFER_KEY_COUNT > 0
const BYTE kOfferKeys[UPDNOTIFY_OFFER_KEY_COUNT][kOfferKeySize] = {UPDNOTIFY_OFFER_KEYS};
const OfferKeys kBuiltInOfferKeys = {kOfferKeys, UPDNOTIFY_OFFER_KEY_COUNT};
#else
const OfferKeys kBuiltInOfferKeys = {nullptr, 0};
#endif

// Policies live in the machine's one shared key: a 32-bit program asks for
// the 64-bit view, where an administrator's tools write them.
const REGSAM kPolicyAccess = KEY_READ | KEY_WOW64_64KEY;

// A policy value as an administrator may have written it: a REG_DWORD, or
// a REG_SZ of decimal digits, read as that number ("reg add" without "/t"
// writes REG_SZ). Unreadable: present, but neither of these.
enum PolicyValue { kPolicyAbsent, kPolicyUnreadable, kPolicyNumber };

PolicyValue ReadPolicyValue(CRegistry& key, const char* pszName, DWORD& dwValue)
{
    DWORD dwType = 0;
    DWORD cbData = 0;
    if (!key.QueryValue(pszName, &dwType, nullptr, &cbData))
        return kPolicyAbsent;
    // Room for a REG_DWORD, or up to 15 digits and a terminator.
    char achData[16];
    if (cbData > sizeof(achData) ||
        !key.QueryValue(pszName, &dwType, reinterpret_cast<BYTE*>(achData), &cbData))
        return kPolicyUnreadable;
    if (dwType == REG_DWORD && cbData == sizeof(DWORD))
    {
        CopyMemory(&dwValue, achData, sizeof(DWORD));
        return kPolicyNumber;
    }
    int nLength = static_cast<int>(cbData);
    if (nLength > 0 && achData[nLength - 1] == '\0')
        --nLength;  // the stored terminator
    if (dwType == REG_SZ && ParseDigits(achData, nLength, dwValue))
        return kPolicyNumber;
    return kPolicyUnreadable;
}

// The administrator's policy: it can turn the checks off or fix the
// interval, never turn checks on that the user turned off. An "Enabled"
// that is there but cannot be read turns them off, as the administrator
// meant to say something; an "Interval" that cannot be read, or is out of
// range, is ignored. bInterval: the policy fixed the interval, so the
// user's is not read.
SettingsVerdict ReadPolicy(UpdateSettings& settings, bool& bInterval)
{
    bInterval = false;
    CRegistry key;
    if (!key.OpenKey(HKEY_LOCAL_MACHINE, kPolicyKey, kPolicyAccess))
        return kSettingsRun;
    DWORD dwValue = 0;
    switch (ReadPolicyValue(key, kEnabledValue, dwValue))
    {
    case kPolicyUnreadable:
        return kSettingsOff;
    case kPolicyNumber:
        if (dwValue == 0)
            return kSettingsOff;
        break;
    case kPolicyAbsent:
        break;
    }
    if (ReadPolicyValue(key, kIntervalValue, dwValue) == kPolicyNumber &&
        dwValue >= kMinPolicyInterval && dwValue <= kMaxPolicyInterval)
    {
        settings.checkInterval = dwValue * kSecondsPerDay;
        bInterval = true;
    }
    return kSettingsRun;
}

// The user's "Enabled" and "Interval". Reading creates the settings key
// when it is missing; a key that cannot be had leaves the defaults.
SettingsVerdict ReadUserSettings(UpdateSettings& settings, bool bPolicyInterval)
{
    CRegistry key;
    if (!key.CreateKey(HKEY_CURRENT_USER, kSettingsKey))
        return kSettingsRun;
    DWORD dwValue = 0;
    SettingState enabled = ReadSetting(key, kEnabledValue, dwValue);
    if (enabled == kSettingZero)
        return kSettingsOff;
    if (enabled == kSettingWrongType)
        return kSettingsInvalid;
    if (bPolicyInterval)
        return kSettingsRun;
    SettingState interval = ReadSetting(key, kIntervalValue, dwValue);
    if (IsUnusable(interval))
        return kSettingsInvalid;
    if (interval == kSettingPresent)
        settings.checkInterval = IntervalSeconds(dwValue);
    return kSettingsRun;
}

// Whether the system dials on demand: the user's "EnableAutodial" non-zero.
void ReadAutodial(UpdateSettings& settings)
{
    CRegistry key;
    DWORD dwValue = 0;
    if (key.OpenKey(HKEY_CURRENT_USER, kInternetSettingsKey, KEY_READ) &&
        ReadSetting(key, kAutodialValue, dwValue) == kSettingPresent)
        settings.autodialEnabled = TRUE;
}

// The proxy for the vendor's host: the user's own, unless the machine's
// policy says that every user has the machine's.
void ReadProxy(UpdateSettings& settings)
{
    HKEY hRoot = HKEY_CURRENT_USER;
    CRegistry key;
    DWORD dwValue = 0;
    if (key.OpenKey(HKEY_LOCAL_MACHINE, kInternetPolicyKey, kPolicyAccess) &&
        ReadSetting(key, kProxyPerUserValue, dwValue) == kSettingZero)
        hRoot = HKEY_LOCAL_MACHINE;
    if (key.OpenKey(hRoot, kInternetSettingsKey, KEY_READ))
        ReadProxyFor(key, settings.serverHost, settings.serverTls, settings.proxyHost,
                     sizeof(settings.proxyHost), settings.proxyPort);
}

} // namespace

UpdateSettings::UpdateSettings()
    : appName("Brantlow Update"),
      serverHost(UPDNOTIFY_SERVER_HOST),
      serverPort(UPDNOTIFY_SERVER_PORT),
      serverTls(UPDNOTIFY_SERVER_TLS != 0),
      offerKeys(kBuiltInOfferKeys),
      downloadHosts(UPDNOTIFY_DOWNLOAD_HOSTS),
      queryTimeout(15),
      startDelay(0),
      checkInterval(kDefaultInterval),
      interactive(TRUE),
      forceCheck(FALSE),
      autodialEnabled(FALSE),
      proxyPort(0),
      product(0)
{
    helpFile[0] = '\0';
    proxyHost[0] = '\0';
}

SettingsVerdict ReadUpdateSettings(UpdateSettings& settings)
{
    bool bPolicyInterval = false;
    SettingsVerdict verdict = ReadPolicy(settings, bPolicyInterval);
    if (verdict == kSettingsRun)
        verdict = ReadUserSettings(settings, bPolicyInterval);
    if (verdict != kSettingsRun)
        return verdict;
    ReadAutodial(settings);
    ReadProxy(settings);
    return kSettingsRun;
}

SettingsVerdict ReadPolicyAgain(UpdateSettings& settings)
{
    bool bInterval = false;
    return ReadPolicy(settings, bInterval);
}

SettingState ReadSetting(CRegistry& key, const char* pszName, DWORD& dwValue)
{
    DWORD dwType = 0;
    DWORD dwData = 0;
    DWORD cbData = sizeof(dwData);
    if (!key.QueryValue(pszName, &dwType, reinterpret_cast<BYTE*>(&dwData), &cbData))
        return kSettingAbsent;      // missing, or more than 4 bytes of data
    if (dwType != REG_DWORD)
        return kSettingWrongType;
    if (dwData == 0)
        return kSettingZero;
    dwValue = dwData;
    return kSettingPresent;
}
