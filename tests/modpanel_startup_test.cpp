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

TEST(ModpanelCommandLine, NamesMatchAsPrefixesOfThreeLettersOrMore)
{
    for (const char* line : {"/pro:12", "/PRODU:12", "-product:12", "/Product:12", "  /prod:12  "})
    {
        Parsed p = Parse(line);
        EXPECT_TRUE(p.ok) << line;
        EXPECT_TRUE(p.named) << line;
        EXPECT_EQ(12u, p.product) << line;
    }
    // Too short, longer than the keyword, or without "/" or "-": ignored.
    for (const char* line : {"/pr:12", "/productx:12", "product:5", "/p:12", "--product:12"})
    {
        Parsed p = Parse(line);
        EXPECT_TRUE(p.ok) << line;
        EXPECT_FALSE(p.named) << line;
        EXPECT_EQ(4242u, p.product) << line;
    }
}

TEST(ModpanelCommandLine, ProductWithoutValueIsIgnored)
{
    for (const char* line : {"/product", "/product:", "-pro: /quiet", ""})
    {
        Parsed p = Parse(line);
        EXPECT_TRUE(p.ok) << line;
        EXPECT_FALSE(p.named) << line;
        EXPECT_EQ(ACTION_PANEL, p.action) << line;
    }
}

TEST(ModpanelCommandLine, UnknownProductStopsAtOnce)
{
    // Letters read as 0, never a product.
    Parsed p = Parse("/product:abc /version");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(0u, p.product);
    EXPECT_EQ(ACTION_PANEL, p.action);     // nothing after it was read
    // Each PRODUCT option is tested as it is read: a good one later does not help.
    p = Parse("/product:999 /product:12");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(999u, p.product);
    // A sign is read; -12 is no product.
    EXPECT_FALSE(Parse("/product:-12").ok);
}

TEST(ModpanelCommandLine, LastProductHoldsAndNumbersReadLikeTheRuntime)
{
    Parsed p = Parse("/product:12 /product:26");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(26u, p.product);
    // Digits then other text: the digits count.
    EXPECT_EQ(17u, Parse("/product:17abc").product);
    EXPECT_EQ(17u, Parse("/product:+17").product);
    // Only blanks cut tokens: a tab belongs to the value.
    p = Parse("/pro:12\t/version");
    EXPECT_EQ(12u, p.product);
    EXPECT_EQ(ACTION_PANEL, p.action);
}

TEST(ModpanelCommandLine, VersionAndQuiet)
{
    EXPECT_EQ(ACTION_ABOUT, Parse("-version").action);
    EXPECT_EQ(ACTION_ABOUT, Parse("/VER").action);
    EXPECT_EQ(ACTION_PANEL, Parse("/ve").action);
    EXPECT_EQ(ACTION_PANEL, Parse("/versions").action);
    Parsed p = Parse("/quiet /qui -QUIET");
    EXPECT_TRUE(p.ok);
    EXPECT_FALSE(p.named);
    EXPECT_EQ(ACTION_PANEL, p.action);
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
    EXPECT_EQ("Brantlow Secure Transfer Toolkit 6.5 Modpanel", TitleOf(27)); // 6.05
    EXPECT_EQ("Brantlow Secure Transfer Toolkit 4.25 Modpanel", TitleOf(8)); // 4.25
    EXPECT_EQ("Brantlow Barcode Control 2.0 Modpanel", TitleOf(1));          // 2.00
    // The full name carries the edition; the title does not.
    TitleOf(17);
    EXPECT_STREQ("Brantlow Mail Toolkit .NET Edition", g_szFullProductName);
    TitleOf(1);
    EXPECT_STREQ("Brantlow Barcode Control", g_szFullProductName);
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

    // A value that fills the whole buffer is cut at its last byte.
    Store("InprocServer32", nullptr, std::string(MAX_PATH, 'p'));
    memset(&buffer, 'Z', sizeof(buffer));
    if (ReadKeyText(key, "InprocServer32", buffer.text, sizeof(buffer.text)))
    {
        EXPECT_EQ(std::string(MAX_PATH - 1, 'p'), std::string(buffer.text));
    }
    else
    {
        EXPECT_STREQ("", buffer.text);
    }
    EXPECT_EQ(std::string(16, 'Z'), std::string(buffer.guard, 16));

    Store(nullptr, "probe.chm", "C:\\Help");
    memset(&buffer, 'Z', sizeof(buffer));
    ASSERT_TRUE(ReadNamedText(key, "probe.chm", buffer.text, sizeof(buffer.text)));
    EXPECT_STREQ("C:\\Help", buffer.text);

    Store(nullptr, "full.chm", std::string(MAX_PATH, 'h'));
    memset(&buffer, 'Z', sizeof(buffer));
    if (ReadNamedText(key, "full.chm", buffer.text, sizeof(buffer.text)))
    {
        EXPECT_EQ(std::string(MAX_PATH - 1, 'h'), std::string(buffer.text));
    }
    EXPECT_EQ(std::string(16, 'Z'), std::string(buffer.guard, 16));

    EXPECT_FALSE(ReadNamedText(key, "missing.chm", buffer.text, sizeof(buffer.text)));
    EXPECT_STREQ("", buffer.text);
}

} // namespace
