// The panel's command line, title, own help file path and the bounded
// registry and path helpers that inspection relies on.
#include <gtest/gtest.h>

#include <string>

#include "Modpanel.h"

namespace
{

struct Parsed
{
    BOOL ok;
    BOOL named;
    int action;
    DWORD product;
};

Parsed Parse(const char* line)
{
    g_dwProduct = 4242;     // a marker: unchanged unless a PRODUCT option acts
    Parsed p = {FALSE, FALSE, ACTION_PANEL, 0};
    p.ok = ParseCommandLine(line, &p.named, &p.action);
    p.product = g_dwProduct;
    return p;
}

// Each row: a command line and what the parse gives; -1 is not checked.
// Names match as prefixes of three letters or more after "/" or "-";
// anything else is ignored. PRODUCT is read like the runtime reads a
// number (a sign, digits until other text; letters are 0) and tested as it
// is read, so an unknown one stops the parse at once; the last one holds.
// Only blanks cut tokens.
TEST(ModpanelCommandLine, OptionsAndProducts)
{
    const int kAny = -1;
    const struct
    {
        const char* line;
        int ok, named, action;
        long long product;          // 4242: untouched
    } rows[] = {
        {"/pro:12", TRUE, TRUE, kAny, 12},
        {"/PRODU:12", TRUE, TRUE, kAny, 12},
        {"-product:12", TRUE, TRUE, kAny, 12},
        {"/Product:12", TRUE, TRUE, kAny, 12},
        {"  /prod:12  ", TRUE, TRUE, kAny, 12},
        {"/pr:12", TRUE, FALSE, kAny, 4242},
        {"/productx:12", TRUE, FALSE, kAny, 4242},
        {"product:5", TRUE, FALSE, kAny, 4242},
        {"/p:12", TRUE, FALSE, kAny, 4242},
        {"--product:12", TRUE, FALSE, kAny, 4242},
        {"/product", TRUE, FALSE, ACTION_PANEL, kAny},
        {"/product:", TRUE, FALSE, ACTION_PANEL, kAny},
        {"-pro: /quiet", TRUE, FALSE, ACTION_PANEL, kAny},
        {"", TRUE, FALSE, ACTION_PANEL, kAny},
        {"/product:abc /version", FALSE, kAny, ACTION_PANEL, 0},   // nothing after it read
        {"/product:999 /product:12", FALSE, kAny, kAny, 999},
        {"/product:-12", FALSE, kAny, kAny, kAny},
        {"/product:12 /product:26", TRUE, kAny, kAny, 26},
        {"/product:17abc", kAny, kAny, kAny, 17},
        {"/product:+17", kAny, kAny, kAny, 17},
        {"/pro:12\t/version", kAny, kAny, ACTION_PANEL, 12},
        {"-version", kAny, kAny, ACTION_ABOUT, kAny},
        {"/VER", kAny, kAny, ACTION_ABOUT, kAny},
        {"/ve", kAny, kAny, ACTION_PANEL, kAny},
        {"/versions", kAny, kAny, ACTION_PANEL, kAny},
        {"/quiet /qui -QUIET", TRUE, FALSE, ACTION_PANEL, kAny},
    };
    for (const auto& row : rows)
    {
        Parsed p = Parse(row.line);
        std::string name = std::string("\"") + row.line + "\"";
        if (row.ok != kAny)
        {
            EXPECT_EQ(!!row.ok, !!p.ok) << name;
        }
        if (row.named != kAny)
        {
            EXPECT_EQ(!!row.named, !!p.named) << name;
        }
        if (row.action != kAny)
        {
            EXPECT_EQ(row.action, p.action) << name;
        }
        if (row.product != kAny)
        {
            EXPECT_EQ((DWORD)row.product, p.product) << name;
        }
    }
}

std::string TitleOf(DWORD product)
{
    g_dwProduct = product;
    RefreshProductText();
    BuildTitle();
    return g_szTitle;
}

TEST(ModpanelTitle, ShortVersionOfTheProductName)
{
    EXPECT_EQ("Brantlow Mail Toolkit 6.5 Modpanel", TitleOf(17));           // 6.50
    EXPECT_EQ("Brantlow Transfer Kit 6.5 Modpanel", TitleOf(27)); // 6.05
    EXPECT_EQ("Brantlow Transfer Kit 4.25 Modpanel", TitleOf(8)); // 4.25
    EXPECT_EQ("Brantlow Barcode Kit 2.0 Modpanel", TitleOf(1));          // 2.00
    // The full name carries the edition; the title does not.
    TitleOf(17);
    EXPECT_STREQ("Brantlow Mail Toolkit .NET", g_szFullProductName);
    TitleOf(1);
    EXPECT_STREQ("Brantlow Barcode Kit", g_szFullProductName);
}

TEST(ModpanelTitle, LongNameIsCutTo127)
{
    g_dwProduct = 17;
    std::string name(127, 'N');
    lstrcpyA(g_szProductName, name.c_str());
    BuildTitle();
    EXPECT_EQ(127u, strlen(g_szTitle));
    EXPECT_EQ(name, std::string(g_szTitle));
    name.assign(120, 'N');
    lstrcpyA(g_szProductName, name.c_str());
    BuildTitle();
    EXPECT_EQ(name + " 6.5 Mo", std::string(g_szTitle));
}

TEST(ModpanelStartup, OwnHelpPathReplacesTheLastExtension)
{
    char help[MAX_PATH];
    MakeOwnHelpPath("C:\\Program Files\\Brantlow\\modpanel.exe", help, sizeof(help));
    EXPECT_STREQ("C:\\Program Files\\Brantlow\\modpanel.chm", help);
    MakeOwnHelpPath("C:\\v1.2\\modpanel", help, sizeof(help));
    EXPECT_STREQ("C:\\v1.chm", help);        // the last "." of the whole path
    MakeOwnHelpPath("C:\\tools\\modpanel", help, sizeof(help));
    EXPECT_STREQ("", help);
    char small[12];
    MakeOwnHelpPath("C:\\abcdefg.exe", small, sizeof(small));
    EXPECT_STREQ("", small);                 // "C:\abcdefg.chm" needs 15 bytes
    MakeOwnHelpPath("C:\\abcd.exe", small, sizeof(small));
    EXPECT_STREQ("C:\\abcd.chm", small);     // 11 characters: exactly fits
}

TEST(ModpanelStartup, RegistrationToolAndHelpFileFromTheSystem)
{
    InitialisePaths();
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    EXPECT_STRCASEEQ((std::string(system) + "\\REGSVR32.EXE").c_str(), g_szRegistrationTool);
    // The test program has no .chm beside it.
    EXPECT_STREQ("", g_szHelpFile);
    EXPECT_STREQ("C:\\Program Files\\Common Files\\Brantlow Shared\\Assemblies", g_szAssembliesFolder);
}

TEST(ModpanelPaths, JoinPutsOneSeparator)
{
    char path[16];
    EXPECT_TRUE(JoinPath("C:\\help", "a.chm", path, sizeof(path)));
    EXPECT_STREQ("C:\\help\\a.chm", path);
    EXPECT_TRUE(JoinPath("C:\\help\\", "a.chm", path, sizeof(path)));
    EXPECT_STREQ("C:\\help\\a.chm", path);
    EXPECT_TRUE(JoinPath("C:\\help", "abc.chm", path, sizeof(path)));   // 15 + terminator
    EXPECT_FALSE(JoinPath("C:\\help", "abcd.chm", path, sizeof(path)));
    EXPECT_STREQ("", path);
    // A folder whose last character is Shift-JIS 0x95 0x5C (its trail byte
    // is "\") has no separator of its own; in a single-byte code page the
    // same bytes end with one.
    EXPECT_FALSE(EndsWithSeparator("C:\\\x95\\", 932));
    EXPECT_TRUE(EndsWithSeparator("C:\\\x95\\\\", 932));
    EXPECT_TRUE(EndsWithSeparator("C:\\\x95\\", 1252));
    EXPECT_FALSE(EndsWithSeparator("", 932));
}

class RegistryText : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\ModpanelTest\\Text", &key));
    }
    void TearDown() override
    {
        RegCloseKey(key);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ModpanelTest");
    }
    void Store(const char* sub, const char* name, const std::string& bytes)
    {
        HKEY hSub = key;
        if (sub)
        {
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(key, sub, &hSub));
        }
        // Stored without a terminating zero.
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(hSub, name, 0, REG_SZ, (const BYTE*)bytes.data(),
                                                (DWORD)bytes.size()));
        if (sub)
            RegCloseKey(hSub);
    }
    HKEY key = nullptr;
};

TEST_F(RegistryText, UnterminatedValuesAreTerminatedWithinTheBuffer)
{
    struct Guarded
    {
        char text[MAX_PATH];
        char guard[16];
    } buffer;

    Store("InprocServer32", nullptr, "C:\\x\\probe.ocx");
    memset(&buffer, 'Z', sizeof(buffer));
    ASSERT_TRUE(ReadKeyText(key, "InprocServer32", buffer.text, sizeof(buffer.text)));
    EXPECT_STREQ("C:\\x\\probe.ocx", buffer.text);

    // A value one byte shorter than the buffer is read whole and terminated;
    // one that fills the buffer (Windows and Wine differ in whether that is
    // an error) still leaves a terminated text within it.
    Store("InprocServer32", nullptr, std::string(MAX_PATH - 1, 'p'));
    memset(&buffer, 'Z', sizeof(buffer));
    ASSERT_TRUE(ReadKeyText(key, "InprocServer32", buffer.text, sizeof(buffer.text)));
    EXPECT_EQ(std::string(MAX_PATH - 1, 'p'), std::string(buffer.text));
    Store("InprocServer32", nullptr, std::string(MAX_PATH, 'p'));
    memset(&buffer, 'Z', sizeof(buffer));
    ReadKeyText(key, "InprocServer32", buffer.text, sizeof(buffer.text));
    EXPECT_LT(strnlen(buffer.text, sizeof(buffer.text)), sizeof(buffer.text));
    EXPECT_EQ(std::string(16, 'Z'), std::string(buffer.guard, 16));

    Store(nullptr, "probe.chm", "C:\\Help");
    memset(&buffer, 'Z', sizeof(buffer));
    ASSERT_TRUE(ReadNamedText(key, "probe.chm", buffer.text, sizeof(buffer.text)));
    EXPECT_STREQ("C:\\Help", buffer.text);

    Store(nullptr, "long.chm", std::string(MAX_PATH - 1, 'h'));
    memset(&buffer, 'Z', sizeof(buffer));
    ASSERT_TRUE(ReadNamedText(key, "long.chm", buffer.text, sizeof(buffer.text)));
    EXPECT_EQ(std::string(MAX_PATH - 1, 'h'), std::string(buffer.text));
    Store(nullptr, "full.chm", std::string(MAX_PATH, 'h'));
    memset(&buffer, 'Z', sizeof(buffer));
    ReadNamedText(key, "full.chm", buffer.text, sizeof(buffer.text));
    EXPECT_LT(strnlen(buffer.text, sizeof(buffer.text)), sizeof(buffer.text));
    EXPECT_EQ(std::string(16, 'Z'), std::string(buffer.guard, 16));

    EXPECT_FALSE(ReadNamedText(key, "missing.chm", buffer.text, sizeof(buffer.text)));
    EXPECT_STREQ("", buffer.text);
}

} // namespace
