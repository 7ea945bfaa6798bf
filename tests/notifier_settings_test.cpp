// The notifier's command line and the arithmetic and reading rules of a
// product's schedule.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "CommandLine.h"
#include "ProductSchedule.h"
#include "UpdateAddress.h"
#include "UpdateAnswer.h"
#include "Registry.h"

namespace
{

struct Parsed
{
    BOOL ok;
    UpdateSettings s;
};

Parsed Parse(const char* pszLine)
{
    Parsed p;
    p.ok = ApplyCommandLine(pszLine, p.s);
    return p;
}

} // namespace

TEST(CommandLine, NoSwitchesKeepTheDefaults)
{
    for (const char* psz : {"", "   \t\r\n ", static_cast<const char*>(nullptr)})
    {
        Parsed p = Parse(psz);
        EXPECT_TRUE(p.ok);
        EXPECT_EQ(p.s.startDelay, 0u);
        EXPECT_TRUE(p.s.interactive);
        EXPECT_FALSE(p.s.forceCheck);
        EXPECT_EQ(p.s.product, 0u);
        EXPECT_EQ(p.s.checkInterval, 2419200u);
    }
}

TEST(CommandLine, EachOptionHasItsEffect)
{
    Parsed p = Parse("/STARTUP");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.s.startDelay, 300000u);
    EXPECT_FALSE(p.s.interactive);
    EXPECT_FALSE(p.s.forceCheck);

    p = Parse("-debug");
    EXPECT_EQ(p.s.startDelay, 0u);
    EXPECT_TRUE(p.s.forceCheck);
    EXPECT_TRUE(p.s.interactive);

    p = Parse("/SETUP");
    EXPECT_TRUE(p.s.forceCheck);

    p = Parse("/STARTUP /PRODUCT:17");
    EXPECT_EQ(p.s.product, 17u);
    EXPECT_EQ(p.s.startDelay, 0u);
    EXPECT_TRUE(p.s.interactive);

    p = Parse("/TIMEOUT:30");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.s.startDelay, 0u);
    EXPECT_TRUE(p.s.interactive);
    EXPECT_FALSE(p.s.forceCheck);
}

TEST(CommandLine, LaterSwitchesOverrideEarlierOnes)
{
    Parsed p = Parse("/STARTUP /SETUP");
    EXPECT_EQ(p.s.startDelay, 0u);
    EXPECT_FALSE(p.s.interactive);
    EXPECT_TRUE(p.s.forceCheck);

    p = Parse("/SETUP /STARTUP");
    EXPECT_EQ(p.s.startDelay, 300000u);
    EXPECT_FALSE(p.s.interactive);
    EXPECT_TRUE(p.s.forceCheck);
}

TEST(CommandLine, NamesAreCaseBlindPrefixesOfAtLeastThreeLetters)
{
    EXPECT_EQ(Parse("/prod:3").s.product, 3u);
    EXPECT_EQ(Parse("-PRODUCT:3").s.product, 3u);
    EXPECT_EQ(Parse("/Produc:3").s.product, 3u);
    EXPECT_FALSE(Parse("/products:3").ok);
    EXPECT_TRUE(Parse("/deb").s.forceCheck);
    // "set" is SETUP, the first in table order; "sta" is STARTUP.
    EXPECT_TRUE(Parse("/set").s.forceCheck);
    EXPECT_EQ(Parse("/set").s.startDelay, 0u);
    EXPECT_EQ(Parse("/sta").s.startDelay, 300000u);
    EXPECT_EQ(Parse("/tim").s.startDelay, 0u);
}

TEST(CommandLine, ShortNamesAreSkippedUnknownWordsFail)
{
    Parsed p = Parse("/de /x - / /:5 -st:1");
    EXPECT_TRUE(p.ok);
    EXPECT_FALSE(p.s.forceCheck);
    EXPECT_EQ(p.s.startDelay, 0u);

    EXPECT_FALSE(Parse("/xyz").ok);
    EXPECT_FALSE(Parse("setup").ok);
    EXPECT_FALSE(Parse("/SETUP \"/DEBUG\"").ok);
    // A bad word after a good one still fails the line.
    EXPECT_FALSE(Parse("/STARTUP bogus").ok);
}

TEST(CommandLine, ProductValueIsASignedDecimal)
{
    EXPECT_EQ(Parse("/PRODUCT:42abc").s.product, 42u);
    EXPECT_EQ(Parse("/PRODUCT:abc").s.product, 0u);
    EXPECT_EQ(Parse("/PRODUCT:-1").s.product, 0xFFFFFFFFu);
    EXPECT_EQ(Parse("/PRODUCT:+7").s.product, 7u);

    // An empty value still selects the option's other effects.
    Parsed p = Parse("/STARTUP /PRODUCT:");
    EXPECT_EQ(p.s.product, 0u);
    EXPECT_EQ(p.s.startDelay, 0u);
    EXPECT_TRUE(p.s.interactive);

    // Without ":" the switch is ignored altogether.
    p = Parse("/STARTUP /PRODUCT");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.s.startDelay, 300000u);
    EXPECT_FALSE(p.s.interactive);
}

TEST(CommandLine, WordsAreSplitAtEveryKindOfBlank)
{
    Parsed p = Parse("\t/SETUP\v/PRODUCT:9\f/STARTUP\r\n");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.s.product, 9u);
    EXPECT_EQ(p.s.startDelay, 300000u);
    EXPECT_TRUE(p.s.forceCheck);
}

TEST(ProductKeyAndName, KeyPathAndDisplayName)
{
    char sz[260];
    FormatProductKey("Widget", "Standard", 6, 50, sz, sizeof(sz));
    EXPECT_STREQ(sz, "Software\\Brantlow\\Updates\\Widget Standard\\6.5");
    FormatProductKey("Widget", "", 6, 5, sz, sizeof(sz));
    EXPECT_STREQ(sz, "Software\\Brantlow\\Updates\\Widget\\6.5");
    FormatProductKey("Widget", "", 6, 0, sz, sizeof(sz));
    EXPECT_STREQ(sz, "Software\\Brantlow\\Updates\\Widget\\6.0");
    FormatDisplayName("Widget", "", 6, 50, sz, sizeof(sz));
    EXPECT_STREQ(sz, "Widget 6.5 ");
    FormatDisplayName("Widget", "Pro", 6, 25, sz, sizeof(sz));
    EXPECT_STREQ(sz, "Widget 6.25 Pro");

    // Cut to the buffer, always terminated.
    char szSmall[12];
    memset(szSmall, 'X', sizeof(szSmall));
    FormatDisplayName("A very long product name", "Edition", 1, 0, szSmall, 8);
    EXPECT_STREQ(szSmall, "A very ");
    EXPECT_EQ(szSmall[8], 'X');
}

TEST(ScheduleArithmetic, IntervalsAndTimesSaturateInsteadOfWrapping)
{
    EXPECT_EQ(IntervalSeconds(28), 2419200u);
    EXPECT_EQ(IntervalSeconds(7), 604800u);
    EXPECT_EQ(IntervalSeconds(49710), 4294944000u);
    EXPECT_EQ(IntervalSeconds(49711), 0xFFFFFFFFu);     // would wrap to 30704
    EXPECT_EQ(IntervalSeconds(0xFFFFFFFFu), 0xFFFFFFFFu);

    EXPECT_EQ(AddToTime(1000, 2592000), 2593000u);
    EXPECT_EQ(AddToTime(0xF0000000u, 0x20000000u), 0xFFFFFFFEu);
    EXPECT_EQ(AddToTime(0xFFFFFFF0u, 0x0Fu), 0xFFFFFFFEu);  // never "never"
    EXPECT_EQ(AddToTime(0xFFFFFFF0u, 0x0Du), 0xFFFFFFFDu);
}

TEST(ScheduleArithmetic, DialogResultChoosesTheNextCheck)
{
    const DWORD t = 1765000000;
    EXPECT_EQ(NextCheckAfter(kAnswerOk, t, 604800), 0xFFFFFFFFu);
    EXPECT_EQ(NextCheckAfter(kAnswerCheckLater, t, 604800), t + 2592000);
    EXPECT_EQ(NextCheckAfter(kAnswerCancel, t, 604800), t + 604800);
    EXPECT_EQ(NextCheckAfter(-1, t, 2419200), t + 2419200);
    EXPECT_EQ(NextCheckAfter(kAnswerCheckLater, 0xFFFF0000u, 604800), 0xFFFFFFFEu);
}

TEST(ScheduleArithmetic, DueTest)
{
    EXPECT_TRUE(IsDue(FALSE, 100, 0, 0));           // never checked
    EXPECT_TRUE(IsDue(FALSE, 100, 50, 0));
    EXPECT_TRUE(IsDue(FALSE, 100, 0, 200));
    EXPECT_FALSE(IsDue(FALSE, 100, 50, 200));       // scheduled
    EXPECT_TRUE(IsDue(FALSE, 200, 50, 200));        // reached
    EXPECT_FALSE(IsDue(FALSE, 0xFFFFFFFEu, 50, 0xFFFFFFFFu));  // never again
    EXPECT_TRUE(IsDue(TRUE, 100, 50, 0xFFFFFFFFu)); // unless forced
}

TEST(UpdateUrl, OnlyAbsoluteWebAddressesAreOpened)
{
    EXPECT_TRUE(IsOpenableUpdateUrl("http://downloads.brantlow.example/mail650.exe"));
    EXPECT_TRUE(IsOpenableUpdateUrl("HTTPS://downloads.brantlow.example/a?b=c&d=e"));
    EXPECT_TRUE(IsOpenableUpdateUrl("Http://host"));
    EXPECT_TRUE(IsOpenableUpdateUrl("http://user@host:8080/x#top"));

    for (const char* psz : {"", "file:///C:/Windows/System32/calc.exe", "C:\\Windows\\calc.exe",
                            "\\\\server\\share\\setup.exe", "javascript:alert(1)",
                            " http://host/", "http:/host", "http://", "https:///path",
                            "http://host/a b", "http://host/\tx", "http://host/\x7f",
                            "http://host/\"--flag", "ftp://host/file", "httpx://host",
                            // No host before the path, query or fragment.
                            "http://?x", "http://#top", "https://\\server\\share",
                            "http://user@/path", "http://:8080/", "http://user@:80"})
        EXPECT_FALSE(IsOpenableUpdateUrl(psz)) << psz;
    EXPECT_FALSE(IsOpenableUpdateUrl(nullptr));
}

TEST(SettingValues, ReadingRule)
{
    const char* pszPath = "Software\\Brantlow\\Tests\\SettingValues";
    RegDeleteTreeA(HKEY_CURRENT_USER, pszPath);
    CRegistry key;
    ASSERT_TRUE(key.CreateKey(HKEY_CURRENT_USER, pszPath));
    DWORD dw = 7;
    key.SetValue("Seven", (const BYTE*)&dw, 4, REG_DWORD);
    dw = 0;
    key.SetValue("Zero", (const BYTE*)&dw, 4, REG_DWORD);
    key.SetValue("Text", (const BYTE*)"7", 2, REG_SZ);
    key.SetValue("Long", (const BYTE*)"12345678", 8, REG_BINARY);
    key.SetValue("Binary4", (const BYTE*)"\x01\x00\x00\x00", 4, REG_BINARY);

    DWORD dwValue = 99;
    EXPECT_EQ(ReadSetting(key, "Seven", dwValue), kSettingPresent);
    EXPECT_EQ(dwValue, 7u);
    dwValue = 99;
    EXPECT_EQ(ReadSetting(key, "Missing", dwValue), kSettingAbsent);
    EXPECT_EQ(ReadSetting(key, "Long", dwValue), kSettingAbsent);   // does not fit
    EXPECT_EQ(ReadSetting(key, "Zero", dwValue), kSettingInvalid);
    EXPECT_EQ(ReadSetting(key, "Text", dwValue), kSettingInvalid);
    EXPECT_EQ(ReadSetting(key, "Binary4", dwValue), kSettingInvalid);
    EXPECT_EQ(dwValue, 99u);
    key.Close();
    RegDeleteTreeA(HKEY_CURRENT_USER, pszPath);
}
