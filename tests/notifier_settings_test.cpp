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

// Each row: a command line and the settings it gives; -1 is not checked.
// Names are case-blind prefixes of at least three letters after "/" or "-"
// ("set" is SETUP, the first in table order); shorter ones are skipped,
// unknown words fail the line. Later switches override earlier ones;
// PRODUCT's value is a signed decimal, and PRODUCT with ":" also undoes
// STARTUP's delay and silence. Words are split at every kind of blank.
TEST(CommandLine, SwitchesAndTheirEffects)
{
    const long long kAny = -1;
    const struct
    {
        const char* line;
        long long ok, delay, interactive, force, product, interval;
    } rows[] = {
        // No switches keep the defaults.
        {"", TRUE, 0, TRUE, FALSE, 0, 2419200},
        {"   \t\r\n ", TRUE, 0, TRUE, FALSE, 0, 2419200},
        {nullptr, TRUE, 0, TRUE, FALSE, 0, 2419200},
        // Each option's effect.
        {"/STARTUP", TRUE, 300000, FALSE, FALSE, kAny, kAny},
        {"-debug", kAny, 0, TRUE, TRUE, kAny, kAny},
        {"/SETUP", kAny, kAny, kAny, TRUE, kAny, kAny},
        {"/STARTUP /PRODUCT:17", kAny, 0, TRUE, kAny, 17, kAny},
        {"/TIMEOUT:30", TRUE, 0, TRUE, FALSE, kAny, kAny},
        // Later switches override earlier ones.
        {"/STARTUP /SETUP", kAny, 0, FALSE, TRUE, kAny, kAny},
        {"/SETUP /STARTUP", kAny, 300000, FALSE, TRUE, kAny, kAny},
        // Names.
        {"/prod:3", kAny, kAny, kAny, kAny, 3, kAny},
        {"-PRODUCT:3", kAny, kAny, kAny, kAny, 3, kAny},
        {"/Produc:3", kAny, kAny, kAny, kAny, 3, kAny},
        {"/products:3", FALSE, kAny, kAny, kAny, kAny, kAny},
        {"/deb", kAny, kAny, kAny, TRUE, kAny, kAny},
        {"/set", kAny, 0, kAny, TRUE, kAny, kAny},
        {"/sta", kAny, 300000, kAny, kAny, kAny, kAny},
        {"/tim", kAny, 0, kAny, kAny, kAny, kAny},
        // Short names are skipped, unknown words fail, also after a good one.
        {"/de /x - / /:5 -st:1", TRUE, 0, kAny, FALSE, kAny, kAny},
        {"/xyz", FALSE, kAny, kAny, kAny, kAny, kAny},
        {"setup", FALSE, kAny, kAny, kAny, kAny, kAny},
        {"/SETUP \"/DEBUG\"", FALSE, kAny, kAny, kAny, kAny, kAny},
        {"/STARTUP bogus", FALSE, kAny, kAny, kAny, kAny, kAny},
        // The product's value.
        {"/PRODUCT:42abc", kAny, kAny, kAny, kAny, 42, kAny},
        {"/PRODUCT:abc", kAny, kAny, kAny, kAny, 0, kAny},
        {"/PRODUCT:-1", kAny, kAny, kAny, kAny, 0xFFFFFFFFLL, kAny},
        {"/PRODUCT:+7", kAny, kAny, kAny, kAny, 7, kAny},
        // An empty value still has the option's other effects; without ":"
        // the switch is ignored altogether.
        {"/STARTUP /PRODUCT:", kAny, 0, TRUE, kAny, 0, kAny},
        {"/STARTUP /PRODUCT", TRUE, 300000, FALSE, kAny, kAny, kAny},
        // Every kind of blank splits words.
        {"\t/SETUP\v/PRODUCT:9\f/STARTUP\r\n", TRUE, 300000, kAny, TRUE, 9, kAny},
    };
    for (const auto& row : rows)
    {
        Parsed p = Parse(row.line);
        std::string name = row.line ? "\"" + std::string(row.line) + "\"" : "no command line";
        if (row.ok != kAny)
        {
            EXPECT_EQ(!!row.ok, !!p.ok) << name;
        }
        if (row.delay != kAny)
        {
            EXPECT_EQ((DWORD)row.delay, p.s.startDelay) << name;
        }
        if (row.interactive != kAny)
        {
            EXPECT_EQ(!!row.interactive, !!p.s.interactive) << name;
        }
        if (row.force != kAny)
        {
            EXPECT_EQ(!!row.force, !!p.s.forceCheck) << name;
        }
        if (row.product != kAny)
        {
            EXPECT_EQ((DWORD)row.product, p.s.product) << name;
        }
        if (row.interval != kAny)
        {
            EXPECT_EQ((DWORD)row.interval, p.s.checkInterval) << name;
        }
    }
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
