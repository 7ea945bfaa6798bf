#include "ProductCatalogue.h"

#include "CatalogueText.h"
#include "ProductLines.h"
#include "ProductTable.h"

using namespace ProductTable;

namespace {

// The table's invariants, checked while compiling.

constexpr bool IdsAscendFromOne()
{
    DWORD dwPrevious = 0;
    for (const ProductRecord& r : s_aProducts)
    {
        if (r.dwId <= dwPrevious)
            return false;
        dwPrevious = r.dwId;
    }
    return true;
}

constexpr bool FieldsAreSound()
{
    for (const ProductRecord& r : s_aProducts)
    {
        if (r.bGroup < ProductLine::kFirst || r.bGroup > ProductLine::kLast || r.wMinor > 99)
            return false;
        if (r.name.GetLength(r.dwId) == 0)
            return false;
    }
    return true;
}

// The panel's default product exists and belongs to its default line.
constexpr bool PanelDefaultIsSound()
{
    for (const ProductRecord& r : s_aProducts)
    {
        if (r.dwId == kDefaultPanelProduct)
            return r.bGroup == kDefaultPanelLine;
    }
    return false;
}

// Fields no longer than the longest text they hold.
constexpr bool FieldsAreTight()
{
    int nName = 0;
    int nEdition = 0;
    for (const ProductRecord& r : s_aProducts)
    {
        if (r.name.GetLength(r.dwId) > nName)
            nName = r.name.GetLength(r.dwId);
        if (r.edition.GetLength(r.dwId) > nEdition)
            nEdition = r.edition.GetLength(r.dwId);
    }
    return nName == kNameField && nEdition == kEditionField;
}

static_assert(kProductCount <= 128, "the notifier holds at most 128 products");
static_assert(IdsAscendFromOne(), "identifiers must be non-zero and ascending");
static_assert(FieldsAreSound(), "a product has a bad group, minor or name");
static_assert(PanelDefaultIsSound(), "the panel's default product must be of its default line");
static_assert(FieldsAreTight(), "resize kNameField / kEditionField to the longest text");

const ProductRecord* FindProduct(DWORD dwId)
{
    for (const ProductRecord& r : s_aProducts)
        if (r.dwId == dwId)
            return &r;
    return nullptr;
}

// The open records: a handle is an index into this table, a slot is free
// while it holds null. Slots are claimed and released atomically.
constexpr int kMaxOpenProducts = 8;
PVOID volatile s_apOpenKeys[kMaxOpenProducts];

HKEY KeyOfHandle(int hProduct)
{
    if (hProduct < 0 || hProduct >= kMaxOpenProducts)
        return nullptr;
    return static_cast<HKEY>(s_apOpenKeys[hProduct]);
}

} // namespace

int EnumerateProducts(int nGroup, DWORD* pIds, int nCapacity)
{
    int nCount = 0;
    for (const ProductRecord& r : s_aProducts)
    {
        if (nGroup != -1 && r.bGroup != nGroup)
            continue;
        if (pIds && nCount < nCapacity)
            pIds[nCount] = r.dwId;
        ++nCount;
    }
    return nCount;
}

int GetProductGroup(DWORD dwId)
{
    const ProductRecord* pRecord = FindProduct(dwId);
    return pRecord ? pRecord->bGroup : 0;
}

namespace {

// A record text into the caller's buffer: 0 and an empty buffer for an
// unknown product, nothing written for a buffer of size 0.
template <class Text>
int GetRecordText(DWORD dwId, Text ProductRecord::*pText, char* pszBuffer, int nSize)
{
    if (!pszBuffer || nSize <= 0)
        return 0;
    const ProductRecord* pRecord = FindProduct(dwId);
    if (!pRecord)
    {
        pszBuffer[0] = 0;
        return 0;
    }
    (pRecord->*pText).Decipher(dwId, pszBuffer, nSize);
    return TRUE;
}

} // namespace

int GetProductName(DWORD dwId, char* pszBuffer, int nSize)
{
    return GetRecordText(dwId, &ProductRecord::name, pszBuffer, nSize);
}

int GetProductEdition(DWORD dwId, char* pszBuffer, int nSize)
{
    return GetRecordText(dwId, &ProductRecord::edition, pszBuffer, nSize);
}

int GetProductVersion(DWORD dwId, WORD* pwMajor, WORD* pwMinor, DWORD* pdwBuild,
                      char* pszText, int nSize)
{
    const ProductRecord* pRecord = FindProduct(dwId);
    if (pwMajor)
        *pwMajor = pRecord ? pRecord->wMajor : 0;
    if (pwMinor)
        *pwMinor = pRecord ? pRecord->wMinor : 0;
    if (pdwBuild)
        *pdwBuild = pRecord ? pRecord->dwBuild : 0;
    if (pszText && nSize > 0)
    {
        if (pRecord)
            FormatProductVersion(pRecord->wMajor, pRecord->wMinor, pRecord->dwBuild,
                                 pszText, nSize);
        else
            pszText[0] = 0;
    }
    return pRecord ? TRUE : 0;
}

int OpenProduct(DWORD dwId)
{
    if (!FindProduct(dwId))
        return -1;
    char szPath[kProductKeyPathSize];
    GetProductKeyPath(dwId, szPath);
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, szPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return -1;
    for (int i = 0; i < kMaxOpenProducts; ++i)
    {
        if (InterlockedCompareExchangePointer(&s_apOpenKeys[i], hKey, nullptr) == nullptr)
            return i;
    }
    RegCloseKey(hKey);
    return -1;
}

int GetSerialNumber(int hProduct, char* pszBuffer, int nSize)
{
    if (!pszBuffer || nSize <= 0)
        return 0;
    pszBuffer[0] = 0;
    HKEY hKey = KeyOfHandle(hProduct);
    if (!hKey)
        return 0;

    // The whole value is read, however long, and then cut to the caller's
    // buffer. A registry string need not be terminated, so one byte more is
    // allocated for a terminator. Should the value grow between asking for
    // its size and reading it, try again a few times.
    for (int nAttempt = 0; nAttempt < 3; ++nAttempt)
    {
        DWORD dwType = 0;
        DWORD cbValue = 0;
        if (RegQueryValueExA(hKey, PRODUCT_SERIAL_VALUE, nullptr, &dwType, nullptr,
                             &cbValue) != ERROR_SUCCESS || dwType != REG_SZ)
            return 0;
        HANDLE hHeap = GetProcessHeap();
        char* pszValue = static_cast<char*>(HeapAlloc(hHeap, 0, cbValue + 1));
        if (!pszValue)
            return 0;
        LONG lResult = RegQueryValueExA(hKey, PRODUCT_SERIAL_VALUE, nullptr, &dwType,
                                        reinterpret_cast<BYTE*>(pszValue), &cbValue);
        int nResult = 0;
        if (lResult == ERROR_SUCCESS && dwType == REG_SZ)
        {
            pszValue[cbValue] = 0;
            CopyTextCut(pszBuffer, nSize, pszValue);
            nResult = pszValue[0] != 0;
        }
        HeapFree(hHeap, 0, pszValue);
        if (lResult != ERROR_MORE_DATA)
            return nResult;
    }
    return 0;
}

void CloseProduct(int hProduct)
{
    if (hProduct < 0 || hProduct >= kMaxOpenProducts)
        return;
    HKEY hKey = static_cast<HKEY>(InterlockedExchangePointer(&s_apOpenKeys[hProduct], nullptr));
    if (hKey)
        RegCloseKey(hKey);
}
