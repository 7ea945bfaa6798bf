// Tests of the product catalogue and of this computer's product records.
//
// This file must not hold any product text as a literal: one test searches
// the test program itself for the catalogue's deciphered texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "CatalogueText.h"
#include "InstalledProducts.h"
#include "ProductCatalogue.h"

namespace {

const char kSentinel = '\x5A';
const int kBufferSize = 160;

std::vector<DWORD> Enumerate(int nGroup)
{
    std::vector<DWORD> ids(EnumerateProducts(nGroup, nullptr, 0));
    EXPECT_EQ(EnumerateProducts(nGroup, ids.data(), static_cast<int>(ids.size())),
              static_cast<int>(ids.size()));
    return ids;
}

std::string Name(DWORD dwId)
{
    char sz[128];
    GetProductName(dwId, sz, sizeof(sz));
    return sz;
}

std::string Edition(DWORD dwId)
{
    char sz[128];
    GetProductEdition(dwId, sz, sizeof(sz));
    return sz;
}

std::string VersionText(DWORD dwId)
{
    char sz[128];
    GetProductVersion(dwId, nullptr, nullptr, nullptr, sz, sizeof(sz));
    return sz;
}

// Reads a text into buffers of every size from 0 to beyond its length:
// the text must come cut and terminated, nothing written past the size,
// and the call succeed for every size but 0 (unless bZeroSizeSucceeds).
void ExpectCutsCleanly(const std::function<int(char*, int)>& read,
                       const std::string& full, bool bZeroSizeSucceeds = false)
{
    for (int nSize = 0; nSize <= static_cast<int>(full.size()) + 2; ++nSize)
    {
        SCOPED_TRACE("size " + std::to_string(nSize));
        char ach[kBufferSize];
        std::fill(std::begin(ach), std::end(ach), kSentinel);
        int nResult = read(ach, nSize);
        if (nSize == 0)
        {
            EXPECT_EQ(nResult != 0, bZeroSizeSucceeds);
        }
        else
        {
            EXPECT_NE(nResult, 0);
            size_t cchKept = std::min(full.size(), static_cast<size_t>(nSize - 1));
            EXPECT_EQ(std::string(ach, cchKept), full.substr(0, cchKept));
            EXPECT_EQ(ach[cchKept], '\0');
        }
        EXPECT_EQ(std::count(ach + nSize, std::end(ach), kSentinel), kBufferSize - nSize)
            << "written past the size";
    }
}

// A failing read: 0, and the buffer empty (untouched when the size is 0).
void ExpectFailsEmpty(const std::function<int(char*, int)>& read)
{
    for (int nSize : { 0, 1, 5, 128 })
    {
        char ach[kBufferSize];
        std::fill(std::begin(ach), std::end(ach), kSentinel);
        EXPECT_EQ(read(ach, nSize), 0) << "size " << nSize;
        EXPECT_EQ(ach[0], nSize ? '\0' : kSentinel) << "size " << nSize;
        EXPECT_EQ(std::count(ach + 1, std::end(ach), kSentinel), kBufferSize - 1) << "size " << nSize;
    }
}

// --- Enumeration ---------------------------------------------------------

TEST(CatalogueEnumeration, AllProductsInAscendingOrder)
{
    std::vector<DWORD> all = Enumerate(-1);
    ASSERT_FALSE(all.empty());
    // Bounds of the table itself (at most 128, non-zero, ascending) are
    // checked while compiling; this is the order of the enumeration.
    EXPECT_TRUE(std::adjacent_find(all.begin(), all.end(), std::greater_equal<DWORD>()) == all.end())
        << "identifiers not strictly ascending";
    EXPECT_GE(all.back(), 92u);
}

TEST(CatalogueEnumeration, GroupsPartitionTheCatalogue)
{
    std::vector<DWORD> all = Enumerate(-1);
    size_t nTotal = 0;
    for (int nGroup = 1; nGroup <= 14; ++nGroup)
    {
        SCOPED_TRACE("group " + std::to_string(nGroup));
        std::vector<DWORD> ids = Enumerate(nGroup);
        EXPECT_FALSE(ids.empty());
        std::vector<DWORD> expected;
        std::copy_if(all.begin(), all.end(), std::back_inserter(expected),
                     [nGroup](DWORD dwId) { return GetProductGroup(dwId) == nGroup; });
        EXPECT_EQ(ids, expected);
        nTotal += ids.size();
    }
    EXPECT_EQ(nTotal, all.size());

    for (int nGroup : { 0, 15, -2, INT_MIN, INT_MAX })
    {
        DWORD dwUntouched = 0xDEADBEEF;
        EXPECT_EQ(EnumerateProducts(nGroup, &dwUntouched, 1), 0) << nGroup;
        EXPECT_EQ(dwUntouched, 0xDEADBEEFu);
    }
}

TEST(CatalogueEnumeration, CapacityLimitsWhatIsStored)
{
    for (int nGroup : { -1, 8 })
    {
        std::vector<DWORD> full = Enumerate(nGroup);
        const int nCount = static_cast<int>(full.size());
        ASSERT_GE(nCount, 3);
        for (int nCapacity : { -1, 0, 1, nCount - 1, nCount, nCount + 1 })
        {
            SCOPED_TRACE("group " + std::to_string(nGroup) + " capacity " + std::to_string(nCapacity));
            std::vector<DWORD> ids(nCount + 4, 0xDEADBEEF);
            EXPECT_EQ(EnumerateProducts(nGroup, ids.data(), nCapacity), nCount);
            size_t nStored = std::clamp(nCapacity, 0, nCount);
            EXPECT_TRUE(std::equal(full.begin(), full.begin() + nStored, ids.begin()));
            EXPECT_EQ(std::count(ids.begin() + nStored, ids.end(), 0xDEADBEEF),
                      static_cast<std::ptrdiff_t>(ids.size() - nStored));
        }
        EXPECT_EQ(EnumerateProducts(nGroup, nullptr, 5), nCount);
    }
}

// --- Lookup ----------------------------------------------------------------

TEST(CatalogueLookup, UnknownIdentifiersGiveNothing)
{
    std::vector<DWORD> all = Enumerate(-1);
    DWORD dwGap = 1;
    while (std::find(all.begin(), all.end(), dwGap) != all.end())
        ++dwGap;
    for (DWORD dwId : { static_cast<DWORD>(0), static_cast<DWORD>(0xFFFFFFFF), dwGap, all.back() + 1 })
    {
        SCOPED_TRACE("id " + std::to_string(dwId));
        EXPECT_EQ(GetProductGroup(dwId), 0);
        ExpectFailsEmpty([dwId](char* p, int n) { return GetProductName(dwId, p, n); });
        ExpectFailsEmpty([dwId](char* p, int n) { return GetProductEdition(dwId, p, n); });
        ExpectFailsEmpty([dwId](char* p, int n) {
            return GetProductVersion(dwId, nullptr, nullptr, nullptr, p, n); });
        WORD wMajor = 1, wMinor = 1;
        DWORD dwBuild = 1;
        EXPECT_EQ(GetProductVersion(dwId, &wMajor, &wMinor, &dwBuild, nullptr, 0), 0);
        EXPECT_EQ(wMajor + wMinor + dwBuild, 0u);
        EXPECT_EQ(OpenProduct(dwId), -1);
    }
}

TEST(CatalogueLookup, TextsArePrintable)
{
    bool bEmptyEdition = false, bEdition = false;
    for (DWORD dwId : Enumerate(-1))
    {
        SCOPED_TRACE("id " + std::to_string(dwId));
        std::string name = Name(dwId), edition = Edition(dwId);
        // The fields' lengths are checked while compiling; a deciphered
        // text is as long as its record says and holds no control character.
        EXPECT_FALSE(name.empty());
        for (char ch : name + edition)
            EXPECT_GE(static_cast<unsigned char>(ch), 0x20) << "control character";
        (edition.empty() ? bEmptyEdition : bEdition) = true;
    }
    EXPECT_TRUE(bEmptyEdition);
    EXPECT_TRUE(bEdition);
}

TEST(CatalogueLookup, ShortBuffersCutAndTerminate)
{
    for (DWORD dwId : Enumerate(-1))
    {
        SCOPED_TRACE("id " + std::to_string(dwId));
        ExpectCutsCleanly([dwId](char* p, int n) { return GetProductName(dwId, p, n); }, Name(dwId));
        ExpectCutsCleanly([dwId](char* p, int n) { return GetProductEdition(dwId, p, n); }, Edition(dwId));
        ExpectCutsCleanly([dwId](char* p, int n) {
            return GetProductVersion(dwId, nullptr, nullptr, nullptr, p, n); }, VersionText(dwId), true);
    }
}

// --- Versions --------------------------------------------------------------

TEST(CatalogueVersion, ShortMinorAndText)
{
    const std::pair<WORD, WORD> minors[] = { { 0, 0 }, { 10, 1 }, { 50, 5 }, { 55, 55 },
                                             { 5, 5 }, { 100, 10 }, { 25, 25 }, { 99, 99 } };
    for (auto [wMinor, wShort] : minors)
        EXPECT_EQ(ShortMinor(wMinor), wShort) << wMinor;

    char sz[64];
    FormatProductVersion(6, 50, 1058, sz, sizeof(sz));
    EXPECT_STREQ(sz, "6.5.1058");
    FormatProductVersion(0, 0, 0, sz, sizeof(sz));
    EXPECT_STREQ(sz, "0.0.0");
    FormatProductVersion(65535, 65535, 4294967295u, sz, sizeof(sz));
    EXPECT_STREQ(sz, "65535.65535.4294967295");
}

TEST(CatalogueVersion, TextsMatchNumbers)
{
    std::set<WORD> minors;
    for (DWORD dwId : Enumerate(-1))
    {
        SCOPED_TRACE("id " + std::to_string(dwId));
        WORD wMajor = 0, wMinor = 0;
        DWORD dwBuild = 0;
        char sz[128];
        ASSERT_NE(GetProductVersion(dwId, &wMajor, &wMinor, &dwBuild, sz, sizeof(sz)), 0);
        minors.insert(wMinor);
        std::string shortMinor = std::to_string(wMinor % 10 ? wMinor : wMinor / 10);
        EXPECT_EQ(std::string(sz),
                  std::to_string(wMajor) + "." + shortMinor + "." + std::to_string(dwBuild));

        // Each output on its own.
        WORD w1 = 0, w2 = 0;
        DWORD dw = 0;
        EXPECT_NE(GetProductVersion(dwId, &w1, nullptr, nullptr, nullptr, 0), 0);
        EXPECT_NE(GetProductVersion(dwId, nullptr, &w2, nullptr, nullptr, 128), 0);
        EXPECT_NE(GetProductVersion(dwId, nullptr, nullptr, &dw, nullptr, 0), 0);
        EXPECT_EQ(std::make_tuple(w1, w2, dw), std::make_tuple(wMajor, wMinor, dwBuild));
    }
    for (WORD wMinor : { 0, 5, 25, 50 })
        EXPECT_EQ(minors.count(wMinor), 1u) << "no product with minor " << wMinor;
}

// --- The product lines' rules ------------------------------------------------

TEST(CatalogueRules, RequiredProductsAndDefaultComponentGroups)
{
    const DWORD scripting[] = { 15, 16, 39, 42, 44, 79 };
    const DWORD dotNet[] = { 17, 19, 22, 49, 51, 62, 64, 65, 68, 75, 78, 83, 92 };
    const DWORD dll[] = { 24, 29, 32, 35, 36, 37, 38, 73 };
    const std::set<int> dotNetGroups = { 2, 3, 4, 5, 6, 7, 9, 10, 12, 13 };

    EXPECT_NE(GetProductGroup(12), 0);
    EXPECT_EQ(GetProductGroup(17), 4);
    for (DWORD dwId : scripting)
        EXPECT_TRUE(GetProductGroup(dwId) >= 2 && GetProductGroup(dwId) <= 7) << dwId;
    for (DWORD dwId : dotNet)
        EXPECT_EQ(dotNetGroups.count(GetProductGroup(dwId)), 1u) << dwId;
    for (DWORD dwId : dll)
        EXPECT_NE(GetProductGroup(dwId), 0) << dwId;

    // Group 8 is a plain-DLL line and 9/10 a .NET-only line: any other
    // product there defaults to an ActiveX control, which these lines have
    // none of. The one such product is deliberate: the evaluation copy 57,
    // whose panel opens on an empty type.
    for (DWORD dwId : Enumerate(8))
        EXPECT_NE(std::find(std::begin(dll), std::end(dll), dwId), std::end(dll)) << dwId;
    for (int nGroup : { 9, 10 })
        for (DWORD dwId : Enumerate(nGroup))
        {
            if (dwId == 57)
                continue;
            EXPECT_NE(std::find(std::begin(dotNet), std::end(dotNet), dwId), std::end(dotNet)) << dwId;
        }
    EXPECT_EQ(GetProductGroup(57), 9);
}

// --- This computer's records ------------------------------------------------

// CTest runs every test in a process of its own, several at once, so each
// test below records products that no other test (of this or any other
// module) touches: catalogued products that the other modules' tests leave
// alone, and one identifier the catalogue does not hold.
class CatalogueRecords : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (int h : m_handles)
            CloseProduct(h);
        for (DWORD dwId : m_ids)
            RemoveInstalledProduct(dwId);
    }
    // Claims a product for the test, starting without a record of it.
    DWORD Use(DWORD dwId)
    {
        RemoveInstalledProduct(dwId);
        m_ids.push_back(dwId);
        return dwId;
    }
    int Open(DWORD dwId)
    {
        int h = OpenProduct(dwId);
        if (h != -1)
            m_handles.push_back(h);
        return h;
    }
    void Close(int h)
    {
        CloseProduct(h);
        m_handles.erase(std::find(m_handles.begin(), m_handles.end(), h));
    }
    // The serial read through the handle; "<none>" when the call fails, which
    // must leave the buffer empty.
    static std::string Serial(int h)
    {
        char sz[128];
        std::fill(std::begin(sz), std::end(sz), kSentinel);
        if (GetSerialNumber(h, sz, sizeof(sz)))
            return sz;
        EXPECT_EQ(sz[0], '\0');
        return "<none>";
    }

    std::vector<DWORD> m_ids;
    std::vector<int> m_handles;
};

TEST_F(CatalogueRecords, SerialNumberIsReadAndCut)
{
    const DWORD kSerialProduct = Use(86);
    ASSERT_TRUE(RecordInstalledProduct(kSerialProduct, "TC-355-0042"));
    int h = Open(kSerialProduct);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Serial(h), "TC-355-0042");
    ExpectCutsCleanly([h](char* p, int n) { return GetSerialNumber(h, p, n); }, "TC-355-0042");
    Close(h);

    // Replaced, and longer than any buffer.
    const std::string longSerial(300, 'Q');
    ASSERT_TRUE(RecordInstalledProduct(kSerialProduct, longSerial.c_str()));
    h = Open(kSerialProduct);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Serial(h), longSerial.substr(0, 127));
}

TEST_F(CatalogueRecords, RecordsWithoutSerialNumber)
{
    const DWORD kBareProduct = Use(88);
    ASSERT_TRUE(RecordInstalledProduct(kBareProduct, nullptr));
    int h = Open(kBareProduct);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Serial(h), "<none>");

    ASSERT_TRUE(RecordInstalledProduct(kBareProduct, "BC-1"));
    EXPECT_EQ(Serial(h), "BC-1");
    ASSERT_TRUE(RecordInstalledProduct(kBareProduct, nullptr));
    EXPECT_EQ(Serial(h), "<none>") << "a null serial must remove the earlier one";
    ASSERT_TRUE(RecordInstalledProduct(kBareProduct, ""));
    EXPECT_EQ(Serial(h), "<none>");

    // A value of the wrong type is no serial number.
    char szPath[kProductKeyPathSize];
    GetProductKeyPath(kBareProduct, szPath);
    DWORD dwValue = 12345;
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, szPath, PRODUCT_SERIAL_VALUE, REG_DWORD,
                              &dwValue, sizeof(dwValue)), ERROR_SUCCESS);
    EXPECT_EQ(Serial(h), "<none>");
}

TEST_F(CatalogueRecords, OnlyCataloguedRecordedProductsOpen)
{
    const DWORD kProduct = Use(90);
    const DWORD kUncatalogued = Use(200);
    ASSERT_EQ(GetProductGroup(kUncatalogued), 0);
    EXPECT_EQ(Open(kProduct), -1) << "never recorded";
    ASSERT_TRUE(RecordInstalledProduct(kProduct, "X"));
    ASSERT_TRUE(RemoveInstalledProduct(kProduct));
    EXPECT_EQ(Open(kProduct), -1) << "removed";
    EXPECT_FALSE(RemoveInstalledProduct(kProduct)) << "nothing left to remove";

    ASSERT_TRUE(RecordInstalledProduct(kUncatalogued, "X"));
    EXPECT_EQ(Open(kUncatalogued), -1);
    EXPECT_FALSE(RecordInstalledProduct(0, "X"));
    EXPECT_FALSE(RemoveInstalledProduct(0));
}

TEST_F(CatalogueRecords, HandleTableIsBoundedAndReused)
{
    const DWORD kTableProduct = Use(71);
    ASSERT_TRUE(RecordInstalledProduct(kTableProduct, "SC-71"));
    int h;
    while ((h = Open(kTableProduct)) != -1 && m_handles.size() < 1000)
        ;
    ASSERT_EQ(h, -1) << "the table never fills";
    EXPECT_GE(m_handles.size(), 4u);
    EXPECT_EQ(std::set<int>(m_handles.begin(), m_handles.end()).size(), m_handles.size());
    for (int hOpen : m_handles)
        EXPECT_EQ(Serial(hOpen), "SC-71");

    int hFreed = m_handles[m_handles.size() / 2];
    Close(hFreed);
    EXPECT_EQ(Open(kTableProduct), hFreed);
    EXPECT_EQ(Open(kTableProduct), -1);
}

TEST_F(CatalogueRecords, BadHandlesAreHarmless)
{
    const DWORD kFirst = Use(53);
    const DWORD kSecond = Use(55);
    ASSERT_TRUE(RecordInstalledProduct(kFirst, "BC-1"));
    ASSERT_TRUE(RecordInstalledProduct(kSecond, "MT-2"));
    int hFirst = Open(kFirst);
    int hSecond = Open(kSecond);
    ASSERT_NE(hFirst, -1);
    ASSERT_NE(hSecond, -1);
    int hClosed = Open(kSecond);
    ASSERT_NE(hClosed, -1);
    Close(hClosed);

    for (int hBad : { -1, -2, INT_MIN, INT_MAX, 8, 1000, hClosed })
    {
        EXPECT_EQ(Serial(hBad), "<none>") << hBad;
        CloseProduct(hBad);
    }
    EXPECT_EQ(Serial(hFirst), "BC-1");
    EXPECT_EQ(Serial(hSecond), "MT-2");
}

// --- Obfuscation ------------------------------------------------------------

TEST(CatalogueObfuscation, PlainTextsAreNotInTheProgramFile)
{
    char szPath[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, szPath, MAX_PATH), 0u);
    std::ifstream file(szPath, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(image.size(), 0u);
    ASSERT_NE(image.find(PRODUCT_SERIAL_VALUE), std::string::npos) << "the search finds nothing";

    std::set<std::string> texts;
    for (DWORD dwId : Enumerate(-1))
    {
        texts.insert(Name(dwId));
        if (!Edition(dwId).empty())
            texts.insert(Edition(dwId));
    }
    for (const std::string& text : texts)
        EXPECT_EQ(image.find(text), std::string::npos) << "\"" << text << "\" in plain text";
}

} // namespace
