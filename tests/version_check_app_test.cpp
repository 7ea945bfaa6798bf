// The notifier's application object: what its start-up makes of the
// settings, the command line and the program's path, without a server and
// without waiting.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "Registry.h"
#include "RegistryNames.h"
#include "VersionCheckApp.h"
#include "resource.h"

namespace
{

const char* const kSettings = kSettingsKey;
const char* const kInternet = kInternetSettingsKey;
const char* const kInternetPolicy = kInternetPolicyKey;

// The application with what leaves the program recorded instead of shown.
class RecordingApp : public CVersionCheckApp
{
public:
    std::vector<UINT> messages;
    int offersShown = 0;
    // Stands in for the program's path when set: the text and the length
    // that GetModuleFileNameA would answer.
    std::string programPath;
    DWORD programPathLength = 0;
    // What happens while the run waits at its start (a policy that Group
    // Policy applies meanwhile), instead of the wait; and the wait asked for.
    void (*duringWait)() = nullptr;
    DWORD waited = 0xFFFFFFFF;

protected:
    UpdateAnswer ShowOffer() override
    {
        ++offersShown;
        return kAnswerCancel;
    }
    void ShowMessage(UINT nID, UINT) override { messages.push_back(nID); }
    bool OpenUpdateUrl(const char*) override { return true; }
    DWORD GetProgramPath(char* pszPath, DWORD nSize) override
    {
        if (programPath.empty())
            return CVersionCheckApp::GetProgramPath(pszPath, nSize);
        lstrcpynA(pszPath, programPath.c_str(), (int)nSize);
        return programPathLength;
    }
    void WaitForStart(DWORD dwMilliseconds) override
    {
        waited = dwMilliseconds;
        if (duringWait != nullptr)
            duringWait();
    }
};

class VersionCheckAppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettings);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPolicyKey);
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kInternetPolicy, "ProxySettingsPerUser");
        for (HKEY hRoot : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            for (const char* pszName : {"EnableAutodial", "ProxyEnable", "ProxyServer"})
                RegDeleteKeyValueA(hRoot, kInternet, pszName);
    }
    void TearDown() override { SetUp(); }

    static void SetDword(const char* pszKey, const char* pszName, DWORD dw,
                         HKEY hRoot = HKEY_CURRENT_USER)
    {
        CRegistry key;
        ASSERT_TRUE(key.CreateKey(hRoot, pszKey));
        ASSERT_TRUE(key.SetValue(pszName, (const BYTE*)&dw, sizeof(dw), REG_DWORD));
    }
    static void SetText(const char* pszKey, const char* pszName, const char* pszText,
                        HKEY hRoot = HKEY_CURRENT_USER)
    {
        CRegistry key;
        ASSERT_TRUE(key.CreateKey(hRoot, pszKey));
        ASSERT_TRUE(key.SetValue(pszName, (const BYTE*)pszText, lstrlenA(pszText) + 1, REG_SZ));
    }
};

} // namespace

TEST_F(VersionCheckAppTest, LogOnStartWaitsFiveMinutesAndStaysQuiet)
{
    RecordingApp app;
    ASSERT_EQ(ReadUpdateSettings(app.m_settings), kSettingsRun);
    ASSERT_TRUE(ApplyCommandLine("/STARTUP", app.m_settings));
    EXPECT_EQ(app.m_settings.startDelay, 300000u);
    EXPECT_FALSE(app.m_settings.interactive);
    EXPECT_FALSE(app.m_settings.forceCheck);
    EXPECT_EQ(app.m_settings.checkInterval, 2419200u);
    // Reading the settings created their key.
    CRegistry key;
    EXPECT_TRUE(key.OpenKey(HKEY_CURRENT_USER, kSettings, KEY_READ));
}

TEST_F(VersionCheckAppTest, RunDefaults)
{
    RecordingApp app;
    EXPECT_STREQ(app.m_settings.appName, "Brantlow Update");
    EXPECT_EQ(app.m_settings.queryTimeout, 15u);
    EXPECT_EQ(app.m_settings.startDelay, 0u);
    EXPECT_TRUE(app.m_settings.interactive);
    EXPECT_FALSE(app.m_settings.autodialEnabled);
    EXPECT_EQ(app.m_settings.product, 0u);
}

TEST_F(VersionCheckAppTest, PolicyAndUserSettingsDecideTheRunAndItsInterval)
{
    const DWORD kDay = 86400;
    // A value: -1 absent, -2 the text "7", -3 the text "0" (as "reg add"
    // without "/t" writes it), -4 the REG_BINARY bytes of a 7, -5 the text
    // "7 days", else a REG_DWORD (of 8 bytes above 32 bits).
    struct Row
    {
        long long policyEnabled, policyInterval, userEnabled, userInterval;
        SettingsVerdict verdict;
        DWORD interval;     // seconds, when the run goes on
    } rows[] = {
        // The user's settings alone.
        {-1, -1, -1, -1, kSettingsRun, 28 * kDay},
        {-1, -1, -1, 7, kSettingsRun, 7 * kDay},
        {-1, -1, -1, 100000, kSettingsRun, 0xFFFFFFFF},     // would wrap 32 bits
        {-1, -1, -1, 0, kSettingsInvalid, 0},
        {-1, -1, -1, -2, kSettingsInvalid, 0},
        {-1, -1, 1, -1, kSettingsRun, 28 * kDay},
        {-1, -1, 0, 7, kSettingsOff, 0},
        {-1, -1, -2, 7, kSettingsInvalid, 0},
        // The policy first.
        {0, -1, -1, -1, kSettingsOff, 0},
        {0, 7, 1, 7, kSettingsOff, 0},
        {0, -1, -2, -1, kSettingsOff, 0},  // the user's values are not read
        // A policy "Enabled" that is there says something: digits are its
        // number, anything else unreadable turns the checks off.
        {-2, -1, -1, -1, kSettingsRun, 28 * kDay},
        {-3, -1, -1, -1, kSettingsOff, 0},
        {-4, -1, -1, -1, kSettingsOff, 0},
        {-5, -1, -1, -1, kSettingsOff, 0},
        {0x100000001ll, -1, -1, -1, kSettingsOff, 0},
        {1, -1, 0, -1, kSettingsOff, 0},     // a policy cannot turn checks on
        {1, -1, -1, -1, kSettingsRun, 28 * kDay},
        {-1, 7, -1, 30, kSettingsRun, 7 * kDay},
        {-1, 7, -1, 0, kSettingsRun, 7 * kDay},        // the user's value is not read at all
        {-1, 7, -1, -2, kSettingsRun, 7 * kDay},
        {-1, 7, 0, 30, kSettingsOff, 0},
        {-1, 1, -1, -1, kSettingsRun, 1 * kDay},
        {-1, 365, -1, 30, kSettingsRun, 365 * kDay},
        {-1, 366, -1, 30, kSettingsRun, 30 * kDay},
        {-1, 0, -1, 30, kSettingsRun, 30 * kDay},
        // An "Interval" in digits counts; one unreadable is ignored.
        {-1, -2, -1, 30, kSettingsRun, 7 * kDay},
        {-1, -3, -1, 30, kSettingsRun, 30 * kDay},
        {-1, -4, -1, 30, kSettingsRun, 30 * kDay},
        {-1, -5, -1, 30, kSettingsRun, 30 * kDay},
        {-1, 366, -1, 0, kSettingsInvalid, 0},
        {-1, 0x100000001ll, -1, 30, kSettingsRun, 30 * kDay},
    };
    for (const Row& row : rows)
    {
        SetUp();
        auto put = [](HKEY hRoot, const char* pszKey, const char* pszName, long long value) {
            CRegistry key;
            ASSERT_TRUE(key.CreateKey(hRoot, pszKey));
            const char* const texts[] = {"7", "0", nullptr, "7 days"};
            if (value == -4)
            {
                // A 7 if it were read as a REG_DWORD.
                const BYTE seven[4] = {7, 0, 0, 0};
                ASSERT_TRUE(key.SetValue(pszName, seven, sizeof(seven), REG_BINARY));
            }
            else if (value <= -2 && value >= -5)
            {
                const char* text = texts[-2 - value];
                ASSERT_TRUE(key.SetValue(pszName, (const BYTE*)text, lstrlenA(text) + 1, REG_SZ));
            }
            else if (value >= 0)
            {
                ASSERT_TRUE(key.SetValue(pszName, (const BYTE*)&value,
                                         value > 0xFFFFFFFFll ? 8 : 4, REG_DWORD));
            }
        };
        put(HKEY_LOCAL_MACHINE, kPolicyKey, "Enabled", row.policyEnabled);
        put(HKEY_LOCAL_MACHINE, kPolicyKey, "Interval", row.policyInterval);
        put(HKEY_CURRENT_USER, kSettings, "Enabled", row.userEnabled);
        put(HKEY_CURRENT_USER, kSettings, "Interval", row.userInterval);
        UpdateSettings settings;
        std::string name = std::to_string(row.policyEnabled) + " " + std::to_string(row.policyInterval) +
                           " " + std::to_string(row.userEnabled) + " " + std::to_string(row.userInterval);
        EXPECT_EQ(ReadUpdateSettings(settings), row.verdict) << name;
        if (row.verdict == kSettingsRun)
        {
            EXPECT_EQ(settings.checkInterval, row.interval) << name;
        }
    }
}

TEST_F(VersionCheckAppTest, ProxyOfTheUserOrOfTheMachine)
{
    SetDword(kInternet, "ProxyEnable", 1);
    SetText(kInternet, "ProxyServer", "user.proxy:3128");
    SetDword(kInternet, "ProxyEnable", 1, HKEY_LOCAL_MACHINE);
    SetText(kInternet, "ProxyServer", "machine.proxy", HKEY_LOCAL_MACHINE);
    struct Row
    {
        long long perUser;  // -1 absent, -2 a text
        const char* pszProxy;
        unsigned short nPort;
    } rows[] = {
        {-1, "user.proxy", 3128}, {1, "user.proxy", 3128}, {-2, "user.proxy", 3128},
        {0, "machine.proxy", 80},
    };
    for (const Row& row : rows)
    {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kInternetPolicy, "ProxySettingsPerUser");
        if (row.perUser >= 0)
            SetDword(kInternetPolicy, "ProxySettingsPerUser", (DWORD)row.perUser, HKEY_LOCAL_MACHINE);
        else if (row.perUser == -2)
            SetText(kInternetPolicy, "ProxySettingsPerUser", "0", HKEY_LOCAL_MACHINE);
        RecordingApp app;
        ASSERT_EQ(ReadUpdateSettings(app.m_settings), kSettingsRun);
        EXPECT_STREQ(app.m_settings.proxyHost, row.pszProxy) << row.perUser;
        EXPECT_EQ(app.m_settings.proxyPort, row.nPort) << row.perUser;
    }
    // Without a proxy the connection is direct.
    SetUp();
    RecordingApp app;
    ASSERT_EQ(ReadUpdateSettings(app.m_settings), kSettingsRun);
    EXPECT_STREQ(app.m_settings.proxyHost, "");
}

TEST_F(VersionCheckAppTest, AutodialWithoutConnectionStopsTheRun)
{
    RecordingApp app;
    ASSERT_EQ(ReadUpdateSettings(app.m_settings), kSettingsRun);
    EXPECT_FALSE(app.m_settings.autodialEnabled);
    EXPECT_TRUE(app.IsConnectionAvailable());

    SetDword(kInternet, "EnableAutodial", 1);
    RecordingApp dialing;
    ASSERT_EQ(ReadUpdateSettings(dialing.m_settings), kSettingsRun);
    EXPECT_TRUE(dialing.m_settings.autodialEnabled);
    // No dial-up connection is up here.
    EXPECT_FALSE(dialing.IsConnectionAvailable());

    SetText(kInternet, "EnableAutodial", "1");
    RecordingApp text;
    ASSERT_EQ(ReadUpdateSettings(text.m_settings), kSettingsRun);
    EXPECT_FALSE(text.m_settings.autodialEnabled);
}

TEST_F(VersionCheckAppTest, BadWordShowsTheArgumentMessageBeforeAnyWait)
{
    RecordingApp app;
    char szLine[] = "/STARTUP /xyz";
    app.m_lpCmdLine = szLine;
    DWORD dwStart = GetTickCount();
    EXPECT_FALSE(app.RunNotifier());
    EXPECT_LT(GetTickCount() - dwStart, 10000u);
    EXPECT_EQ(app.messages, std::vector<UINT>{IDS_INVALID_ARGUMENT});
    EXPECT_EQ(app.offersShown, 0);

    // The help file sits beside the program.
    char szModule[MAX_PATH];
    GetModuleFileNameA(0, szModule, sizeof(szModule));
    std::string expected(szModule);
    expected = expected.substr(0, expected.rfind('.')) + ".chm";
    EXPECT_EQ(std::string(app.m_settings.helpFile), expected);
    EXPECT_STREQ(app.m_pszHelpFilePath, app.m_settings.helpFile);
}

TEST_F(VersionCheckAppTest, ProgramPathFeedsOnlyTheHelpFile)
{
    // No path at all: the internal error, and nothing else happens.
    RecordingApp none;
    none.programPath = "x";
    none.programPathLength = 0;
    char szLine[] = "/PRODUCT:999";
    none.m_lpCmdLine = szLine;
    EXPECT_FALSE(none.RunNotifier());
    EXPECT_EQ(none.messages, std::vector<UINT>{IDS_INTERNAL_ERROR});

    // A path that filled the buffer was cut: the run goes on (here to "no
    // updates" for an unknown product), without a help file.
    RecordingApp cut;
    cut.programPath = "C:\\" + std::string(MAX_PATH, 'd') + "\\updnotify.exe";
    cut.programPathLength = MAX_PATH;
    char szCut[] = "/PRODUCT:999";
    cut.m_lpCmdLine = szCut;
    EXPECT_FALSE(cut.RunNotifier());
    EXPECT_EQ(cut.messages, std::vector<UINT>{IDS_NO_UPDATES});
    EXPECT_STREQ(cut.m_settings.helpFile, "");

    // One byte short of the buffer still fits (3 + 249 + 7 = 259 characters).
    RecordingApp full;
    full.programPath = "C:\\" + std::string(MAX_PATH - 1 - 10, 'e') + "\\up.exe";
    full.programPathLength = (DWORD)full.programPath.size();
    char szFull[] = "/PRODUCT:999";
    full.m_lpCmdLine = szFull;
    EXPECT_FALSE(full.RunNotifier());
    EXPECT_EQ(full.messages, std::vector<UINT>{IDS_NO_UPDATES});
    EXPECT_EQ(std::string(full.m_settings.helpFile),
              full.programPath.substr(0, full.programPath.size() - 4) + ".chm");
}

TEST_F(VersionCheckAppTest, DisabledChecksEndSilentlyWhateverTheCommandLine)
{
    SetDword(kSettings, "Enabled", 0);
    for (const char* psz : {"/SETUP", "/xyz", "bogus"})
    {
        RecordingApp app;
        char szLine[32];
        lstrcpynA(szLine, psz, sizeof(szLine));
        app.m_lpCmdLine = szLine;
        EXPECT_FALSE(app.RunNotifier());
        EXPECT_TRUE(app.messages.empty()) << psz;
    }
}

// Group Policy may apply the policy while a log-on run waits: the run then
// ends before its check cycle (which here says "no updates" for the unknown
// product), without a message. The wait is the test's, and none at all.
TEST_F(VersionCheckAppTest, PolicyAppliedDuringTheWaitEndsTheRun)
{
    struct Row
    {
        const char* name;
        void (*duringWait)();
        std::vector<UINT> messages;
    } rows[] = {
        {"no policy", nullptr, {IDS_NO_UPDATES}},
        {"Enabled 0", [] { SetDword(kPolicyKey, "Enabled", 0, HKEY_LOCAL_MACHINE); }, {}},
        {"Enabled \"0\"", [] { SetText(kPolicyKey, "Enabled", "0", HKEY_LOCAL_MACHINE); }, {}},
        {"Enabled 1", [] { SetDword(kPolicyKey, "Enabled", 1, HKEY_LOCAL_MACHINE); }, {IDS_NO_UPDATES}},
    };
    for (const Row& row : rows)
    {
        SetUp();
        RecordingApp app;
        char szLine[] = "/PRODUCT:999";
        app.m_lpCmdLine = szLine;
        app.duringWait = row.duringWait;
        EXPECT_FALSE(app.RunNotifier());
        EXPECT_EQ(app.waited, 0u) << row.name;
        EXPECT_EQ(app.messages, row.messages) << row.name;
    }
}

TEST_F(VersionCheckAppTest, UnknownProductIsNoOfferAndSaysSo)
{
    RecordingApp app;
    char szLine[] = "/PRODUCT:999";
    app.m_lpCmdLine = szLine;
    EXPECT_FALSE(app.RunNotifier());
    EXPECT_EQ(app.messages, std::vector<UINT>{IDS_NO_UPDATES});
    EXPECT_EQ(app.offersShown, 0);

    RecordingApp quiet;
    char szQuiet[] = "/PRODUCT:999 /STARTUP /DEBUG";
    quiet.m_lpCmdLine = szQuiet;
    EXPECT_FALSE(quiet.RunNotifier());
    EXPECT_TRUE(quiet.messages.empty());
}

TEST(HelpFilePath, CutAtTheFirstDotOfTheFileName)
{
    struct Case
    {
        const char* module;
        const char* help;
    } cases[] = {
        {"C:\\Program Files\\Brantlow\\updnotify.exe", "C:\\Program Files\\Brantlow\\updnotify.chm"},
        // A "." in a folder name stays part of the folder.
        {"C:\\Program Files\\Brantlow Inc.\\Updates\\updnotify.exe",
         "C:\\Program Files\\Brantlow Inc.\\Updates\\updnotify.chm"},
        {"C:\\Tools\\Brantlow.Updates\\updnotify.exe", "C:\\Tools\\Brantlow.Updates\\updnotify.chm"},
        // The file name is cut at its first ".", as always.
        {"C:\\a\\up.date.exe", "C:\\a\\up.chm"},
        {"C:\\v1.2\\updnotify", "C:\\v1.2\\updnotify.chm"},
        {"updnotify.exe", "updnotify.chm"},
        {"C:/mixed.dir/up.exe", "C:/mixed.dir/up.chm"},
    };
    for (const Case& c : cases)
    {
        char sz[MAX_PATH];
        memset(sz, 'X', sizeof(sz));
        ASSERT_TRUE(MakeHelpFilePath(c.module, sz, sizeof(sz))) << c.module;
        EXPECT_STREQ(sz, c.help) << c.module;
    }

    char szSmall[12];
    memset(szSmall, 'X', sizeof(szSmall));
    EXPECT_FALSE(MakeHelpFilePath("C:\\a\\updnotify.exe", szSmall, 12));
    EXPECT_EQ(szSmall[0], 'X');
    EXPECT_TRUE(MakeHelpFilePath("C:\\abcd.exe", szSmall, 12));
    EXPECT_STREQ(szSmall, "C:\\abcd.chm");
}
