// CRegistry on a throw-away key under HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "Registry.h"

namespace
{

// A key of this test's own, removed before and after each test.
class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
        m_root = std::string("Software\\Brantlow\\Tests\\Registry\\") + pInfo->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, m_root.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, m_root.c_str()); }

    std::string Path(const char* pszSub) const { return m_root + "\\" + pszSub; }

    bool Exists(const char* pszSub) const
    {
        HKEY hKey;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(pszSub).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return false;
        RegCloseKey(hKey);
        return true;
    }

    std::string m_root;
};

DWORD ReadDword(CRegistry& reg, const char* pszName, DWORD dwDefault = 0xDEADBEEF)
{
    DWORD dwType = 0, dwValue = dwDefault, cb = sizeof(dwValue);
    if (!reg.QueryValue(pszName, &dwType, (BYTE*)&dwValue, &cb) || dwType != REG_DWORD)
        return dwDefault;
    return dwValue;
}

bool WriteDword(CRegistry& reg, const char* pszName, DWORD dwValue)
{
    return reg.SetValue(pszName, (const BYTE*)&dwValue, sizeof(dwValue), REG_DWORD) != FALSE;
}

} // namespace

TEST_F(RegistryTest, CreateKeyCreatesMissingKeysAndValuesRoundTrip)
{
    CRegistry reg;
    EXPECT_FALSE(Exists("a\\b"));
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("a\\b").c_str()));
    EXPECT_TRUE(Exists("a\\b"));
    EXPECT_TRUE(WriteDword(reg, "NextCheck", 0xFFFFFFFFu));
    EXPECT_EQ(ReadDword(reg, "NextCheck"), 0xFFFFFFFFu);
    // Opening it again finds the value.
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("a\\b").c_str()));
    EXPECT_EQ(ReadDword(reg, "NextCheck"), 0xFFFFFFFFu);
    EXPECT_TRUE(reg.Close());
}

TEST_F(RegistryTest, EmptySubkeyFailsAndKeepsTheOpenKey)
{
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("kept").c_str()));
    EXPECT_FALSE(reg.CreateKey(HKEY_CURRENT_USER, ""));
    EXPECT_FALSE(reg.CreateKey(HKEY_CURRENT_USER, nullptr));
    EXPECT_FALSE(reg.OpenKey(HKEY_CURRENT_USER, "", KEY_READ));
    ASSERT_TRUE(reg.IsOpen());
    EXPECT_TRUE(WriteDword(reg, "Still", 7));
    EXPECT_EQ(ReadDword(reg, "Still"), 7u);
}

TEST_F(RegistryTest, FailedOpenLeavesNoKeyOpenEvenWhenOneWas)
{
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("first").c_str()));
    EXPECT_FALSE(reg.OpenKey(HKEY_CURRENT_USER, Path("missing").c_str(), KEY_READ));
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_FALSE(Exists("missing"));
    EXPECT_FALSE(WriteDword(reg, "x", 1));
}

TEST_F(RegistryTest, OpenKeyHonoursTheAccessMask)
{
    {
        CRegistry setup;
        ASSERT_TRUE(setup.CreateKey(HKEY_CURRENT_USER, Path("ro").c_str()));
        ASSERT_TRUE(WriteDword(setup, "Enabled", 1));
    }
    CRegistry reg;
    ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, Path("ro").c_str(), KEY_READ));
    EXPECT_EQ(ReadDword(reg, "Enabled"), 1u);
    EXPECT_FALSE(WriteDword(reg, "Enabled", 2));
    EXPECT_EQ(ReadDword(reg, "Enabled"), 1u);
}

TEST_F(RegistryTest, SecondCreateKeySwitchesToTheNewKey)
{
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("one").c_str()));
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("two").c_str()));
    ASSERT_TRUE(WriteDword(reg, "Here", 2));
    CRegistry check;
    ASSERT_TRUE(check.OpenKey(HKEY_CURRENT_USER, Path("one").c_str(), KEY_READ));
    EXPECT_EQ(ReadDword(check, "Here", 0), 0u);
    ASSERT_TRUE(check.OpenKey(HKEY_CURRENT_USER, Path("two").c_str(), KEY_READ));
    EXPECT_EQ(ReadDword(check, "Here", 0), 2u);
}

TEST_F(RegistryTest, QueryOfMissingValueOrIntoShortBufferFails)
{
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("q").c_str()));
    DWORD dwType = 0, dwValue = 0, cb = sizeof(dwValue);
    EXPECT_FALSE(reg.QueryValue("Missing", &dwType, (BYTE*)&dwValue, &cb));

    const char szText[] = "not a number";
    ASSERT_TRUE(reg.SetValue("Text", (const BYTE*)szText, sizeof(szText), REG_SZ));
    cb = sizeof(dwValue);
    EXPECT_FALSE(reg.QueryValue("Text", &dwType, (BYTE*)&dwValue, &cb));
    EXPECT_EQ(cb, sizeof(szText));  // the size needed

    // A value that fits reports its own type, for the caller to check.
    cb = sizeof(dwValue);
    ASSERT_TRUE(reg.SetValue("Short", (const BYTE*)"ab", 3, REG_SZ));
    EXPECT_TRUE(reg.QueryValue("Short", &dwType, (BYTE*)&dwValue, &cb));
    EXPECT_EQ(dwType, (DWORD)REG_SZ);
    EXPECT_EQ(cb, 3u);
}

TEST_F(RegistryTest, ClosedWrapperFailsWithoutTouchingArguments)
{
    CRegistry reg;
    DWORD dwType = 0xA5A5A5A5, cb = 0x5A5A5A5A;
    BYTE abData[8];
    memset(abData, 0xCC, sizeof(abData));
    EXPECT_FALSE(reg.QueryValue("x", &dwType, abData, &cb));
    EXPECT_EQ(dwType, 0xA5A5A5A5u);
    EXPECT_EQ(cb, 0x5A5A5A5Au);
    for (BYTE b : abData)
        EXPECT_EQ(b, 0xCC);
    EXPECT_FALSE(reg.SetValue("x", abData, 4, REG_DWORD));

    // The same after a close.
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("c").c_str()));
    EXPECT_TRUE(reg.Close());
    EXPECT_FALSE(reg.QueryValue("x", &dwType, abData, &cb));
    EXPECT_EQ(dwType, 0xA5A5A5A5u);
    EXPECT_EQ(cb, 0x5A5A5A5Au);
    EXPECT_FALSE(reg.SetValue("x", abData, 4, REG_DWORD));
}

TEST_F(RegistryTest, CloseSucceedsTwice)
{
    CRegistry reg;
    EXPECT_TRUE(reg.Close());
    ASSERT_TRUE(reg.CreateKey(HKEY_CURRENT_USER, Path("d").c_str()));
    EXPECT_TRUE(reg.Close());
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_TRUE(reg.Close());
}
