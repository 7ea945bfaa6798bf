#include "UpdateSettings.h"

#include "ProductSchedule.h"
#include "ProxySettings.h"
#include "Registry.h"
#include "RegistryNames.h"

// The build fixes where the version query goes: the production build the
// vendor's server, test and demo builds a server on this machine.
#ifndef UPDNOTIFY_SERVER_HOST
#error UPDNOTIFY_SERVER_HOST must be defined by the build
#endif
#ifndef UPDNOTIFY_SERVER_PORT
#error UPDNOTIFY_SERVER_PORT must be defined by the build
#endif

namespace
{

// Policies live in the machine's one shared key: a 32-bit program asks for
// the 64-bit view, where an administrator's tools write them.
const REGSAM kPolicyAccess = KEY_READ | KEY_WOW64_64KEY;

// The administrator's policy: it can turn the checks off or fix the
// interval, never turn checks on that the user turned off. bInterval: the
// policy fixed the interval, so the user's is not read.
SettingsVerdict ReadPolicy(UpdateSettings& settings, bool& bInterval)
{
    bInterval = false;
    CRegistry key;
    if (!key.OpenKey(HKEY_LOCAL_MACHINE, kPolicyKey, kPolicyAccess))
        return kSettingsRun;
    DWORD dwValue = 0;
    if (ReadSetting(key, kEnabledValue, dwValue) == kSettingZero)
        return kSettingsOff;
    if (ReadSetting(key, kIntervalValue, dwValue) == kSettingPresent &&
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
    switch (ReadSetting(key, kEnabledValue, dwValue))
    {
    case kSettingZero:
        return kSettingsOff;
    case kSettingWrongType:
        return kSettingsInvalid;
    case kSettingAbsent:
    case kSettingPresent:
        break;
    }
    if (bPolicyInterval)
        return kSettingsRun;
    switch (ReadSetting(key, kIntervalValue, dwValue))
    {
    case kSettingZero:
    case kSettingWrongType:
        return kSettingsInvalid;
    case kSettingPresent:
        settings.checkInterval = IntervalSeconds(dwValue);
        break;
    case kSettingAbsent:
        break;
    }
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
        ReadProxyFor(key, settings.serverHost, settings.proxyHost, sizeof(settings.proxyHost),
                     settings.proxyPort);
}

} // namespace

UpdateSettings::UpdateSettings()
    : appName("Brantlow Update"),
      serverHost(UPDNOTIFY_SERVER_HOST),
      serverPort(UPDNOTIFY_SERVER_PORT),
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

SettingState ReadSetting(CRegistry& key, const char* pszName, DWORD& dwValue)
{
    DWORD dwType = 0;
    DWORD dwData = 0;
    DWORD cbData = sizeof(dwData);
    if (!key.QueryValue(pszName, &dwType, (BYTE*)&dwData, &cbData))
        return kSettingAbsent;      // missing, or more than 4 bytes of data
    if (dwType != REG_DWORD)
        return kSettingWrongType;
    if (dwData == 0)
        return kSettingZero;
    dwValue = dwData;
    return kSettingPresent;
}
