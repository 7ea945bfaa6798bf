// The panel's rules by product group and product, as the running panel
// applies them, and its type buttons and Name list driven through the
// notifications that the controls themselves send. The panel runs modeless
// here (as in the inspection tests), so that each case reads the controls
// right after its message.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Modpanel.h"
#include "PanelDriver.h"
#include "ProductCatalogue.h"
#include "resource.h"

namespace
{

// The rules as the product's documentation states them.
const std::set<int> kScriptingGroups = {2, 3, 4, 5, 6, 7};
const std::set<int> kDotNetGroups = {2, 3, 4, 5, 6, 7, 9, 10, 12, 13};
const std::set<int> kVersion5Groups = {3, 6, 9, 12};
const std::set<int> kVersion6Groups = {4, 7, 10, 13};
const std::set<DWORD> kLibraryProducts = {24, 29, 32, 35, 36, 37, 38, 73};
const std::set<DWORD> kScriptingProducts = {15, 16, 39, 42, 44, 79};
const std::set<DWORD> kDotNetProducts = {17, 19, 22, 49, 51, 62, 64, 65, 68, 75, 78, 83, 92};

struct TypeButton
{
    int id;
    int type;
    const char* name;
};
const TypeButton kTypeButtons[] = {
    {IDC_TYPE_ACTIVEX, COMPONENT_ACTIVEX, "ActiveX Control"},
    {IDC_TYPE_LIBRARY, COMPONENT_LIBRARY, "Dynamic Link Library"},
    {IDC_TYPE_SCRIPTING, COMPONENT_SCRIPTING, "Scripting Object"},
    {IDC_TYPE_DOTNET, COMPONENT_DOTNET, ".NET Component"},
};

std::string Description(const ComponentEntry* e)
{
    char text[4096];
    int n = LoadStringA(GetModuleHandleA(nullptr), e->nDescription, text, sizeof(text));
    return std::string(text, n > 0 ? n : 0);
}

class PanelControls : public ::testing::Test
{
protected:
    void SetUp() override { g_hInstance = GetModuleHandleA(nullptr); }
    void TearDown() override { Close(); }

    // Opens the panel for a product in a group, as RunDialog would.
    void Open(DWORD product, int group)
    {
        Close();
        hDlg = OpenPanel(product, group);
        ASSERT_NE(nullptr, hDlg);
    }
    void Close() { ClosePanel(hDlg); }
    HWND List() { return GetDlgItem(hDlg, IDC_NAME_LIST); }
    int Count() { return (int)SendMessageA(List(), CB_GETCOUNT, 0, 0); }
    const ComponentEntry* ItemEntry(int item)
    {
        LRESULT index = SendMessageA(List(), CB_GETITEMDATA, item, 0);
        return index == CB_ERR ? nullptr : &g_aComponents[index];
    }
    // The checked type buttons, by name.
    std::string Checked()
    {
        std::string names;
        for (const TypeButton& b : kTypeButtons)
            if (IsDlgButtonChecked(hDlg, b.id) == BST_CHECKED)
                names += std::string(names.empty() ? "" : ", ") + b.name;
        return names;
    }

    HWND hDlg = nullptr;
};

// Entries listed for a group and type, hidden ones left out.
int Listed(int group, int type)
{
    int n = 0;
    for (int i = 0; g_aComponents[i].nType != COMPONENT_NONE; ++i)
        if (g_aComponents[i].nProductGroup == group && g_aComponents[i].nType == type &&
            !(g_aComponents[i].dwFlags & COMPONENT_HIDDEN))
            ++n;
    return n;
}

// --- Rules by product group and by product ---------------------------------

TEST_F(PanelControls, TypeButtonsAndAssemblyFolderFollowTheGroup)
{
    // Every group of the table, the unknown group 0 and groups beyond it.
    for (int group = -1; group <= 16; ++group)
    {
        Open(1, group);
        const std::string row = "group " + std::to_string(group);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hDlg, IDC_TYPE_ACTIVEX))) << row;
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hDlg, IDC_TYPE_LIBRARY))) << row;
        EXPECT_EQ(kScriptingGroups.count(group) == 1,
                  IsWindowEnabled(GetDlgItem(hDlg, IDC_TYPE_SCRIPTING)) != 0) << row;
        EXPECT_EQ(kDotNetGroups.count(group) == 1,
                  IsWindowEnabled(GetDlgItem(hDlg, IDC_TYPE_DOTNET)) != 0) << row;
        const char* expected = kVersion5Groups.count(group)   ? "\\v5.0"
                               : kVersion6Groups.count(group) ? "\\v6.0"
                                                              : "";
        EXPECT_STREQ(expected, AssemblySubfolder(group)) << row;
    }
}

TEST_F(PanelControls, DefaultTypeFollowsTheProduct)
{
    // Every product the catalogue holds, and every identifier the rules name.
    std::set<DWORD> products(kLibraryProducts);
    products.insert(kScriptingProducts.begin(), kScriptingProducts.end());
    products.insert(kDotNetProducts.begin(), kDotNetProducts.end());
    std::vector<DWORD> catalogued(EnumerateProducts(-1, nullptr, 0));
    ASSERT_FALSE(catalogued.empty());
    EnumerateProducts(-1, catalogued.data(), (int)catalogued.size());
    products.insert(catalogued.begin(), catalogued.end());
    products.insert(0);

    for (DWORD product : products)
    {
        const TypeButton& expected = kLibraryProducts.count(product)     ? kTypeButtons[1]
                                     : kScriptingProducts.count(product) ? kTypeButtons[2]
                                     : kDotNetProducts.count(product)    ? kTypeButtons[3]
                                                                         : kTypeButtons[0];
        int group = GetProductGroup(product);
        Open(product, group);
        const std::string row = "product " + std::to_string(product) + " (group " +
                                std::to_string(group) + ")";
        EXPECT_EQ(expected.name, Checked()) << row;
        EXPECT_EQ(expected.type, g_nComponentType) << row;
        EXPECT_EQ(Listed(group, expected.type), Count()) << row;
    }
}

// --- The controls' own notifications ---------------------------------------

TEST_F(PanelControls, TypeButtonsListTheirTypeWhenClicked)
{
    Open(5, 2);     // Mail Toolkit: all four types listed
    ASSERT_EQ(COMPONENT_ACTIVEX, g_nComponentType);
    // Each click changes the type: ActiveX Control comes last.
    for (int b : {1, 2, 3, 0})
    {
        const TypeButton& button = kTypeButtons[b];
        // The button tells the panel itself, with BN_CLICKED.
        SendDlgItemMessageA(hDlg, button.id, BM_CLICK, 0, 0);
        EXPECT_EQ(button.type, g_nComponentType) << button.name;
        EXPECT_EQ(button.name, Checked()) << button.name;
        ASSERT_EQ(Listed(2, button.type), Count()) << button.name;
        ASSERT_GT(Count(), 0) << button.name;
        for (int i = 0; i < Count(); ++i)
            EXPECT_EQ(button.type, ItemEntry(i)->nType) << button.name << ", item " << i;
        // The first item is selected and inspected.
        EXPECT_EQ(0, SendMessageA(List(), CB_GETCURSEL, 0, 0)) << button.name;
        EXPECT_EQ(Description(ItemEntry(0)), ControlText(hDlg, IDC_DESCRIPTION)) << button.name;
    }
}

TEST_F(PanelControls, NameListInspectsTheItemTheUserSelects)
{
    Open(5, 2);
    ASSERT_GE(Count(), 3);
    ASSERT_NE(Description(ItemEntry(0)), Description(ItemEntry(1)));
    SetFocus(List());
    // The arrow keys move the selection; the list reports CBN_SELCHANGE.
    const struct
    {
        UINT key;
        int item;
    } steps[] = {{VK_DOWN, 1}, {VK_DOWN, 2}, {VK_UP, 1}};
    for (const auto& step : steps)
    {
        SendMessageA(List(), WM_KEYDOWN, step.key, 0);
        ASSERT_EQ(step.item, SendMessageA(List(), CB_GETCURSEL, 0, 0));
        EXPECT_EQ(Description(ItemEntry(step.item)), ControlText(hDlg, IDC_DESCRIPTION))
            << "item " << step.item;
    }
}

TEST_F(PanelControls, OtherNotificationsDoNothing)
{
    Open(5, 2);
    ASSERT_GE(Count(), 2);
    const std::string first = Description(ItemEntry(0));
    ASSERT_NE(first, Description(ItemEntry(1)));
    struct Row
    {
        int id;
        WORD code;
        const char* name;
    };
    std::vector<Row> rows = {
        {IDC_NAME_LIST, 0, "Name list, code 0"},
        {IDC_NAME_LIST, CBN_DBLCLK, "Name list, CBN_DBLCLK"},
        {IDC_NAME_LIST, CBN_SETFOCUS, "Name list, CBN_SETFOCUS"},
        {IDC_NAME_LIST, CBN_KILLFOCUS, "Name list, CBN_KILLFOCUS"},
        {IDC_NAME_LIST, CBN_DROPDOWN, "Name list, CBN_DROPDOWN"},
        {IDC_NAME_LIST, CBN_CLOSEUP, "Name list, CBN_CLOSEUP"},
        {IDC_NAME_LIST, CBN_SELENDOK, "Name list, CBN_SELENDOK"},
        {IDC_NAME_LIST, CBN_SELENDCANCEL, "Name list, CBN_SELENDCANCEL"},
        {IDC_NAME_LIST, (WORD)CBN_ERRSPACE, "Name list, CBN_ERRSPACE"},
    };
    for (const TypeButton& b : kTypeButtons)
        for (WORD code : {BN_PAINT, BN_HILITE, BN_UNHILITE, BN_DISABLE, BN_DOUBLECLICKED,
                          BN_SETFOCUS, BN_KILLFOCUS})
            rows.push_back({b.id, code, b.name});
    for (const Row& row : rows)
    {
        // Back to the first item inspected, then the second one selected
        // without a notification.
        FillComponentList(hDlg, COMPONENT_ACTIVEX);
        SendMessageA(List(), CB_SETCURSEL, 1, 0);
        int count = Count();
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(row.id, row.code),
                     (LPARAM)GetDlgItem(hDlg, row.id));
        const std::string name = std::string(row.name) + " (code " + std::to_string(row.code) + ")";
        EXPECT_EQ(COMPONENT_ACTIVEX, g_nComponentType) << name;
        EXPECT_EQ(count, Count()) << name;
        EXPECT_EQ(1, SendMessageA(List(), CB_GETCURSEL, 0, 0)) << name;
        EXPECT_EQ(first, ControlText(hDlg, IDC_DESCRIPTION)) << name;
    }
}

} // namespace
