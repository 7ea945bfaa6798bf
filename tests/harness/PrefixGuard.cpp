// Every GoogleTest program refuses to run anywhere but in the Wine prefix
// that tests/harness/wine-start.sh made ready for its tree: the tests
// create and delete keys of the machine and of the user (the policy, the
// proxy, the product records), which anywhere else are someone's settings.
// The harness marks the prefix with its own path; a program runs its tests
// only under Wine, in a prefix that carries the mark of the path it runs in.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace
{

const char kMarkKey[] = "Software\\Wine\\Brantlow Tests";
const char kMarkValue[] = "Prefix";

// Why the tests may not run here, or "" when they may.
std::string WhyNotHere()
{
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    if (hNtdll == nullptr || GetProcAddress(hNtdll, "wine_get_version") == nullptr)
        return "not running under Wine";
    char szPrefix[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("WINEPREFIX", szPrefix, sizeof(szPrefix));
    if (n == 0 || n >= sizeof(szPrefix))
        return "no WINEPREFIX names the prefix";
    char szMark[MAX_PATH] = "";
    DWORD cbMark = sizeof(szMark);
    if (RegGetValueA(HKEY_CURRENT_USER, kMarkKey, kMarkValue, RRF_RT_REG_SZ, nullptr, szMark,
                     &cbMark) != ERROR_SUCCESS)
        return std::string("the prefix ") + szPrefix + " was not made ready by tests/harness/wine-start.sh";
    if (lstrcmpA(szMark, szPrefix) != 0)
        return std::string("the prefix ") + szPrefix + " carries the mark of " + szMark;
    return "";
}

class PrefixGuard : public ::testing::Environment
{
public:
    void SetUp() override
    {
        std::string why = WhyNotHere();
        ASSERT_EQ(why, "") << "These tests write the registry; they run only in their tree's test prefix.";
    }
};

::testing::Environment* const g_pGuard = ::testing::AddGlobalTestEnvironment(new PrefixGuard);

} // namespace
