// The notifier's command line and the arithmetic and reading rules of a
// product's schedule.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "CommandLine.h"
#include "ProductSchedule.h"
#include "UpdateSettings.h"
#include "ProxySettings.h"
#include "UpdateAddress.h"
#include "UpdateAnswer.h"
#include "UpdateOffer.h"
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
    // A dialog that could not be shown, or ended another way, is Cancel.
    for (INT_PTR nEndCode : {-1, 0, 3, 4, 6})
        EXPECT_EQ(AnswerFromEndCode(nEndCode), kAnswerCancel) << nEndCode;
    EXPECT_EQ(AnswerFromEndCode(IDOK), kAnswerOk);
    EXPECT_EQ(AnswerFromEndCode(5), kAnswerCheckLater);
    EXPECT_EQ(NextCheckAfter(kAnswerCheckLater, 0xFFFF0000u, 604800), 0xFFFFFFFEu);
}

TEST(ScheduleArithmetic, DueTest)
{
    EXPECT_TRUE(IsDue(false, 100, {0, 0}));             // never checked
    EXPECT_TRUE(IsDue(false, 100, {50, 0}));
    EXPECT_TRUE(IsDue(false, 100, {0, 200}));
    EXPECT_FALSE(IsDue(false, 100, {50, 200}));         // scheduled
    EXPECT_TRUE(IsDue(false, 200, {50, 200}));          // reached
    EXPECT_FALSE(IsDue(false, 0xFFFFFFFEu, {50, 0xFFFFFFFFu}));    // never again
    EXPECT_TRUE(IsDue(true, 100, {50, 0xFFFFFFFFu}));   // unless forced
}

// Only https pages on the download hosts open; everything else that an
// impostor could write is refused.
TEST(UpdateUrl, OnlyPagesOnTheDownloadHostsAreOpened)
{
    const char* kHosts = "downloads.brantlow.example;*.cdn.brantlow.example";
    for (const char* psz : {"https://downloads.brantlow.example/mail650.exe",
                            "HTTPS://DOWNLOADS.Brantlow.Example/a?b=c&d=e",
                            "https://downloads.brantlow.example", "https://downloads.brantlow.example:443/x",
                            "https://downloads.brantlow.example#top", "https://eu.cdn.brantlow.example/x",
                            "https://a.b.cdn.brantlow.example/x"})
        EXPECT_TRUE(IsOpenableUpdateUrl(psz, kHosts)) << psz;

    for (const char* psz : {"", "http://downloads.brantlow.example/u.exe", "file:///C:/Windows/calc.exe",
                            "\\\\server\\share\\setup.exe", "javascript:alert(1)", "https:",
                            " https://downloads.brantlow.example/", "https://downloads.brantlow.example/a b",
                            "https://downloads.brantlow.example/\x7f", "https://downloads.brantlow.example/\"x",
                            // Hosts off the list, look-alikes included.
                            "https://downloads.brantlow.example.evil.test/", "https://evil-downloads.brantlow.example/",
                            "https://cdn.brantlow.example/", "https://www.brantlow.example/",
                            // Forms that name another host, or hide which one.
                            "https://downloads.brantlow.example@evil.test/", "https://user@downloads.brantlow.example/",
                            "https://downloads.brantlow.example./", "https://downloads%2ebrantlow.example/",
                            "https://downloads.brantlow.example:8443/", "https://downloads.brantlow.example:/",
                            "https://downloads.brantlow.example\\@evil.test/", "https://downloads..brantlow.example/",
                            "https://127.0.0.1/", "https://[::1]/", "https:///downloads.brantlow.example/"})
        EXPECT_FALSE(IsOpenableUpdateUrl(psz, kHosts)) << psz;
    // An address as an entry matches no IP literal either.
    EXPECT_FALSE(IsOpenableUpdateUrl("https://10.0.0.1/", "10.0.0.1"));
    EXPECT_FALSE(IsOpenableUpdateUrl(nullptr, kHosts));
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
    EXPECT_EQ(ReadSetting(key, "Zero", dwValue), kSettingZero);
    EXPECT_EQ(ReadSetting(key, "Text", dwValue), kSettingWrongType);
    EXPECT_EQ(ReadSetting(key, "Binary4", dwValue), kSettingWrongType);
    EXPECT_EQ(dwValue, 99u);
    key.Close();
    RegDeleteTreeA(HKEY_CURRENT_USER, pszPath);
}

namespace
{

// A registry value for a table row: absent, a number or a text (REG_SZ with
// its terminator, or without one), or any other type.
struct RegValue
{
    DWORD type;         // 0: absent
    std::string data;
    bool terminated;
};
RegValue None() { return {0, "", false}; }
RegValue Dword(DWORD dw) { return {REG_DWORD, std::string((const char*)&dw, 4), false}; }
RegValue Text(const std::string& text, DWORD type = REG_SZ) { return {type, text, true}; }
RegValue Unterminated(const std::string& text) { return {REG_SZ, text, false}; }

void Put(CRegistry& key, const char* pszName, const RegValue& value)
{
    if (value.type == 0)
        return;
    std::string data = value.data;
    if (value.terminated)
        data.push_back('\0');
    ASSERT_TRUE(key.SetValue(pszName, (const BYTE*)data.data(), (DWORD)data.size(), value.type));
}

} // namespace

TEST(ProxySettings, WhatTheRegistryValuesGive)
{
    const char* pszPath = "Software\\Brantlow\\Tests\\ProxySettings";
    const char* kHost = "updates.brantlow.example";
    const std::string longHost(252, 'p');
    struct Row
    {
        RegValue enable, server, bypass;
        const char* pszHost;
        std::string expected;   // "host:port", or "" for a direct connection
        bool https = false;     // the query goes by https
    } rows[] = {
        // For https the list's "https=" entry, else the one server.
        {Dword(1), Text("ftp=f.corp:21;http=web.corp:8080;HTTPS=s.corp:8443"), None(), kHost, "s.corp:8443", true},
        {Dword(1), Text("proxy.corp:3128"), None(), kHost, "proxy.corp:3128", true},
        {Dword(1), Text("https=s.corp"), None(), kHost, "s.corp:80", true},
        {Dword(1), Text("http=web.corp:8080"), None(), kHost, "", true},
        {Dword(1), Text("httpsx=s.corp:1;http=web.corp:2"), None(), kHost, "", true},
        {Dword(1), Text("https=s.corp:1"), Text("*.brantlow.example"), kHost, "", true},
        {Dword(1), Text("proxy.corp:3128"), None(), kHost, "proxy.corp:3128"},
        {Dword(1), Text("proxy.corp"), None(), kHost, "proxy.corp:80"},
        {Dword(1), Unterminated("10.0.0.1:8080"), None(), kHost, "10.0.0.1:8080"},
        {Dword(1), Text("ftp=f.corp:21;http=web.corp:8080;https=s.corp:443"), None(), kHost, "web.corp:8080"},
        {Dword(1), Text(" HTTP=web.corp:81 ; https=s.corp"), None(), kHost, "web.corp:81"},
        {Dword(1), Text("http=web.corp"), None(), kHost, "web.corp:80"},
        {Dword(1), Text("proxy.corp:65535"), None(), kHost, "proxy.corp:65535"},
        // The data may fill all but the last byte of the 256-byte buffer.
        {Dword(1), Text(longHost + ":1"), None(), kHost, longHost + ":1"},
        // Bad settings: a direct connection.
        {Dword(1), Text(longHost + ":12"), None(), kHost, ""},
        {Dword(0), Text("proxy.corp:3128"), None(), kHost, ""},
        {Text("1"), Text("proxy.corp:3128"), None(), kHost, ""},
        {None(), Text("proxy.corp:3128"), None(), kHost, ""},
        {Dword(1), None(), None(), kHost, ""},
        {Dword(1), Text(""), None(), kHost, ""},
        {Dword(1), Text("proxy.corp:3128", REG_EXPAND_SZ), None(), kHost, ""},
        {Dword(1), Text("https=s.corp:443;ftp=f.corp:21"), None(), kHost, ""},
        {Dword(1), Text("proxy.corp:0"), None(), kHost, ""},
        {Dword(1), Text("proxy.corp:65536"), None(), kHost, ""},
        {Dword(1), Text("proxy.corp:99999999999"), None(), kHost, ""},
        {Dword(1), Text("proxy.corp:"), None(), kHost, ""},
        {Dword(1), Text("proxy.corp:80a"), None(), kHost, ""},
        {Dword(1), Text("proxy.corp:+80"), None(), kHost, ""},
        {Dword(1), Text(":8080"), None(), kHost, ""},
        {Dword(1), Text("http://proxy.corp:8080"), None(), kHost, ""},
        {Dword(1), Text("a.corp:1;b.corp:2"), None(), kHost, ""},
        {Dword(1), Text("http=;https=s.corp:443"), None(), kHost, ""},
        // The bypass list, matched against the host as written.
        {Dword(1), Text("p:1"), Text("*.brantlow.example"), kHost, ""},
        {Dword(1), Text("p:1"), Text("UPDATES.Brantlow.EXAMPLE"), kHost, ""},
        {Dword(1), Text("p:1"), Text("*.corp; updates.* ;"), kHost, ""},
        {Dword(1), Text("p:1"), Text("*"), kHost, ""},
        {Dword(1), Text("p:1"), Text("up*tes.*.ex*le"), kHost, ""},
        {Dword(1), Text("p:1"), Text("<local>"), "intranet", ""},
        {Dword(1), Text("p:1"), Text("*.corp;<LOCAL>"), "intranet", ""},
        {Dword(1), Text("p:1"), Text("<local>"), kHost, "p:1"},
        {Dword(1), Text("p:1"), Text("update.brantlow.example"), kHost, "p:1"},
        {Dword(1), Text("p:1"), Text("*brantlow"), kHost, "p:1"},
        {Dword(1), Text("p:1"), Text("updates.brantlow.example:80"), kHost, "p:1"},
        {Dword(1), Text("p:1"), Text("http://updates.brantlow.example"), kHost, "p:1"},
        {Dword(1), Text("p:1"), Text("local"), "local.", "p:1"},
        {Dword(1), Text("p:1"), Text(""), kHost, "p:1"},
        {Dword(1), Text("p:1"), Text(";; ;"), kHost, "p:1"},
        {Dword(1), Text("p:1"), Text("*.brantlow.example", REG_EXPAND_SZ), kHost, "p:1"},
        // A bypass list too long for its buffer counts as none, never cut.
        {Dword(1), Text("p:1"), Text("x.corp;" + std::string(kProxyOverrideSize, 'x') + ";*"), kHost, "p:1"},
        {Dword(1), Text("p:1"), Text(std::string(kProxyOverrideSize - 3, ';') + "*"), kHost, ""},
        {Dword(1), Text("p:1"), Text(std::string(kProxyOverrideSize - 2, ';') + "*"), kHost, "p:1"},
    };
    for (const Row& row : rows)
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, pszPath);
        CRegistry key;
        ASSERT_TRUE(key.CreateKey(HKEY_CURRENT_USER, pszPath));
        Put(key, "ProxyEnable", row.enable);
        Put(key, "ProxyServer", row.server);
        Put(key, "ProxyOverride", row.bypass);
        char szProxy[256];
        memset(szProxy, 'X', sizeof(szProxy));
        unsigned short nPort = 0;
        BOOL bProxy = ReadProxyFor(key, row.pszHost, row.https, szProxy, sizeof(szProxy), nPort);
        std::string got = bProxy ? std::string(szProxy) + ":" + std::to_string(nPort) : "";
        EXPECT_EQ(got, row.expected) << "server " << row.server.data.substr(0, 60) << ", bypass "
                                     << row.bypass.data.substr(0, 60) << ", host " << row.pszHost;
        EXPECT_EQ(bProxy, szProxy[0] != '\0');
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, pszPath);
}
