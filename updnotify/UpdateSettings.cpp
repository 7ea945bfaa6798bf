#include "UpdateSettings.h"

#include "Registry.h"

// The build fixes where the version query goes: the production build the
// vendor's server, test and demo builds a server on this machine.
#ifndef UPDNOTIFY_SERVER_HOST
#error UPDNOTIFY_SERVER_HOST must be defined by the build
#endif
#ifndef UPDNOTIFY_SERVER_PORT
#error UPDNOTIFY_SERVER_PORT must be defined by the build
#endif
#if !defined(UPDNOTIFY_SERVER_TLS) || !defined(UPDNOTIFY_DOWNLOAD_HOSTS) || !defined(UPDNOTIFY_OFFER_KEY_COUNT)
#error UPDNOTIFY_SERVER_TLS, UPDNOTIFY_DOWNLOAD_HOSTS and UPDNOTIFY_OFFER_KEY_COUNT must be defined by the build
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

} // namespace

const char kPolicyKey[] = "Software\\Policies\\Brantlow\\Updates";
const char kPolicyEnabled[] = "Enabled";
const char kPolicyInterval[] = "Interval";

UpdateSettings::UpdateSettings()
    : appName("Brantlow Update"),
      serverHost(UPDNOTIFY_SERVER_HOST),
      serverPort(UPDNOTIFY_SERVER_PORT),
      serverTls(UPDNOTIFY_SERVER_TLS != 0),
      offerKeys(kBuiltInOfferKeys),
      downloadHosts(UPDNOTIFY_DOWNLOAD_HOSTS),
      queryTimeout(15),
      startDelay(0),
      checkInterval(28 * 86400),
      interactive(TRUE),
      forceCheck(FALSE),
      autodialEnabled(FALSE),
      proxyPort(0),
      product(0)
{
    helpFile[0] = '\0';
    proxyHost[0] = '\0';
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
