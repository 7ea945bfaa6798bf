// Tests of the component panel's table of component files and of the
// description strings that go with it. The strings are compiled into this
// test program (programs/component_strings.rc), so they load from its own
// resources as they do from the panel's.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ComponentTable.h"
#include "ProductCatalogue.h"

namespace {

const int kGroupCount = 14;
// Far more than the table can hold: a missing end entry stops here.
const int kMaxEntries = 4096;

const DWORD kKnownFlags = COMPONENT_HIDDEN | COMPONENT_SELF_REGISTERING |
                          COMPONENT_SHARED_ASSEMBLY | COMPONENT_HTML_HELP;

struct IdRange
{
    UINT nFirst;
    UINT nLast;
    int nType;
};

// The description ids each component type draws from.
const IdRange kDescriptionRanges[] = {
    { 10001, 10022, COMPONENT_ACTIVEX },
    { 10101, 10104, COMPONENT_ACTIVEX },
    { 11001, 11022, COMPONENT_LIBRARY },
    { 12001, 12019, COMPONENT_SCRIPTING },
    { 13001, 13025, COMPONENT_DOTNET },
    { 14001, 14001, COMPONENT_ACTIVEX },
    { 14002, 14002, COMPONENT_LIBRARY },
};

std::vector<const ComponentEntry*> Entries()
{
    std::vector<const ComponentEntry*> entries;
    for (int i = 0; i < kMaxEntries && g_aComponents[i].nType != COMPONENT_NONE; ++i)
        entries.push_back(&g_aComponents[i]);
    return entries;
}

bool HasText(const char* psz) { return psz != nullptr && *psz != 0; }
bool HasFlag(const ComponentEntry* p, DWORD dwFlag) { return (p->dwFlags & dwFlag) != 0; }

int CountOfType(int nType)
{
    int n = 0;
    for (const ComponentEntry* p : Entries())
        n += p->nType == nType ? 1 : 0;
    return n;
}

std::string Describe(const ComponentEntry* p)
{
    return "group " + std::to_string(p->nProductGroup) + " " +
           (p->pszFileName ? p->pszFileName : "(no file name)");
}

std::string LoadDescription(UINT nId)
{
    char sz[4096];
    int n = LoadStringA(GetModuleHandleA(nullptr), nId, sz, sizeof(sz));
    return std::string(sz, n > 0 ? n : 0);
}

// Sentences end in ".", "!" or "?" followed by a blank or the end of the text;
// a point inside a word or number (".NET", "1.1", "ASP.NET") ends none.
int CountSentences(const std::string& s)
{
    int n = 0;
    for (size_t i = 0; i < s.size(); ++i)
    {
        bool bEnd = s[i] == '.' || s[i] == '!' || s[i] == '?';
        if (bEnd && (i + 1 == s.size() || s[i + 1] == ' '))
            ++n;
    }
    return n;
}

// The default component type of a catalogued product.
int DefaultType(DWORD dwProduct)
{
    static const std::set<DWORD> library = { 24, 29, 32, 35, 36, 37, 38, 73 };
    static const std::set<DWORD> scripting = { 15, 16, 39, 42, 44, 79 };
    static const std::set<DWORD> dotnet = { 17, 19, 22, 49, 51, 62, 64, 65, 68, 75, 78, 83, 92 };
    if (library.count(dwProduct))
        return COMPONENT_LIBRARY;
    if (scripting.count(dwProduct))
        return COMPONENT_SCRIPTING;
    if (dotnet.count(dwProduct))
        return COMPONENT_DOTNET;
    return COMPONENT_ACTIVEX;
}

// --- Size and order -------------------------------------------------------

TEST(ComponentTable, HoldsItsEntriesOfEachTypeThenTheEndEntry)
{
    std::vector<const ComponentEntry*> entries = Entries();
    ASSERT_EQ(entries.size(), 322u);
    EXPECT_EQ(CountOfType(COMPONENT_ACTIVEX), 91);
    EXPECT_EQ(CountOfType(COMPONENT_LIBRARY), 91);
    EXPECT_EQ(CountOfType(COMPONENT_SCRIPTING), 55);
    EXPECT_EQ(CountOfType(COMPONENT_DOTNET), 85);

    const ComponentEntry& end = g_aComponents[entries.size()];
    EXPECT_EQ(end.nType, COMPONENT_NONE);
    EXPECT_EQ(end.nProductGroup, 0);
    EXPECT_EQ(end.pszFileName, nullptr);
}

TEST(ComponentTable, IsStoredGroupByGroupInAscendingOrder)
{
    std::set<int> groups;
    int nPrevious = 0;
    for (const ComponentEntry* p : Entries())
    {
        EXPECT_GE(p->nProductGroup, 1) << Describe(p);
        EXPECT_LE(p->nProductGroup, kGroupCount) << Describe(p);
        EXPECT_GE(p->nProductGroup, nPrevious) << Describe(p) << " after group " << nPrevious;
        nPrevious = p->nProductGroup;
        groups.insert(p->nProductGroup);
    }
    EXPECT_EQ(groups.size(), static_cast<size_t>(kGroupCount));
}

// --- Flags, class identifiers and help, by type ----------------------------

TEST(ComponentTable, ControlsAndScriptingObjectsRegisterThemselvesAndHaveHelp)
{
    int nWithContext = 0, nWithoutContext = 0;
    for (const ComponentEntry* p : Entries())
    {
        if (p->nType != COMPONENT_ACTIVEX && p->nType != COMPONENT_SCRIPTING)
            continue;
        EXPECT_TRUE(HasFlag(p, COMPONENT_SELF_REGISTERING)) << Describe(p);
        EXPECT_FALSE(HasFlag(p, COMPONENT_SHARED_ASSEMBLY)) << Describe(p);
        EXPECT_TRUE(HasText(p->pszClassId)) << Describe(p);
        EXPECT_TRUE(HasText(p->pszHelpFile)) << Describe(p);
        (p->dwHelpContext != 0 ? nWithContext : nWithoutContext)++;
    }
    // Most of them open their own help topic.
    EXPECT_GT(nWithContext, 3 * nWithoutContext);
}

TEST(ComponentTable, ExactlyOneActiveXControlIsHidden)
{
    std::vector<const ComponentEntry*> hidden;
    for (const ComponentEntry* p : Entries())
        if (HasFlag(p, COMPONENT_HIDDEN))
            hidden.push_back(p);
    ASSERT_EQ(hidden.size(), 1u);
    EXPECT_EQ(hidden[0]->nType, COMPONENT_ACTIVEX);
}

TEST(ComponentTable, LibrariesHaveAClassAndHelpOrNeitherAndNeverRegister)
{
    int nWithClass = 0, nPlain = 0;
    for (const ComponentEntry* p : Entries())
    {
        if (p->nType != COMPONENT_LIBRARY)
            continue;
        EXPECT_FALSE(HasFlag(p, COMPONENT_SELF_REGISTERING)) << Describe(p);
        EXPECT_FALSE(HasFlag(p, COMPONENT_SHARED_ASSEMBLY | COMPONENT_HIDDEN)) << Describe(p);
        bool bClass = HasText(p->pszClassId), bHelp = HasText(p->pszHelpFile);
        EXPECT_EQ(bClass, bHelp) << Describe(p) << ": a class identifier goes with a help file";
        if (bClass && bHelp)
            ++nWithClass;
        else if (!bClass && !bHelp)
            ++nPlain;
    }
    EXPECT_EQ(nWithClass, 78);
    EXPECT_EQ(nPlain, 13);
}

TEST(ComponentTable, DotNetComponentsAreSharedWithHelpHelpOnlyOrPlain)
{
    int nShared = 0, nHelpOnly = 0, nPlain = 0, nOther = 0;
    for (const ComponentEntry* p : Entries())
    {
        if (p->nType != COMPONENT_DOTNET)
            continue;
        EXPECT_EQ(p->pszClassId, nullptr) << Describe(p);
        EXPECT_EQ(p->dwHelpContext, 0u) << Describe(p);
        EXPECT_FALSE(HasFlag(p, COMPONENT_SELF_REGISTERING | COMPONENT_HIDDEN)) << Describe(p);
        bool bShared = HasFlag(p, COMPONENT_SHARED_ASSEMBLY), bHelp = HasText(p->pszHelpFile);
        if (bShared && bHelp)
            ++nShared;
        else if (bHelp)
            ++nHelpOnly;
        else if (!bShared)
            ++nPlain;
        else
            ++nOther;
    }
    EXPECT_EQ(nShared, 63);
    EXPECT_EQ(nHelpOnly, 12);
    EXPECT_EQ(nPlain, 10);
    EXPECT_EQ(nOther, 0) << "shared assemblies without a help file";
}

TEST(ComponentTable, HelpFilesAreHtmlHelpAndFlaggedSo)
{
    for (const ComponentEntry* p : Entries())
    {
        EXPECT_EQ(p->dwFlags & ~kKnownFlags, 0u) << Describe(p);
        if (!HasText(p->pszHelpFile))
        {
            EXPECT_EQ(p->pszHelpFile, nullptr) << Describe(p) << ": an empty help file name";
            EXPECT_FALSE(HasFlag(p, COMPONENT_HTML_HELP)) << Describe(p);
            EXPECT_EQ(p->dwHelpContext, 0u) << Describe(p) << ": a help context without a help file";
            continue;
        }
        std::string help = p->pszHelpFile;
        EXPECT_TRUE(help.size() > 4 && help.compare(help.size() - 4, 4, ".chm") == 0)
            << Describe(p) << ": " << help;
        EXPECT_EQ(help.find_first_of("\\/:"), std::string::npos) << Describe(p) << ": " << help;
        EXPECT_TRUE(HasFlag(p, COMPONENT_HTML_HELP)) << Describe(p);
    }
}

TEST(ComponentTable, ClassIdentifiersAreInRegistryForm)
{
    int nChecked = 0;
    for (const ComponentEntry* p : Entries())
    {
        if (p->pszClassId == nullptr)
            continue;
        std::string id = p->pszClassId;
        ++nChecked;
        ASSERT_EQ(id.size(), 38u) << Describe(p) << ": " << id;
        bool bWellFormed = id.front() == '{' && id.back() == '}';
        for (size_t i = 1; i < 37; ++i)
        {
            bool bDash = i == 9 || i == 14 || i == 19 || i == 24;
            char c = id[i];
            bWellFormed &= bDash ? c == '-' : ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
        }
        EXPECT_TRUE(bWellFormed) << Describe(p) << ": " << id;
    }
    EXPECT_EQ(nChecked, 91 + 55 + 78);
}

// --- Where each type may appear --------------------------------------------

TEST(ComponentTable, TypesAppearOnlyInTheirProductLines)
{
    const std::set<int> scriptingGroups = { 2, 3, 4, 5, 6, 7 };
    const std::set<int> dotnetGroups = { 2, 3, 4, 5, 6, 7, 9, 10, 12, 13 };
    std::map<int, std::multiset<int>> typesByGroup;
    for (const ComponentEntry* p : Entries())
    {
        typesByGroup[p->nProductGroup].insert(p->nType);
        if (p->nType == COMPONENT_SCRIPTING)
        {
            EXPECT_TRUE(scriptingGroups.count(p->nProductGroup)) << Describe(p);
        }
        if (p->nType == COMPONENT_DOTNET)
        {
            EXPECT_TRUE(dotnetGroups.count(p->nProductGroup)) << Describe(p);
        }
    }

    // Zip Library: libraries only.
    EXPECT_EQ(typesByGroup[8].count(COMPONENT_LIBRARY), typesByGroup[8].size());
    // Charts for .NET: .NET components only.
    for (int nGroup : { 9, 10 })
        EXPECT_EQ(typesByGroup[nGroup].count(COMPONENT_DOTNET), typesByGroup[nGroup].size())
            << "group " << nGroup;
    // Barcode Kit: controls, and libraries beside them.
    EXPECT_GT(typesByGroup[1].count(COMPONENT_ACTIVEX), 0u);
    EXPECT_EQ(typesByGroup[1].count(COMPONENT_ACTIVEX) + typesByGroup[1].count(COMPONENT_LIBRARY),
              typesByGroup[1].size());

    // Spell Check Kit: one control and one library.
    std::vector<std::pair<int, UINT>> spell;
    for (const ComponentEntry* p : Entries())
        if (p->nProductGroup == 14)
            spell.emplace_back(p->nType, p->nDescription);
    std::sort(spell.begin(), spell.end());
    std::vector<std::pair<int, UINT>> expected = { { COMPONENT_LIBRARY, 14002u },
                                                   { COMPONENT_ACTIVEX, 14001u } };
    EXPECT_EQ(spell, expected);
}

// Product 57, an evaluation copy in the .NET-only group 9, opens on ActiveX
// Control and lists nothing there: the one product whose panel shows its
// placeholders.
const DWORD kPlaceholderProduct = 57;

TEST(ComponentTable, EveryProductsDefaultTypeIsListedInItsGroup)
{
    std::vector<DWORD> products(EnumerateProducts(-1, nullptr, 0));
    ASSERT_FALSE(products.empty());
    ASSERT_EQ(EnumerateProducts(-1, products.data(), static_cast<int>(products.size())),
              static_cast<int>(products.size()));

    std::set<int> productGroups;
    for (DWORD dwProduct : products)
    {
        int nGroup = GetProductGroup(dwProduct);
        productGroups.insert(nGroup);
        int nType = DefaultType(dwProduct);
        int nListed = 0;
        for (const ComponentEntry* p : Entries())
            if (p->nProductGroup == nGroup && p->nType == nType && !HasFlag(p, COMPONENT_HIDDEN))
                ++nListed;
        if (dwProduct == kPlaceholderProduct)
            EXPECT_EQ(nListed, 0) << "product " << dwProduct << " should open on an empty type";
        else
            EXPECT_GT(nListed, 0) << "product " << dwProduct << " (group " << nGroup
                                  << ") opens on type " << nType << ", which lists nothing";
    }
    // The table and the catalogue cover the same groups.
    std::set<int> tableGroups;
    for (const ComponentEntry* p : Entries())
        tableGroups.insert(p->nProductGroup);
    EXPECT_EQ(productGroups, tableGroups);
}

// --- One component, one identity ------------------------------------------

TEST(ComponentTable, AComponentKeepsItsIdentityInEveryGroup)
{
    typedef std::tuple<std::string, UINT, int, DWORD, std::string, DWORD> Identity;
    std::map<std::string, Identity> byFile;
    std::map<std::string, std::string> fileByClass;
    std::map<UINT, std::string> fileByDescription;
    std::set<std::pair<int, std::string>> filesInGroups;
    std::set<std::string> lowerCaseNames;

    for (const ComponentEntry* p : Entries())
    {
        ASSERT_TRUE(HasText(p->pszFileName)) << "an entry of group " << p->nProductGroup;
        std::string file = p->pszFileName;
        EXPECT_EQ(file.find_first_of("\\/:"), std::string::npos) << Describe(p);

        std::string ext = file.size() > 4 ? file.substr(file.size() - 4) : "";
        EXPECT_EQ(ext, p->nType == COMPONENT_ACTIVEX ? ".ocx" : ".dll") << Describe(p);

        std::string lower = file;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        EXPECT_TRUE(filesInGroups.emplace(p->nProductGroup, lower).second)
            << Describe(p) << " is listed twice in its group";

        std::string classId = p->pszClassId ? p->pszClassId : "";
        // The hidden flag belongs to a group's listing, not to the component.
        Identity identity(classId, p->nDescription, p->nType, p->dwFlags & ~COMPONENT_HIDDEN,
                          p->pszHelpFile ? p->pszHelpFile : "", p->dwHelpContext);
        auto known = byFile.emplace(file, identity);
        EXPECT_TRUE(known.first->second == identity) << Describe(p) << " differs from its other groups";
        if (known.second)
        {
            // A new component: a file name of its own, in any letter case.
            EXPECT_TRUE(lowerCaseNames.insert(lower).second) << Describe(p);
        }

        if (!classId.empty())
        {
            auto other = fileByClass.emplace(classId, file);
            EXPECT_EQ(other.first->second, file) << "class " << classId << " is shared";
        }
        auto described = fileByDescription.emplace(p->nDescription, file);
        EXPECT_EQ(described.first->second, file) << "description " << p->nDescription << " is shared";
    }
    // Each component has one description, and each description one component.
    EXPECT_EQ(byFile.size(), fileByDescription.size());
}

// --- Descriptions ------------------------------------------------------------

TEST(ComponentTable, DescriptionIdsComeFromTheirTypesRangesAndAllAreUsed)
{
    std::set<UINT> used;
    for (const ComponentEntry* p : Entries())
    {
        used.insert(p->nDescription);
        bool bInRange = false;
        for (const IdRange& r : kDescriptionRanges)
            bInRange |= p->nDescription >= r.nFirst && p->nDescription <= r.nLast && p->nType == r.nType;
        EXPECT_TRUE(bInRange) << Describe(p) << ": description " << p->nDescription
                              << " for type " << p->nType;
    }
    for (const IdRange& r : kDescriptionRanges)
        for (UINT n = r.nFirst; n <= r.nLast; ++n)
            EXPECT_TRUE(used.count(n)) << "description " << n << " belongs to no entry";
}

TEST(ComponentStrings, EveryDescriptionIsOneOrTwoPlainSentences)
{
    int nLoaded = 0;
    for (const IdRange& r : kDescriptionRanges)
    {
        for (UINT n = r.nFirst; n <= r.nLast; ++n)
        {
            std::string text = LoadDescription(n);
            if (text.empty())
            {
                ADD_FAILURE() << "no string " << n;
                continue;
            }
            ++nLoaded;
            int nSentences = CountSentences(text);
            EXPECT_TRUE(nSentences == 1 || nSentences == 2) << n << ": " << text;
            EXPECT_EQ(text.back(), '.') << n << ": " << text;
            EXPECT_TRUE(std::isupper(static_cast<unsigned char>(text.front()))) << n << ": " << text;
            bool bPlain = std::all_of(text.begin(), text.end(),
                                      [](char c) { return c >= 0x20 && c < 0x7F && c != '"'; });
            EXPECT_TRUE(bPlain) << n << ": " << text;
            EXPECT_EQ(text.find("  "), std::string::npos) << n << ": " << text;
        }
    }
    EXPECT_EQ(nLoaded, 26 + 22 + 19 + 25 + 2);

    // The panel shows the string of each listed entry.
    for (const ComponentEntry* p : Entries())
        EXPECT_FALSE(LoadDescription(p->nDescription).empty()) << Describe(p);
}

} // namespace
