// The panel's help and About box in this process, with the real HTML Help
// of the Wine prefix: the own help file (a copy of modpanel.chm named after
// this program, as the panel finds its own), the Barcode Control's reference
// bbarcode.chm with its context map, the About box's texts, and the loading
// of HTML Help from the system folder only. The help window opens with a
// blank page (no HTML engine); the tests observe the windows and the calls
// that reach HTML Help.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Modpanel.h"
#include "PanelDriver.h"
#include "resource.h"

namespace
{

const char kHtmlHelpKey[] = "Software\\Microsoft\\Windows\\HTML Help";
const UINT kHhDisplayToc = 1;
const UINT kHhHelpContext = 15;

std::string ProgramPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

// bbarcode.chm, copied beside the test under another name, so that HTML
// Help never finds it there by its bare name.
std::string ReferenceCopy()
{
    return TestDir() + "\\barcode-reference.chm";
}

// Visible top-level windows of this process other than dialogs: the help
// windows that HTML Help opened.
BOOL CALLBACK CollectHelpWindow(HWND hwnd, LPARAM lParam)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && hwnd != g_hMainWnd &&
        lstrcmpA(cls, "#32770") != 0)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> HelpWindows()
{
    std::vector<HWND> windows;
    EnumWindows(CollectHelpWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string Caption(HWND hwnd)
{
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

// Handles posted and sent messages until done() holds, for at most
// limitMs; answers whether it held.
bool PumpUntil(bool (*done)(), DWORD limitMs = 10000)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= limitMs)
            return false;
        Sleep(10);
    }
}

bool HelpShown()
{
    return !HelpWindows().empty();
}

bool NoHelpShown()
{
    return HelpWindows().empty();
}

// Every call that reaches HTML Help, and what it answered.
struct HelpCall
{
    UINT command;
    std::string file;
    DWORD_PTR data;
    HWND result;
};
std::vector<HelpCall> g_calls;
HtmlHelpFn g_pfnSystemHtmlHelp = nullptr;

HWND WINAPI RecordingHtmlHelp(HWND hCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData)
{
    HWND result = g_pfnSystemHtmlHelp(hCaller, pszFile, uCommand, dwData);
    if (uCommand == kHhDisplayToc || uCommand == kHhHelpContext)
        g_calls.push_back({uCommand, pszFile ? pszFile : "", dwData, result});
    return result;
}

// A step that waits (bounded by the run's limit) until a help window shows.
PanelStep UntilHelpWindow()
{
    return [](HWND) { return !HelpWindows().empty(); };
}

class Help : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(nullptr);
        InitialisePaths();
        LoadHtmlHelp();
        ASSERT_NE(nullptr, g_pfnHtmlHelp);
        g_pfnSystemHtmlHelp = g_pfnHtmlHelp;
        g_pfnHtmlHelp = RecordingHtmlHelp;
        g_calls.clear();
    }
    void TearDown() override
    {
        CloseHelpWindows();
        PumpUntil(NoHelpShown);
        ClosePanel(hDlg);
        for (const std::string& name : helpValues)
        {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHtmlHelpKey, 0, KEY_SET_VALUE, &key) == 0)
            {
                RegDeleteValueA(key, name.c_str());
                RegCloseKey(key);
            }
        }
        for (const std::string& file : files)
            DeleteFileA(file.c_str());
        g_pfnHtmlHelp = g_pfnSystemHtmlHelp;
    }

    // The panel without its modal loop, so that the test can select entries.
    void Open(DWORD product, int group)
    {
        hDlg = OpenPanel(product, group);
        ASSERT_NE(nullptr, hDlg);
    }
    void Select(const char* fileName, int type)
    {
        ASSERT_TRUE(SelectFile(hDlg, fileName, type)) << fileName;
    }
    // Places a help file (by default the Barcode Control's reference) under
    // the given name in the system's help folder, where HTML Help finds a
    // bare file name, and lists that folder under the HTML Help key.
    void InstallHelp(const char* name, const std::string& source = ReferenceCopy())
    {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof(windows));
        helpDir = std::string(windows) + "\\help";
        CreateDirectoryA(helpDir.c_str(), nullptr);
        std::string target = helpDir + "\\" + name;
        ASSERT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE))
            << source << " -> " << target;
        files.push_back(target);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, kHtmlHelpKey, &key));
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)helpDir.c_str(),
                       (DWORD)helpDir.size() + 1);
        RegCloseKey(key);
        helpValues.push_back(name);
    }
    // Presses the panel's Help button; HTML Help has answered when it returns.
    void PressHelpButton()
    {
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_HELP_BUTTON, BN_CLICKED),
                     (LPARAM)GetDlgItem(hDlg, IDC_HELP_BUTTON));
    }

    HWND hDlg = nullptr;
    std::string helpDir;
    std::vector<std::string> files, helpValues;
};

// --- The About box ---------------------------------------------------------

struct AboutSeen
{
    std::string caption, product, version;
    bool panelEnabled = true;
};

AboutSeen ReadAbout(HWND hDlg)
{
    AboutSeen seen;
    seen.caption = Caption(hDlg);
    seen.product = ControlText(hDlg, IDC_ABOUT_PRODUCT);
    seen.version = ControlText(hDlg, IDC_ABOUT_VERSION);
    return seen;
}

TEST_F(Help, AboutBoxNamesTheProductWithoutEditionInCaption)
{
    UsePanelProduct(2, 1);   // Barcode Kit, Standard, 3.05 build 630
    AboutSeen seen;
    INT_PTR result = RunDriven(IDD_ABOUT, {[&](HWND about) {
        seen = ReadAbout(about);
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        return true;
    }});
    EXPECT_EQ(1, result);
    EXPECT_EQ("About Brantlow Barcode Kit", seen.caption);
    EXPECT_EQ("Brantlow Barcode Kit Standard", seen.product);
    EXPECT_EQ("3.5.630", seen.version);     // the catalogue's, with the short minor

    // A product without an edition: the line is the name alone; Esc ends
    // the box with 0.
    UsePanelProduct(1, 1);
    result = RunDriven(IDD_ABOUT, {[&](HWND about) {
        seen = ReadAbout(about);
        PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
        return true;
    }});
    EXPECT_EQ(0, result);
    EXPECT_EQ("About Brantlow Barcode Kit", seen.caption);
    EXPECT_EQ("Brantlow Barcode Kit", seen.product);
    EXPECT_EQ("2.0.412", seen.version);
}

TEST_F(Help, AboutFromThePanelDisablesItAndIgnoresThePanelKeys)
{
    UsePanelProduct(2, 1);
    HWND panel = nullptr;
    AboutSeen seen;
    bool panelEnabledAfter = false;
    size_t helpWindowsInAbout = 99;
    INT_PTR result = RunDriven(
        IDD_PANEL,
        {[&](HWND dlg) {
             panel = dlg;
             PostKey(dlg, VK_F2);
             return true;
         },
         [&](HWND dlg) { return dlg != panel; },    // the About box is the current dialog
         [&](HWND about) {
             seen = ReadAbout(about);
             seen.panelEnabled = IsWindowEnabled(panel) != 0;
             PostKey(about, VK_F1);
             return true;
         },
         UntilPostedHandled(),
         [&](HWND about) {
             helpWindowsInAbout = HelpWindows().size();
             PostMessageA(about, WM_COMMAND, IDOK, 0);
             return true;
         },
         [&](HWND dlg) { return dlg == panel; },
         [&](HWND dlg) {
             panelEnabledAfter = IsWindowEnabled(dlg) != 0;
             EndDialog(dlg, 3);
             return true;
         }});
    EXPECT_EQ(3, result);
    EXPECT_EQ("About Brantlow Barcode Kit", seen.caption);
    EXPECT_EQ("Brantlow Barcode Kit Standard", seen.product);
    EXPECT_FALSE(seen.panelEnabled);
    EXPECT_TRUE(panelEnabledAfter);
    EXPECT_EQ(0u, helpWindowsInAbout);
    EXPECT_TRUE(g_calls.empty());
}

// --- The own help file ---------------------------------------------------

TEST_F(Help, F1OpensTheOwnHelpAtItsContents)
{
    ASSERT_EQ(ProgramPath().substr(0, ProgramPath().size() - 4) + ".chm",
              std::string(g_szHelpFile));
    UsePanelProduct(24, 8);
    std::vector<std::string> captions;
    bool contentsGrayed = true;
    size_t windowsAfterCloseAll = 99;
    INT_PTR result = RunDriven(IDD_PANEL, {[&](HWND dlg) {
                                               contentsGrayed = MenuItemGrayed(dlg, ID_HELP_CONTENTS);
                                               PostKey(dlg, VK_F1);
                                               return true;
                                           },
                                           UntilHelpWindow(), UntilPostedHandled(),
                                           [&](HWND) {
                                               for (HWND w : HelpWindows())
                                                   captions.push_back(Caption(w));
                                               // What the main window does on WM_CLOSE.
                                               CloseHelpWindows();
                                               return true;
                                           },
                                           [](HWND) { return NoHelpShown(); },
                                           [&](HWND dlg) {
                                               windowsAfterCloseAll = HelpWindows().size();
                                               EndDialog(dlg, 2);
                                               return true;
                                           }});
    EXPECT_EQ(2, result);
    EXPECT_FALSE(contentsGrayed);
    ASSERT_EQ(1u, captions.size());
    EXPECT_EQ("Modpanel Help", captions[0]);
    ASSERT_EQ(1u, g_calls.size());
    EXPECT_EQ(kHhDisplayToc, g_calls[0].command);
    EXPECT_EQ(std::string(g_szHelpFile), g_calls[0].file);
    EXPECT_EQ(0u, g_calls[0].data);
    EXPECT_NE(nullptr, g_calls[0].result);
    EXPECT_EQ(0u, windowsAfterCloseAll);
}

TEST_F(Help, WithoutTheOwnHelpFileContentsIsGrayedAndF1DoesNothing)
{
    std::string own = g_szHelpFile;
    ASSERT_FALSE(own.empty());
    std::string aside = own + ".aside";
    ASSERT_TRUE(MoveFileA(own.c_str(), aside.c_str()));
    InitialisePaths();
    std::string found = g_szHelpFile;
    UsePanelProduct(24, 8);
    bool contentsGrayed = false;
    size_t windows = 99;
    INT_PTR result = RunDriven(IDD_PANEL, {[&](HWND dlg) {
                                               contentsGrayed = MenuItemGrayed(dlg, ID_HELP_CONTENTS);
                                               PostKey(dlg, VK_F1);
                                               return true;
                                           },
                                           UntilPostedHandled(),
                                           [&](HWND dlg) {
                                               windows = HelpWindows().size();
                                               EndDialog(dlg, 2);
                                               return true;
                                           }});
    MoveFileA(aside.c_str(), own.c_str());
    EXPECT_EQ(2, result);
    EXPECT_EQ("", found);
    EXPECT_TRUE(contentsGrayed);
    EXPECT_EQ(0u, windows);
    EXPECT_TRUE(g_calls.empty());
}

// --- Component help --------------------------------------------------------

TEST_F(Help, EntryWithAContextOpensItsTopic)
{
    InstallHelp("bbarcode.chm");
    Open(2, 1);
    Select("bbar2d.ocx", COMPONENT_ACTIVEX);        // context 1200
    PressHelpButton();
    ASSERT_EQ(1u, g_calls.size());
    EXPECT_EQ(kHhHelpContext, g_calls[0].command);
    EXPECT_EQ("bbarcode.chm", g_calls[0].file);
    EXPECT_EQ(1200u, g_calls[0].data);
    EXPECT_NE(nullptr, g_calls[0].result);
    ASSERT_TRUE(PumpUntil(HelpShown));
    std::vector<HWND> windows = HelpWindows();
    ASSERT_EQ(1u, windows.size());
    EXPECT_EQ("Brantlow Barcode Kit Reference", Caption(windows[0]));

    // Help, Technical Reference does the same for the library's topic.
    CloseHelpWindows();
    ASSERT_TRUE(PumpUntil(NoHelpShown));
    g_calls.clear();
    Select("bbarcode32.dll", COMPONENT_LIBRARY);    // context 2000
    SendMessageA(hDlg, WM_COMMAND, ID_HELP_REFERENCE, 0);
    ASSERT_EQ(1u, g_calls.size());
    EXPECT_EQ(kHhHelpContext, g_calls[0].command);
    EXPECT_EQ(2000u, g_calls[0].data);
    EXPECT_NE(nullptr, g_calls[0].result);
    EXPECT_TRUE(PumpUntil(HelpShown));
    EXPECT_EQ(1u, HelpWindows().size());
}

TEST_F(Help, EntryWithoutAContextOpensItsContents)
{
    // bmergeobj.dll has context 0 in bmailscr.chm; the reference stands in.
    InstallHelp("bmailscr.chm");
    Open(5, 2);
    Select("bmergeobj.dll", COMPONENT_SCRIPTING);
    PressHelpButton();
    ASSERT_EQ(1u, g_calls.size());
    EXPECT_EQ(kHhDisplayToc, g_calls[0].command);
    EXPECT_EQ("bmailscr.chm", g_calls[0].file);
    EXPECT_EQ(0u, g_calls[0].data);
    EXPECT_NE(nullptr, g_calls[0].result);
    EXPECT_TRUE(PumpUntil(HelpShown));
    EXPECT_EQ(1u, HelpWindows().size());
}

TEST_F(Help, ContextTheFileDoesNotHoldFallsBackToContents)
{
    // bdns.ocx asks bnet.chm for context 1100, which the reference standing
    // in for bnet.chm does not map.
    InstallHelp("bnet.chm");
    Open(5, 2);
    Select("bdns.ocx", COMPONENT_ACTIVEX);
    PressHelpButton();
    ASSERT_EQ(2u, g_calls.size());
    EXPECT_EQ(kHhHelpContext, g_calls[0].command);
    EXPECT_EQ(1100u, g_calls[0].data);
    EXPECT_EQ(nullptr, g_calls[0].result);
    EXPECT_EQ(kHhDisplayToc, g_calls[1].command);
    EXPECT_EQ("bnet.chm", g_calls[1].file);
    EXPECT_EQ(0u, g_calls[1].data);
    EXPECT_NE(nullptr, g_calls[1].result);
    ASSERT_TRUE(PumpUntil(HelpShown));
    std::vector<HWND> windows = HelpWindows();
    ASSERT_EQ(1u, windows.size());
    EXPECT_EQ("Brantlow Barcode Kit Reference", Caption(windows[0]));
}

// Each help file that the component table names, as built, opened by the
// system's HTML Help from the Help button of one of its components: a
// component with a context opens at its topic (HTML Help finds the context in
// the file's map, so no second call falls back to the contents), one
// without opens at the contents, and the window carries the file's title.
// (A map entry that points outside the file still opens a window under
// Wine: build.component_help_context_map catches that.)
TEST_F(Help, EveryComponentHelpFileOpensFromItsComponent)
{
    struct Case
    {
        const char* helpFile;
        DWORD product;
        int group;
        const char* component;
        const char* title;
    };
    const Case cases[] = {
        {"bbarcode.chm", 2, 1, "bblabel.ocx", "Brantlow Barcode Kit Reference"},
        {"bnet.chm", 26, 4, "bdns.ocx", "Brantlow Network Components Reference"},
        {"bmail.chm", 26, 4, "bmime32.dll", "Brantlow Mail Toolkit Reference"},
        {"bxfer.chm", 27, 7, "bssh.ocx", "Brantlow Transfer Kit Reference"},
        {"bterm.chm", 11, 11, "bcomm32.dll", "Brantlow Terminal Kit Reference"},
        {"bspell.chm", 71, 14, "bspell.dll", "Brantlow Spell Check Kit Reference"},
        {"bspell.chm", 71, 14, "bspell.ocx", "Brantlow Spell Check Kit Reference"},
        {"bzip.chm", 24, 8, "bbzip32.dll", "Brantlow Zip Library Reference"},
        {"bmailscr.chm", 15, 2, "bicalobj.dll", "Brantlow Mail Scripting Objects Reference"},
        {"bxferscr.chm", 16, 5, "bcertobj.dll", "Brantlow Transfer Scripting Objects Reference"},
        {"bcorenet.chm", 17, 4, "Brantlow.Dns.dll", "Brantlow .NET Core Components Reference"},
        {"bmailnet.chm", 17, 4, "Brantlow.Mail.Imap.dll", "Brantlow Mail Components for .NET Reference"},
        {"bxfernet.chm", 22, 6, "Brantlow.Ssh.dll", "Brantlow Transfer Components for .NET Reference"},
        {"bchart.chm", 49, 9, "Brantlow.Charting.Web.dll", "Brantlow Charts for .NET Reference"},
        {"btermnet.chm", 65, 12, "Brantlow.Terminal.Serial.dll",
         "Brantlow Terminal Components for .NET Reference"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.helpFile) + " from " + c.component);
        const ComponentEntry* entry = nullptr;
        for (int i = 0; g_aComponents[i].nType != COMPONENT_NONE; ++i)
            if (g_aComponents[i].nProductGroup == c.group &&
                lstrcmpA(g_aComponents[i].pszFileName, c.component) == 0)
                entry = &g_aComponents[i];
        ASSERT_NE(nullptr, entry);
        ASSERT_STREQ(c.helpFile, entry->pszHelpFile);

        InstallHelp(c.helpFile, TestDir() + "\\component-help\\" + c.helpFile);
        Open(c.product, c.group);
        g_calls.clear();
        Select(c.component, entry->nType);
        PressHelpButton();

        ASSERT_EQ(1u, g_calls.size());
        EXPECT_EQ(entry->dwHelpContext ? kHhHelpContext : kHhDisplayToc, g_calls[0].command);
        EXPECT_EQ(c.helpFile, g_calls[0].file);
        EXPECT_NE(nullptr, g_calls[0].result);
        ASSERT_TRUE(PumpUntil(HelpShown));
        std::vector<HWND> windows = HelpWindows();
        ASSERT_EQ(1u, windows.size());
        EXPECT_EQ(c.title, Caption(windows[0]));

        CloseHelpWindows();
        ASSERT_TRUE(PumpUntil(NoHelpShown));
        DestroyWindow(hDlg);
        hDlg = nullptr;
    }
}

TEST_F(Help, HelpFileNotListedOpensNothing)
{
    Open(2, 1);
    Select("bbarcode.ocx", COMPONENT_ACTIVEX);
    PressHelpButton();
    EXPECT_TRUE(g_calls.empty());
    EXPECT_TRUE(HelpWindows().empty());
    // Listed, but HTML Help not loaded: nothing either.
    InstallHelp("bbarcode.chm");
    g_pfnHtmlHelp = nullptr;
    PressHelpButton();
    g_pfnHtmlHelp = RecordingHtmlHelp;
    EXPECT_TRUE(g_calls.empty());
    EXPECT_TRUE(HelpWindows().empty());
}

TEST_F(Help, CloseAllClosesEveryHelpWindowThePanelOpened)
{
    InstallHelp("bbarcode.chm");
    Open(2, 1);
    Select("bbscan.ocx", COMPONENT_ACTIVEX);
    PressHelpButton();
    SendMessageA(hDlg, WM_COMMAND, ID_HELP_CONTENTS, 0);
    ASSERT_TRUE(PumpUntil(HelpShown));
    // Wine's HTML Help shows both in one viewer window; Windows may open two.
    std::vector<HWND> windows = HelpWindows();
    ASSERT_FALSE(windows.empty());
    ASSERT_EQ(2u, g_calls.size());
    EXPECT_NE(nullptr, g_calls[0].result);
    EXPECT_NE(nullptr, g_calls[1].result);
    // What the main window does on WM_CLOSE.
    CloseHelpWindows();
    EXPECT_TRUE(PumpUntil(NoHelpShown));
    for (HWND w : windows)
        EXPECT_FALSE(IsWindow(w) && IsWindowVisible(w));
    EXPECT_TRUE(HelpWindows().empty());
}

// --- Loading HTML Help -----------------------------------------------------
// Wine takes its own HTML Help before a native copy unless the program's
// settings say otherwise, and reads those settings when a program starts.
// So each case runs in a child process of this program (a disabled test run
// on purpose), started with native-first set for this program and the
// stand-in hhctrl.ocx planted beside it, which is also the child's current
// folder. The stand-in records its load in "hhctrl.ocx.loaded" beside it.

class PlantedHtmlHelp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string path = ProgramPath();
        key = "Software\\Wine\\AppDefaults\\" + path.substr(path.find_last_of('\\') + 1) +
              "\\DllOverrides";
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &h));
        const char value[] = "native,builtin";
        RegSetValueExA(h, "hhctrl.ocx", 0, REG_SZ, (const BYTE*)value, sizeof(value));
        RegCloseKey(h);
        ASSERT_TRUE(CopyFileA((TestDir() + "\\planted\\hhctrl.ocx").c_str(), Beside().c_str(),
                              FALSE));
        DeleteFileA(Marker().c_str());
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
        DeleteFileA(Beside().c_str());
        DeleteFileA(Marker().c_str());
    }
    static std::string Beside() { return TestDir() + "\\hhctrl.ocx"; }
    static std::string Marker() { return Beside() + ".loaded"; }
    // Runs one disabled test of this program in a child; its exit code.
    DWORD RunChild(const char* test)
    {
        std::string command = "\"" + ProgramPath() +
                              "\" --gtest_also_run_disabled_tests --gtest_filter=" + test;
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            TestDir().c_str(), &si, &pi))
            return 1000;
        DWORD code = 1001;
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        else
            TerminateProcess(pi.hProcess, 1002);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return code;
    }
    std::string key;
};

// The setting is real: a plain load by name takes the planted copy, and the
// copy records it.
TEST_F(PlantedHtmlHelp, PlainLoadByNameTakesThePlantedLibrary)
{
    EXPECT_EQ(0u, RunChild("PlantedChild.DISABLED_PlainLoadTakesThePlant"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Marker().c_str()));
}

// The panel's loading takes the system's copy in the same setting.
TEST_F(PlantedHtmlHelp, LibraryBesideTheProgramIsNotLoaded)
{
    EXPECT_EQ(0u, RunChild("PlantedChild.DISABLED_PanelLoadsTheSystemCopy"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Marker().c_str()));
}

std::string LoadedHtmlHelpPath()
{
    HMODULE loaded = GetModuleHandleA("hhctrl.ocx");
    char path[MAX_PATH] = "";
    if (loaded)
        GetModuleFileNameA(loaded, path, sizeof(path));
    return path;
}

TEST(PlantedChild, DISABLED_PlainLoadTakesThePlant)
{
    HMODULE h = LoadLibraryA("hhctrl.ocx");
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(0, lstrcmpiA((TestDir() + "\\hhctrl.ocx").c_str(), LoadedHtmlHelpPath().c_str()))
        << LoadedHtmlHelpPath();
}

TEST(PlantedChild, DISABLED_PanelLoadsTheSystemCopy)
{
    LoadHtmlHelp();
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    EXPECT_EQ(0, lstrcmpiA((std::string(system) + "\\hhctrl.ocx").c_str(),
                           LoadedHtmlHelpPath().c_str()))
        << LoadedHtmlHelpPath();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("hhctrl.ocx"));   // it was there
    ASSERT_NE(nullptr, g_pfnHtmlHelp);
    EXPECT_EQ((void*)g_pfnHtmlHelp,
              (void*)GetProcAddress(GetModuleHandleA("hhctrl.ocx"), "HtmlHelpA"));
    // The system's HTML Help opens a real window (the stand-in opens none).
    HWND help = g_pfnHtmlHelp(nullptr, ReferenceCopy().c_str(), kHhDisplayToc, 0);
    EXPECT_NE(nullptr, help);
    CloseHelpWindows();
}

} // namespace
