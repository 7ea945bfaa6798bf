// Registration through the system's real registration tool: the panel
// starts REGSVR32.EXE of the prefix's system folder on a self-registering
// component file of the tests' own (selfreg_component.dll, copied under a
// table entry's file name), and the tests watch the class registration that
// the file writes and removes. The panel does not wait for the tool, so the
// tests wait (bounded) for the registry, then inspect again as a user
// selecting the entry again would.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "Modpanel.h"
#include "PanelDriver.h"
#include "resource.h"

namespace
{

const char kRecordKey[] = "Software\\Modpanel Self-registration Test";
const char kNotInstalledText[] = "This control has not been installed in the system directory.";
const char kCannotExecuteText[] = "Unable to execute registration utility.";
const DWORD kToolWaitMs = 30000;

bool SamePath(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// The InprocServer32 path registered for the entry's class, or "".
std::string RegisteredPath(const ComponentEntry* e)
{
    std::string key = std::string("CLSID\\") + e->pszClassId + "\\InprocServer32";
    char value[MAX_PATH] = "";
    LONG size = sizeof(value);
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS)
        return "";
    value[sizeof(value) - 1] = '\0';
    return value;
}

// What the component file recorded of its last call ("Registered" or
// "Unregistered"): the path of the copy that ran, or "".
std::string Recorded(const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRecordKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "";
    char value[MAX_PATH] = "";
    DWORD size = sizeof(value) - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)value, &size) != ERROR_SUCCESS)
        value[0] = '\0';
    RegCloseKey(key);
    return value;
}

// A file's whole text, or "" when it cannot be read.
std::string FileText(const std::string& path)
{
    std::string text;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return text;
    char buffer[1024];
    DWORD read = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(h);
    return text;
}

// Pumps messages until the condition holds or the time is up.
template <typename Condition> bool WaitFor(Condition condition, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        if (condition())
            return true;
        if (GetTickCount() - start > ms)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(50);
    }
}

// --- Message boxes ---------------------------------------------------------
// While a watch is on, every "Modpanel" message box of this thread is read
// (text and whether it has the warning icon) and closed with OK.
struct SeenBox
{
    std::string text;
    bool warningIcon;
};
std::vector<SeenBox>* g_pSeen = nullptr;

BOOL CALLBACK CloseModpanelBox(HWND hWnd, LPARAM)
{
    char cls[32] = "", caption[64] = "";
    GetClassNameA(hWnd, cls, sizeof(cls));
    GetWindowTextA(hWnd, caption, sizeof(caption));
    if (lstrcmpA(cls, "#32770") != 0 || lstrcmpA(caption, "Modpanel") != 0 || !IsWindowVisible(hWnd))
        return TRUE;
    // The message box's text and icon controls.
    char text[512] = "";
    GetDlgItemTextA(hWnd, 0xFFFF, text, sizeof(text));
    HICON icon = (HICON)SendDlgItemMessageA(hWnd, 0x440, STM_GETICON, 0, 0);
    g_pSeen->push_back({text, icon != nullptr && icon == LoadIconA(nullptr, IDI_WARNING)});
    PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

void CALLBACK WatchBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_pSeen)
        EnumThreadWindows(GetCurrentThreadId(), CloseModpanelBox, 0);
}

class BoxWatch
{
public:
    BoxWatch()
    {
        g_pSeen = &seen;
        timer = SetTimer(nullptr, 0, 50, WatchBoxes);
    }
    ~BoxWatch()
    {
        KillTimer(nullptr, timer);
        g_pSeen = nullptr;
    }
    std::vector<SeenBox> seen;

private:
    UINT_PTR timer;
};

// --- The fixture -----------------------------------------------------------
class Registration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(nullptr);
        EnsureMainWindow();
        UseSafeSearchMode();
        InitialisePaths();
        tool = g_szRegistrationTool;
        ASSERT_TRUE(SamePath(SystemDir() + "\\REGSVR32.EXE", tool)) << tool;
        component = TestDir() + "\\selfreg_component.dll";
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(component.c_str())) << component;
        RegDeleteTreeA(HKEY_CURRENT_USER, kRecordKey);
        GetCurrentDirectoryA(sizeof(savedDir), savedDir);
        CountPanelActions();
    }
    void TearDown() override
    {
        ClosePanel(hDlg);
        lstrcpynA(g_szRegistrationTool, tool.c_str(), sizeof(g_szRegistrationTool));
        SetCurrentDirectoryA(savedDir);
        SetEnvironmentVariableA("SELFREG_CLASS_ID", nullptr);
        SetEnvironmentVariableA("TOOLRECORDER_LOG", nullptr);
        // The tool may still be letting go of a file it loaded.
        for (auto it = files.rbegin(); it != files.rend(); ++it)
            WaitFor([&] { return DeleteFileA(it->c_str()) ||
                                 GetFileAttributesA(it->c_str()) == INVALID_FILE_ATTRIBUTES; },
                    5000);
        for (auto it = dirs.rbegin(); it != dirs.rend(); ++it)
            RemoveDirectoryA(it->c_str());
        for (const std::string& key : classKeys)
            RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kRecordKey);
    }

    // The entry whose class the component file registers; its class key is
    // removed after the test.
    void UseClassOf(const ComponentEntry* e)
    {
        SetEnvironmentVariableA("SELFREG_CLASS_ID", e->pszClassId);
        classKeys.push_back(std::string("CLSID\\") + e->pszClassId);
    }
    // Opens the panel modeless for a product and group, as RunDialog would.
    void Open(DWORD product, int group)
    {
        hDlg = OpenPanel(product, group);
        ASSERT_NE(nullptr, hDlg);
    }
    void Select(const ComponentEntry* e)
    {
        ASSERT_TRUE(SelectEntry(hDlg, e)) << e->pszFileName;
    }
    // Uses a Control menu command as the menu does; answers the message
    // boxes it showed.
    std::vector<SeenBox> Command(UINT command)
    {
        BoxWatch watch;
        SendMessageA(hDlg, WM_COMMAND, command, 0);
        return watch.seen;
    }

    void MakeDir(const std::string& dir)
    {
        if (CreateDirectoryA(dir.c_str(), nullptr))
            dirs.push_back(dir);
    }
    void Place(const std::string& path)
    {
        files.push_back(path);
        ASSERT_TRUE(CopyFileA(component.c_str(), path.c_str(), FALSE)) << path;
    }
    // Registers the entry's class by hand with InprocServer32 = path.
    void RegisterByHand(const ComponentEntry* e, const std::string& path)
    {
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT,
                                               (std::string("CLSID\\") + e->pszClassId +
                                                "\\InprocServer32").c_str(), &h));
        RegSetValueExA(h, nullptr, 0, REG_SZ, (const BYTE*)path.c_str(), (DWORD)path.size() + 1);
        RegCloseKey(h);
    }
    bool WaitRegistered(const ComponentEntry* e, const std::string& path)
    {
        return WaitFor([&] { return SamePath(RegisteredPath(e), path); }, kToolWaitMs);
    }
    bool WaitUnregistered(const ComponentEntry* e)
    {
        return WaitFor([&] { return RegisteredPath(e).empty(); }, kToolWaitMs);
    }
    std::string Status() { return ControlText(hDlg, IDC_STATUS); }

    std::string tool, component;
    char savedDir[MAX_PATH] = "";
    HWND hDlg = nullptr;
    std::vector<std::string> files, dirs, classKeys;
};

const ComponentEntry* SelfRegisteringControl()
{
    return FindEntry(COMPONENT_ACTIVEX, 2, COMPONENT_SELF_REGISTERING, true);
}

// --- Registering and unregistering through the tool ------------------------

TEST_F(Registration, RegisterAndUnregisterAFileInTheSystemFolder)
{
    const ComponentEntry* e = SelfRegisteringControl();
    ASSERT_NE(nullptr, e);
    UseClassOf(e);
    std::string path = SystemDir() + "\\" + e->pszFileName;
    Place(path);
    Open(5, 2);
    Select(e);
    EXPECT_EQ("Installed, Not registered", Status());
    EXPECT_FALSE(MenuItemGrayed(hDlg, ID_CONTROL_REGISTER));

    EXPECT_TRUE(Command(ID_CONTROL_REGISTER).empty());
    ASSERT_TRUE(WaitRegistered(e, path)) << RegisteredPath(e);
    EXPECT_TRUE(SamePath(path, Recorded("Registered")));
    InspectComponent(hDlg);
    EXPECT_EQ("Installed, Registered", Status());
    EXPECT_TRUE(MenuItemGrayed(hDlg, ID_CONTROL_REGISTER));
    EXPECT_FALSE(MenuItemGrayed(hDlg, ID_CONTROL_UNREGISTER));

    EXPECT_TRUE(Command(ID_CONTROL_UNREGISTER).empty());
    ASSERT_TRUE(WaitUnregistered(e));
    EXPECT_TRUE(SamePath(path, Recorded("Unregistered")));
    InspectComponent(hDlg);
    EXPECT_EQ("Installed, Not registered", Status());
    EXPECT_EQ(1, g_actionCalls.nRegister);
    EXPECT_EQ(1, g_actionCalls.nUnregister);
}

// The search looks in the program's folder first, whatever the registration
// says (the current folder after the system folders: modpanel_e2e.py).
TEST_F(Registration, RegisterTakesTheCopyTheSearchFindsNotTheRegisteredOne)
{
    const ComponentEntry* e = SelfRegisteringControl();
    ASSERT_NE(nullptr, e);
    UseClassOf(e);
    MakeDir("C:\\mpregold");
    std::string old = std::string("C:\\mpregold\\") + e->pszFileName;
    Place(old);
    RegisterByHand(e, old);
    std::string own = TestDir() + "\\" + e->pszFileName;
    Place(own);
    Place(SystemDir() + "\\" + e->pszFileName);
    Open(5, 2);
    Select(e);
    EXPECT_EQ("Installed, Registered", Status());

    EXPECT_TRUE(Command(ID_CONTROL_REGISTER).empty());
    ASSERT_TRUE(WaitRegistered(e, own)) << RegisteredPath(e);
    EXPECT_TRUE(SamePath(own, Recorded("Registered")));
}

TEST_F(Registration, UnregisterUsesTheRegisteredPathNotTheCopyInspectionFound)
{
    const ComponentEntry* e = SelfRegisteringControl();
    ASSERT_NE(nullptr, e);
    UseClassOf(e);
    MakeDir("C:\\mpregelse");
    std::string registered = std::string("C:\\mpregelse\\") + e->pszFileName;
    std::string found = SystemDir() + "\\" + e->pszFileName;
    RegisterByHand(e, registered);
    Place(found);
    Open(5, 2);
    Select(e);
    // The registered file is missing: inspection shows the system folder's copy.
    EXPECT_EQ("Installed, Registered", Status());
    EXPECT_EQ("3.1.4.159", ControlText(hDlg, IDC_FILE_VERSION));

    // The registered file appears before Unregister is used.
    Place(registered);
    EXPECT_TRUE(Command(ID_CONTROL_UNREGISTER).empty());
    ASSERT_TRUE(WaitFor([] { return !Recorded("Unregistered").empty(); }, kToolWaitMs));
    EXPECT_TRUE(SamePath(registered, Recorded("Unregistered")));
    EXPECT_TRUE(WaitUnregistered(e));
}

TEST_F(Registration, PathsWithBlanksReachTheToolWhole)
{
    const ComponentEntry* e = SelfRegisteringControl();
    ASSERT_NE(nullptr, e);
    UseClassOf(e);
    std::string dir = "C:\\Program Files\\Modpanel Reg Test";
    MakeDir(dir);
    std::string path = dir + "\\" + e->pszFileName;
    Place(path);
    // The search finds it in the current folder, after the system folders.
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    Open(5, 2);
    Select(e);

    EXPECT_TRUE(Command(ID_CONTROL_REGISTER).empty());
    ASSERT_TRUE(WaitRegistered(e, path)) << RegisteredPath(e);
    InspectComponent(hDlg);
    EXPECT_EQ("Installed, Registered", Status());

    // The tool itself in a folder with blanks.
    std::string toolDir = dir + "\\Tool Copy";
    MakeDir(toolDir);
    std::string toolCopy = toolDir + "\\REGSVR32.EXE";
    files.push_back(toolCopy);
    ASSERT_TRUE(CopyFileA(tool.c_str(), toolCopy.c_str(), FALSE));
    lstrcpynA(g_szRegistrationTool, toolCopy.c_str(), sizeof(g_szRegistrationTool));
    SetCurrentDirectoryA(savedDir);
    EXPECT_TRUE(Command(ID_CONTROL_UNREGISTER).empty());
    ASSERT_TRUE(WaitUnregistered(e));
    EXPECT_TRUE(SamePath(path, Recorded("Unregistered")));
    InspectComponent(hDlg);
    EXPECT_EQ("Not installed, Not registered", Status());
}

// --- Stored paths in quotation marks, and an empty one ----------------------

// Installers often store InprocServer32 quoted: the file it names is
// installed and registered, and unregistering reaches the real tool with
// that file as one argument.
TEST_F(Registration, QuotedStoredPathsNameTheFileForInspectionAndTheTool)
{
    const ComponentEntry* e = SelfRegisteringControl();
    ASSERT_NE(nullptr, e);
    UseClassOf(e);
    // Not on any search path: only the registration finds it.
    std::string dir = "C:\\Program Files\\Modpanel Quoted Test";
    MakeDir(dir);
    std::string path = dir + "\\" + e->pszFileName;
    Place(path);
    Open(5, 2);
    const struct
    {
        const char* name;
        std::string stored;
    } rows[] = {
        {"quoted", "\"" + path + "\""},
        {"opening mark only", "\"" + path},
        {"unquoted with blanks", path},
    };
    for (const auto& row : rows)
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kRecordKey);
        RegisterByHand(e, row.stored);
        Select(e);
        EXPECT_EQ("Installed, Registered", Status()) << row.name;
        EXPECT_EQ("3.1.4.159", ControlText(hDlg, IDC_FILE_VERSION)) << row.name;
        EXPECT_FALSE(MenuItemGrayed(hDlg, ID_CONTROL_UNREGISTER)) << row.name;

        EXPECT_TRUE(Command(ID_CONTROL_UNREGISTER).empty()) << row.name;
        // A row whose file the tool never reached ends the test (and its
        // wait) there.
        ASSERT_TRUE(WaitFor([] { return !Recorded("Unregistered").empty(); }, kToolWaitMs))
            << row.name;
        EXPECT_TRUE(SamePath(path, Recorded("Unregistered"))) << row.name << ": "
                                                              << Recorded("Unregistered");
        EXPECT_TRUE(WaitUnregistered(e)) << row.name << ": " << RegisteredPath(e);
        // Only the registration led to the file.
        InspectComponent(hDlg);
        EXPECT_EQ("Not installed, Not registered", Status()) << row.name;
    }
}

// The command line as a tool started by Unregister receives it, through a
// stand-in tool that records it: for each way a registration can store its
// path, and for registrations that start nothing, an empty path with the
// warning that a failed start shows.
TEST_F(Registration, UnregisterCommandLineAsTheToolReceivesIt)
{
    const ComponentEntry* e = SelfRegisteringControl();
    ASSERT_NE(nullptr, e);
    std::string classKey = std::string("CLSID\\") + e->pszClassId;
    classKeys.push_back(classKey);
    std::string recorder = TestDir() + "\\tool_recorder.exe";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(recorder.c_str())) << recorder;
    std::string log = TestDir() + "\\tool_recorder.log";
    files.push_back(log);
    SetEnvironmentVariableA("TOOLRECORDER_LOG", log.c_str());
    lstrcpynA(g_szRegistrationTool, recorder.c_str(), sizeof(g_szRegistrationTool));
    Open(5, 2);

    std::string dir = "C:\\Program Files\\Modpanel Quoted Test";
    MakeDir(dir);
    std::string file = dir + "\\" + e->pszFileName;
    Place(file);
    std::string started = "\"" + recorder + "\" /u ";
    enum Stored { kValue, kServerKeyWithoutValue, kClassKeyOnly, kNothing };
    const struct
    {
        const char* name;
        Stored stored;
        std::string value;
        std::string expected;       // the recorded lines; "" when nothing starts
        bool warning;               // IDS_REGISTRATION_FAILED shown
    } rows[] = {
        {"unquoted with blanks", kValue, file, started + "\"" + file + "\"\n[/u]\n[" + file + "]\nend\n", false},
        {"quoted", kValue, "\"" + file + "\"", started + "\"" + file + "\"\n[/u]\n[" + file + "]\nend\n", false},
        {"opening mark only", kValue, "\"" + file, started + "\"" + file + "\"\n[/u]\n[" + file + "]\nend\n", false},
        {"empty value", kValue, "", "", true},
        // The platform reads a missing default value as empty text.
        {"server key without a value", kServerKeyWithoutValue, "", "", true},
        {"class key without server key", kClassKeyOnly, "", "", false},
        {"no class key", kNothing, "", "", false},
    };
    for (const auto& row : rows)
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, classKey.c_str());
        DeleteFileA(log.c_str());
        HKEY h;
        if (row.stored == kValue)
            RegisterByHand(e, row.value);
        else if (row.stored == kServerKeyWithoutValue &&
                 RegCreateKeyA(HKEY_CLASSES_ROOT, (classKey + "\\InprocServer32").c_str(), &h) == 0)
            RegCloseKey(h);
        else if (row.stored == kClassKeyOnly && RegCreateKeyA(HKEY_CLASSES_ROOT, classKey.c_str(), &h) == 0)
            RegCloseKey(h);
        Select(e);

        int startedBefore = g_actionCalls.nStarted;
        std::vector<SeenBox> boxes = Command(ID_CONTROL_UNREGISTER);
        EXPECT_EQ(row.warning ? 1u : 0u, boxes.size()) << row.name;
        if (row.warning && boxes.size() == 1)
        {
            EXPECT_EQ(kCannotExecuteText, boxes[0].text) << row.name;
        }
        std::string recorded;
        auto ended = [&] {
            recorded = FileText(log);
            return recorded.size() >= 4 && recorded.compare(recorded.size() - 4, 4, "end\n") == 0;
        };
        if (row.expected.empty())
        {
            // The command has returned: a tool it started is started now.
            EXPECT_EQ(startedBefore, g_actionCalls.nStarted) << row.name;
            EXPECT_EQ("", FileText(log)) << row.name;
        }
        else
        {
            EXPECT_EQ(startedBefore + 1, g_actionCalls.nStarted) << row.name;
            ASSERT_TRUE(WaitFor(ended, kToolWaitMs)) << row.name << ": " << recorded;
            EXPECT_EQ(row.expected, recorded) << row.name;
        }
    }
    EXPECT_EQ(7, g_actionCalls.nUnregister);
}

// --- Messages --------------------------------------------------------------

TEST_F(Registration, RegisterShowsMessage12WhenTheSearchCannotFindTheFile)
{
    const ComponentEntry* e = SelfRegisteringControl();
    ASSERT_NE(nullptr, e);
    UseClassOf(e);
    // Found by inspection through its registered path only.
    MakeDir("C:\\mpregonly");
    std::string registered = std::string("C:\\mpregonly\\") + e->pszFileName;
    Place(registered);
    RegisterByHand(e, registered);
    Open(5, 2);
    Select(e);
    EXPECT_EQ("Installed, Registered", Status());

    std::vector<SeenBox> boxes = Command(ID_CONTROL_REGISTER);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kNotInstalledText, boxes[0].text);
    EXPECT_TRUE(boxes[0].warningIcon);
    // No tool was started (the command has returned).
    EXPECT_EQ(0, g_actionCalls.nStarted);
    EXPECT_EQ("", Recorded("Registered"));
    EXPECT_TRUE(SamePath(registered, RegisteredPath(e)));
    EXPECT_EQ("Installed, Registered", Status());
}

TEST_F(Registration, ToolThatCannotStartShowsMessage11)
{
    const ComponentEntry* e = SelfRegisteringControl();
    ASSERT_NE(nullptr, e);
    UseClassOf(e);
    std::string path = SystemDir() + "\\" + e->pszFileName;
    Place(path);
    lstrcpynA(g_szRegistrationTool, "C:\\no such folder\\REGSVR32.EXE", sizeof(g_szRegistrationTool));
    Open(5, 2);
    Select(e);

    std::vector<SeenBox> boxes = Command(ID_CONTROL_REGISTER);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kCannotExecuteText, boxes[0].text);
    EXPECT_TRUE(boxes[0].warningIcon);

    // Unregistering a registered entry: the same message.
    RegisterByHand(e, path);
    InspectComponent(hDlg);
    boxes = Command(ID_CONTROL_UNREGISTER);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kCannotExecuteText, boxes[0].text);
    EXPECT_TRUE(SamePath(path, RegisteredPath(e)));
}

// --- Alt+R and Alt+U in the running panel ----------------------------------

// A step that selects the entry in the running panel and inspects it.
PanelStep SelectStep(const ComponentEntry* e)
{
    return [e](HWND hDlg) {
        SelectEntry(hDlg, e);
        return true;
    };
}

TEST_F(Registration, AltRStartsTheToolForALibraryWithAClassIdAlthoughGrayed)
{
    const ComponentEntry* e = FindEntry(COMPONENT_LIBRARY, 8, 0, true);
    ASSERT_NE(nullptr, e);
    ASSERT_FALSE(e->dwFlags & COMPONENT_SELF_REGISTERING);
    UseClassOf(e);
    std::string path = SystemDir() + "\\" + e->pszFileName;
    Place(path);
    g_dwProduct = 24;
    g_nProductGroup = 8;
    RefreshProductText();
    BuildTitle();
    bool registerGrayed = false, registered = false, unregistered = false;
    std::string status;
    BoxWatch watch;
    INT_PTR result = RunDriven(IDD_PANEL, {
        SelectStep(e),
        [&](HWND hDlg) {
            registerGrayed = MenuItemGrayed(hDlg, ID_CONTROL_REGISTER);
            status = ControlText(hDlg, IDC_STATUS);
            PostAltKey(hDlg, 'R');
            return true;
        },
        [&](HWND) { return registered = SamePath(RegisteredPath(e), path); },
        [&](HWND hDlg) { PostAltKey(hDlg, 'U'); return true; },
        [&](HWND) { return unregistered = RegisteredPath(e).empty(); },
        [&](HWND hDlg) { EndDialog(hDlg, 1); return true; },
    }, 2 * kToolWaitMs);
    EXPECT_EQ(1, result);
    EXPECT_TRUE(registerGrayed);
    EXPECT_EQ("Installed", status);
    EXPECT_TRUE(registered);
    EXPECT_TRUE(unregistered);
    EXPECT_TRUE(watch.seen.empty());
}

TEST_F(Registration, AltKeysDoNothingWithoutRegistrationOrClassId)
{
    // A control that is installed where the search finds it but not registered.
    const ComponentEntry* control = SelfRegisteringControl();
    ASSERT_NE(nullptr, control);
    UseClassOf(control);
    Place(SystemDir() + "\\" + control->pszFileName);
    // A library without class identifier, installed nowhere.
    const ComponentEntry* library = FindEntry(COMPONENT_LIBRARY, 2, 0, false);
    ASSERT_NE(nullptr, library);
    g_dwProduct = 5;
    g_nProductGroup = 2;
    RefreshProductText();
    BuildTitle();
    std::string libraryStatus;
    BoxWatch watch;
    RunDriven(IDD_PANEL, {
        SelectStep(control),
        [&](HWND hDlg) { PostAltKey(hDlg, 'U'); return true; },
        UntilPostedHandled(),
        SelectStep(library),
        [&](HWND hDlg) {
            libraryStatus = ControlText(hDlg, IDC_STATUS);
            PostAltKey(hDlg, 'R');
            PostAltKey(hDlg, 'U');
            return true;
        },
        UntilPostedHandled(),
        [&](HWND hDlg) { EndDialog(hDlg, 1); return true; },
    }, 20000);
    EXPECT_EQ(1, g_actionCalls.nRegister);
    EXPECT_EQ(2, g_actionCalls.nUnregister);
    EXPECT_EQ("Not installed", libraryStatus);
    EXPECT_TRUE(watch.seen.empty());
    // No tool was started (the dialog has ended, every key handled).
    EXPECT_EQ(0, g_actionCalls.nStarted);
    EXPECT_EQ("", Recorded("Unregistered"));
    EXPECT_EQ("", Recorded("Registered"));
    EXPECT_EQ("", RegisteredPath(control));
}

// --- The command line ------------------------------------------------------

TEST(RegistrationCommand, QuotesEachPathOnce)
{
    const char* tool = "C:\\windows\\system32\\REGSVR32.EXE";
    struct Row
    {
        const char* name;
        const char* file;
        BOOL registering;
        const char* expected;
    } rows[] = {
        {"register", "C:\\Program Files\\B\\x.ocx", TRUE,
         "\"C:\\windows\\system32\\REGSVR32.EXE\" \"C:\\Program Files\\B\\x.ocx\""},
        {"unregister", "C:\\x.ocx", FALSE, "\"C:\\windows\\system32\\REGSVR32.EXE\" /u \"C:\\x.ocx\""},
        {"stored quoted", "\"C:\\Program Files\\B\\x.ocx\"", FALSE,
         "\"C:\\windows\\system32\\REGSVR32.EXE\" /u \"C:\\Program Files\\B\\x.ocx\""},
        {"opening mark only", "\"C:\\Program Files\\B\\x.ocx", FALSE,
         "\"C:\\windows\\system32\\REGSVR32.EXE\" /u \"C:\\Program Files\\B\\x.ocx\""},
        {"closing mark only", "C:\\B\\x.ocx\"", FALSE,
         "\"C:\\windows\\system32\\REGSVR32.EXE\" /u \"C:\\B\\x.ocx\""},
        {"empty", "", FALSE, "\"C:\\windows\\system32\\REGSVR32.EXE\" /u \"\""},
        {"marks alone", "\"\"", FALSE, "\"C:\\windows\\system32\\REGSVR32.EXE\" /u \"\""},
        {"one mark alone", "\"", FALSE, "\"C:\\windows\\system32\\REGSVR32.EXE\" /u \"\""},
    };
    for (const Row& row : rows)
    {
        char command[512];
        ASSERT_TRUE(BuildRegistrationCommand(tool, row.file, row.registering, command,
                                             sizeof(command))) << row.name;
        EXPECT_STREQ(row.expected, command) << row.name;
    }
    // A quoted tool path is quoted once too.
    char command[512];
    ASSERT_TRUE(BuildRegistrationCommand("\"C:\\T T\\REGSVR32.EXE\"", "C:\\x.ocx", TRUE, command,
                                         sizeof(command)));
    EXPECT_STREQ("\"C:\\T T\\REGSVR32.EXE\" \"C:\\x.ocx\"", command);
}

// What a registry value or a search may hand the tool: each row that is not
// a full local path of an existing file, or that could split into switches
// and arguments of its own, is refused. No file system holds a name with a
// quotation mark or a character below 32, so for those the text rule and
// the existence test both refuse; a delete character (127) can be in a
// name, and only the text rule refuses that existing file.
TEST(RegistrationCommand, OnlyFullLocalPathsOfExistingFilesReachTheTool)
{
    std::string file = TestDir() + "\\selfreg_component.dll";
    ASSERT_EQ(':', file[1]) << file;
    std::string lower = file;
    lower[0] = static_cast<char>(lower[0] | 0x20);
    std::string deleteChar = TestDir() + "\\selfreg\x7f.dll";
    ASSERT_TRUE(CopyFileA(file.c_str(), deleteChar.c_str(), FALSE)) << GetLastError();
    const struct
    {
        const char* name;
        std::string path;
        bool accepted;
    } rows[] = {
        {"existing file", file, true},
        {"lower-case drive", lower, true},
        {"switches after a quotation mark",
         "C:\\none\" /s /n /i:http://127.0.0.1/x.sct scrobj.dll \"", false},
        {"quotation mark in an existing folder's path", file.substr(0, 3) + "\"" + file.substr(3), false},
        {"tab", file.substr(0, file.size() - 4) + "\t.dll", false},
        {"line feed", file + "\n/s", false},
        {"delete character", deleteChar, false},
        {"relative", "selfreg_component.dll", false},
        {"drive without a backslash", file.substr(0, 2) + file.substr(3), false},
        {"forward slashes", file.substr(0, 2) + "/" + file.substr(3), false},
        {"share", "\\\\127.0.0.1\\share\\x.ocx", false},
        {"long-path prefix", "\\\\?\\" + file, false},
        {"device path", "\\\\.\\" + file, false},
        {"missing file", file + ".missing", false},
        {"folder", TestDir(), false},
        {"empty", "", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.accepted, IsRegistrableFile(row.path.c_str())) << row.name << ": " << row.path;
    DeleteFileA(deleteChar.c_str());
}

TEST(RegistrationCommand, ALineThatDoesNotFitIsNotBuilt)
{
    // "tool" "file": 2 + 2 + 1 characters around the paths; 511 fit.
    std::string tool(200, 't');
    std::string file(511 - 5 - tool.size(), 'f');
    char command[520];
    memset(command, '#', sizeof(command));
    ASSERT_TRUE(BuildRegistrationCommand(tool.c_str(), file.c_str(), TRUE, command, 512));
    EXPECT_EQ(511u, strlen(command));
    EXPECT_EQ('#', command[512]);

    memset(command, '#', sizeof(command));
    file += 'f';
    EXPECT_FALSE(BuildRegistrationCommand(tool.c_str(), file.c_str(), TRUE, command, 512));
    EXPECT_STREQ("", command);
    for (int i = 512; i < (int)sizeof(command); ++i)
        EXPECT_EQ('#', command[i]);

    // Marks that the file carries take no room of their own.
    std::string quoted = "\"" + file.substr(0, file.size() - 1) + "\"";
    EXPECT_TRUE(BuildRegistrationCommand(tool.c_str(), quoted.c_str(), TRUE, command, 512));
    EXPECT_EQ(511u, strlen(command));

    // " /u " takes three more.
    file.resize(511 - 8 - tool.size());
    EXPECT_TRUE(BuildRegistrationCommand(tool.c_str(), file.c_str(), FALSE, command, 512));
    file += 'f';
    EXPECT_FALSE(BuildRegistrationCommand(tool.c_str(), file.c_str(), FALSE, command, 512));
}

} // namespace
