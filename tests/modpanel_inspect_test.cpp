// Inspection of component files placed in the Wine prefix by the test: the
// registry's InprocServer32 path, the assemblies folders, the standard
// search, the file's version resource, date and size, and the states of the
// Register, Unregister and Help commands. The panel runs modeless here, so
// that the test can select entries and read the fields directly.
#include <algorithm>
#include <gtest/gtest.h>

#include <time.h>

#include <string>
#include <vector>

#include "Modpanel.h"
#include "ProductCatalogue.h"
#include "PanelDriver.h"
#include "resource.h"

namespace
{

const char kHtmlHelpKey[] = "Software\\Microsoft\\Windows\\HTML Help";

// 5 March 2009, 14:07 local time.
time_t KnownTime()
{
    struct tm local = {};
    local.tm_year = 109;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 14;
    local.tm_min = 7;
    local.tm_isdst = -1;
    return mktime(&local);
}

class Inspection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(nullptr);
        _tzset();
        probe = TestDir() + "\\probe_component.dll";
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(probe.c_str())) << probe;
    }
    void TearDown() override { Clean(); }
    // Closes the panel and removes what the test placed and registered.
    void Clean()
    {
        ClosePanel(hDlg);
        for (auto it = files.rbegin(); it != files.rend(); ++it)
            DeleteFileA(it->c_str());
        for (auto it = dirs.rbegin(); it != dirs.rend(); ++it)
            RemoveDirectoryA(it->c_str());
        for (const std::string& key : classKeys)
            RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
        for (const std::string& name : helpValues)
        {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHtmlHelpKey, 0, KEY_SET_VALUE, &key) == 0)
            {
                RegDeleteValueA(key, name.c_str());
                RegCloseKey(key);
            }
        }
        files.clear();
        dirs.clear();
        classKeys.clear();
        helpValues.clear();
    }

    // Opens the panel for a product and group, as RunDialog would.
    void Open(DWORD product, int group)
    {
        hDlg = OpenPanel(product, group);
        ASSERT_NE(nullptr, hDlg);
    }
    void Select(const ComponentEntry* entry)
    {
        ASSERT_TRUE(SelectEntry(hDlg, entry)) << entry->pszFileName;
    }

    void MakeDir(const std::string& dir)
    {
        if (CreateDirectoryA(dir.c_str(), nullptr))
            dirs.push_back(dir);
    }
    // Copies the probe (or, without a version, writes size bytes) to path,
    // with the known modification time; answers the file's size.
    DWORD Place(const std::string& path, bool withVersion, DWORD size = 1234)
    {
        if (withVersion)
        {
            EXPECT_TRUE(CopyFileA(probe.c_str(), path.c_str(), FALSE)) << path;
        }
        else
        {
            HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            EXPECT_NE(INVALID_HANDLE_VALUE, h) << path;
            std::string bytes(size, 'x');
            DWORD written = 0;
            WriteFile(h, bytes.data(), size, &written, nullptr);
            CloseHandle(h);
        }
        files.push_back(path);
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        unsigned long long ticks = (unsigned long long)KnownTime() * 10000000ULL + 116444736000000000ULL;
        FILETIME ft = {(DWORD)ticks, (DWORD)(ticks >> 32)};
        SetFileTime(h, nullptr, nullptr, &ft);
        CloseHandle(h);
        WIN32_FILE_ATTRIBUTE_DATA data;
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
        return data.nFileSizeLow;
    }
    // Registers the entry's class with InprocServer32 = path, stored with
    // or without its terminating zero.
    void Register(const ComponentEntry* entry, const std::string& path, bool terminated = true)
    {
        std::string key = std::string("CLSID\\") + entry->pszClassId;
        classKeys.push_back(key);
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str(), &h));
        RegSetValueExA(h, nullptr, 0, REG_SZ, (const BYTE*)path.c_str(),
                       (DWORD)path.size() + (terminated ? 1 : 0));
        RegCloseKey(h);
    }
    void ListHelpFolder(const char* helpFile, const std::string& folder)
    {
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, kHtmlHelpKey, &h));
        RegSetValueExA(h, helpFile, 0, REG_SZ, (const BYTE*)folder.c_str(), (DWORD)folder.size() + 1);
        RegCloseKey(h);
        helpValues.push_back(helpFile);
    }

    std::string Text(int id) { return ControlText(hDlg, id); }
    bool Grayed(UINT command) { return MenuItemGrayed(hDlg, command); }

    std::string probe;
    HWND hDlg = nullptr;
    std::vector<std::string> files, dirs, classKeys, helpValues;
};

// One component file, placed (or not) and registered (or not), then
// inspected: what the panel shows and which commands it offers. A null
// text and -1 are not checked; a size of "=" is the placed file's.
TEST_F(Inspection, PlacedAndRegisteredFiles)
{
    enum Where { kNowhere, kSystemFolder, kOwnFolder };
    enum Registered { kNot, kElsewhere, kThere, kThereWithoutTerminator, kOnShare };
    const struct
    {
        const char* name;
        int type, group;
        DWORD flags;
        bool classId;
        DWORD product;
        Where where;
        const char* folder;
        bool withVersion;
        DWORD bytes;
        Registered registered;
        const char *status, *date, *size, *version;
        int registerGrayed, unregisterGrayed, helpEnabled;
        bool description;
    } rows[] = {
        {"registered path missing, copy found by the search", COMPONENT_ACTIVEX, 2,
         COMPONENT_SELF_REGISTERING, true, 5, kSystemFolder, nullptr, true, 0, kElsewhere,
         "Installed, Registered", "03-05-2009 14:07", "=", "3.1.4.159", 1, 0, -1, true},
        {"registered on a share: the share not read, the search's copy shown", COMPONENT_ACTIVEX, 2,
         COMPONENT_SELF_REGISTERING, true, 5, kSystemFolder, nullptr, true, 0, kOnShare,
         "Installed, Registered", nullptr, "=", "3.1.4.159", 1, 0, -1, false},
        {"registered and found nowhere", COMPONENT_ACTIVEX, 2, COMPONENT_SELF_REGISTERING, true, 5,
         kNowhere, nullptr, false, 0, kElsewhere,
         "Not installed, Registered", "None", "0 bytes", "None", 1, 1, 0, false},
        {"installed, not registered: Register offered", COMPONENT_ACTIVEX, 2,
         COMPONENT_SELF_REGISTERING, true, 5, kSystemFolder, nullptr, true, 0, kNot,
         "Installed, Not registered", nullptr, nullptr, nullptr, 0, 1, -1, false},
        {"registered path stored without its terminator", COMPONENT_SCRIPTING, 3,
         COMPONENT_SELF_REGISTERING, true, 20, kOwnFolder, "C:\\mpreg", false, 777,
         kThereWithoutTerminator,
         "Installed, Registered", "03-05-2009 14:07", "777 bytes", "None", -1, -1, -1, false},
        {"library with a class identifier: no registration part", COMPONENT_LIBRARY, 2, 0, true, 5,
         kOwnFolder, "C:\\mplib", true, 0, kThere,
         "Installed", nullptr, nullptr, "3.1.4.159", 1, 1, -1, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        const ComponentEntry* e = FindEntry(row.type, row.group, row.flags, row.classId);
        ASSERT_NE(nullptr, e);
        std::string path;
        DWORD placed = 0;
        if (row.where == kSystemFolder)
            path = SystemDir() + "\\" + e->pszFileName;
        else if (row.where == kOwnFolder)
        {
            MakeDir(row.folder);
            path = std::string(row.folder) + "\\" + e->pszFileName;
        }
        if (!path.empty())
            placed = row.withVersion ? Place(path, true) : Place(path, false, row.bytes);
        if (row.registered == kElsewhere)
            Register(e, "C:\\nowhere\\" + std::string(e->pszFileName));
        else if (row.registered == kOnShare)
        {
            // Wine serves \\mpshare\share from the prefix's dosdevices\unc folder:
            // a file that the panel must not read (777 bytes, no version).
            const char* prefix = getenv("WINEPREFIX");
            ASSERT_NE(nullptr, prefix);
            std::string share = "Z:" + std::string(prefix) + "/dosdevices/unc";
            std::replace(share.begin(), share.end(), '/', '\\');
            for (const char* part : {"", "\\mpshare", "\\share"})
                MakeDir(share += part);
            Place(share + "\\" + e->pszFileName, false, 777);
            Register(e, std::string("\\\\mpshare\\share\\") + e->pszFileName);
        }
        else if (row.registered != kNot)
            Register(e, path, row.registered == kThere);
        Open(row.product, row.group);
        Select(e);

        if (row.status)
        {
            EXPECT_EQ(row.status, Text(IDC_STATUS));
        }
        if (row.date)
        {
            EXPECT_EQ(row.date, Text(IDC_FILE_DATE));
        }
        if (row.size)
        {
            EXPECT_EQ(std::string(row.size) == "=" ? std::to_string(placed) + " bytes" : row.size,
                      Text(IDC_FILE_SIZE));
        }
        if (row.version)
        {
            EXPECT_EQ(row.version, Text(IDC_FILE_VERSION));
        }
        if (row.registerGrayed >= 0)
        {
            EXPECT_EQ(row.registerGrayed == 1, Grayed(ID_CONTROL_REGISTER));
        }
        if (row.unregisterGrayed >= 0)
        {
            EXPECT_EQ(row.unregisterGrayed == 1, Grayed(ID_CONTROL_UNREGISTER));
        }
        if (row.helpEnabled >= 0)
        {
            EXPECT_EQ(row.helpEnabled == 1, !!IsWindowEnabled(GetDlgItem(hDlg, IDC_HELP_BUTTON)));
        }
        if (row.description)
        {
            // The description is the entry's string.
            char description[4096];
            LoadStringA(g_hInstance, e->nDescription, description, sizeof(description));
            EXPECT_EQ(description, Text(IDC_DESCRIPTION));
            EXPECT_FALSE(Text(IDC_DESCRIPTION).empty());
        }
        Clean();
    }
}

TEST_F(Inspection, SharedAssemblyIsTakenFromTheGroupsFolderFirst)
{
    const ComponentEntry* e = FindEntry(COMPONENT_DOTNET, 4, COMPONENT_SHARED_ASSEMBLY, false);
    ASSERT_NE(nullptr, e);
    std::string root = g_szAssembliesFolder;
    MakeDir("C:\\Program Files\\Common Files");
    MakeDir("C:\\Program Files\\Common Files\\Brantlow Shared");
    MakeDir(root);
    MakeDir(root + "\\v6.0");
    MakeDir(root + "\\v6.0\\v2.0.50727");
    MakeDir(root + "\\v1.1.4322");
    DWORD first = Place(root + "\\v6.0\\v2.0.50727\\" + e->pszFileName, false, 2000);
    Place(root + "\\v1.1.4322\\" + e->pszFileName, true);
    Open(17, 4);
    Select(e);
    EXPECT_EQ("Installed", Text(IDC_STATUS));           // no registration part
    EXPECT_EQ(std::to_string(first) + " bytes", Text(IDC_FILE_SIZE));
    EXPECT_EQ("None", Text(IDC_FILE_VERSION));

    // Without the group's copy, the older framework's folder serves.
    DeleteFileA((root + "\\v6.0\\v2.0.50727\\" + e->pszFileName).c_str());
    InspectComponent(hDlg);
    EXPECT_EQ("3.1.4.159", Text(IDC_FILE_VERSION));
    EXPECT_EQ("Installed", Text(IDC_STATUS));
}

TEST_F(Inspection, DefaultTypeWithoutEntriesKeepsThePlaceholders)
{
    // Product 57, an evaluation copy in the .NET-only group 9, opens on
    // ActiveX Control, of which its group has none.
    Open(57, GetProductGroup(57));
    EXPECT_EQ(COMPONENT_ACTIVEX, g_nComponentType);
    EXPECT_EQ(0, SendDlgItemMessageA(hDlg, IDC_NAME_LIST, CB_GETCOUNT, 0, 0));
    EXPECT_EQ("01-01-80 00:00", Text(IDC_FILE_DATE));
    EXPECT_EQ("0 bytes", Text(IDC_FILE_SIZE));
    EXPECT_EQ("1.00.101", Text(IDC_FILE_VERSION));
    EXPECT_EQ("Not registered", Text(IDC_STATUS));
    EXPECT_EQ("Description of the component's function.", Text(IDC_DESCRIPTION));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hDlg, IDC_TYPE_ACTIVEX));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hDlg, IDC_TYPE_DOTNET)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hDlg, IDC_TYPE_SCRIPTING)));
}

TEST_F(Inspection, EmptyTypeLeavesTheLastInspection)
{
    Open(24, 8);       // Zip Library: libraries only
    std::string status = Text(IDC_STATUS), description = Text(IDC_DESCRIPTION);
    EXPECT_NE("Not registered", status);
    EXPECT_NE("Description of the component's function.", description);
    FillComponentList(hDlg, COMPONENT_ACTIVEX);
    EXPECT_EQ(0, SendDlgItemMessageA(hDlg, IDC_NAME_LIST, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(status, Text(IDC_STATUS));
    EXPECT_EQ(description, Text(IDC_DESCRIPTION));
    EXPECT_EQ(COMPONENT_ACTIVEX, g_nComponentType);
}

TEST_F(Inspection, ListIsSortedAndItsFirstItemInspected)
{
    Open(5, 2);
    FillComponentList(hDlg, COMPONENT_ACTIVEX);
    HWND list = GetDlgItem(hDlg, IDC_NAME_LIST);
    int count = (int)SendMessageA(list, CB_GETCOUNT, 0, 0);
    int expected = 0;
    for (int i = 0; g_aComponents[i].nType != COMPONENT_NONE; ++i)
        if (g_aComponents[i].nProductGroup == 2 && g_aComponents[i].nType == COMPONENT_ACTIVEX &&
            !(g_aComponents[i].dwFlags & COMPONENT_HIDDEN))
            ++expected;
    ASSERT_EQ(expected, count);
    std::string previous;
    for (int i = 0; i < count; ++i)
    {
        char name[128];
        SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)name);
        LRESULT index = SendMessageA(list, CB_GETITEMDATA, i, 0);
        EXPECT_STREQ(g_aComponents[index].pszFileName, name);
        if (i > 0)
        {
            EXPECT_LT(lstrcmpiA(previous.c_str(), name), 0);
        }
        previous = name;
    }
    EXPECT_EQ(0, SendMessageA(list, CB_GETCURSEL, 0, 0));
    EXPECT_EQ("Not installed, Not registered", Text(IDC_STATUS));
}

TEST_F(Inspection, HelpFolderJoinsWithOrWithoutTrailingSeparator)
{
    const ComponentEntry* e = FindEntry(COMPONENT_ACTIVEX, 2, COMPONENT_SELF_REGISTERING, true);
    ASSERT_NE(nullptr, e);
    ASSERT_NE(nullptr, e->pszHelpFile);
    Place(SystemDir() + "\\" + e->pszFileName, true);
    std::string dir = "C:\\mphelp";
    MakeDir(dir);
    LoadHtmlHelp();
    ASSERT_NE(nullptr, g_pfnHtmlHelp);
    Open(5, 2);
    HWND button = GetDlgItem(hDlg, IDC_HELP_BUTTON);

    ListHelpFolder(e->pszHelpFile, dir);
    Select(e);
    EXPECT_FALSE(IsWindowEnabled(button));          // listed, but no file there

    Place(dir + "\\" + e->pszHelpFile, false, 10);
    InspectComponent(hDlg);
    EXPECT_TRUE(IsWindowEnabled(button));
    EXPECT_FALSE(Grayed(ID_HELP_REFERENCE));

    ListHelpFolder(e->pszHelpFile, dir + "\\");
    InspectComponent(hDlg);
    EXPECT_TRUE(IsWindowEnabled(button));

    // Not installed: no help, whatever the key says.
    DeleteFileA((SystemDir() + "\\" + e->pszFileName).c_str());
    InspectComponent(hDlg);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_TRUE(Grayed(ID_HELP_REFERENCE));
}

} // namespace
