// Every registry key path and value name that the notifier reads or writes.
// The product records that the catalogue reads are the catalogue's own
// (catalogue/CatalogueText.h).
#pragma once

// HKEY_CURRENT_USER: the user's settings, "Enabled" and "Interval" (days).
// Each product's schedule lives in a subkey of it,
// "<name>[ <edition>]\<major>.<short minor>" (ProductSchedule.h), with
// "Enabled", "LastCheck" and "NextCheck".
inline constexpr char kSettingsKey[] = "Software\\Brantlow\\Updates";
inline constexpr char kEnabledValue[] = "Enabled";
inline constexpr char kIntervalValue[] = "Interval";
inline constexpr char kLastCheckValue[] = "LastCheck";
inline constexpr char kNextCheckValue[] = "NextCheck";

// HKEY_LOCAL_MACHINE, read-only: the administrator's policy, "Enabled" and
// "Interval" as above.
inline constexpr char kPolicyKey[] = "Software\\Policies\\Brantlow\\Updates";

// The system's Internet Settings, read-only: under HKEY_CURRENT_USER the
// autodial switch and the user's proxy; under HKEY_LOCAL_MACHINE the
// machine's proxy.
inline constexpr char kInternetSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline constexpr char kAutodialValue[] = "EnableAutodial";
inline constexpr char kProxyEnableValue[] = "ProxyEnable";
inline constexpr char kProxyServerValue[] = "ProxyServer";
inline constexpr char kProxyOverrideValue[] = "ProxyOverride";
// HKEY_LOCAL_MACHINE, read-only: 0 gives every user the machine's proxy.
inline constexpr char kInternetPolicyKey[] =
    "Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline constexpr char kProxyPerUserValue[] = "ProxySettingsPerUser";
