// productrec: creates, removes and lists this computer's records of
// installed products, for tests, demos and whoever works on the installer.
//
//   productrec add ID [SERIAL]   record product ID as installed (with SERIAL)
//   productrec remove ID         delete the record of product ID
//   productrec list              every catalogued product, one a line:
//                                id TAB group TAB state TAB title TAB name
//                                TAB edition
//
// The state is "-" for a product that is not installed, "installed" for a
// record without a serial number, else the serial number. The title is name,
// edition (when there is one) and version text, separated by spaces; name
// and edition follow on their own (the edition may be empty).
//
// Exit codes: 0 success, 1 failure, 2 usage error.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "InstalledProducts.h"
#include "ProductCatalogue.h"

namespace {

const int kExitSuccess = 0;
const int kExitFailure = 1;
const int kExitUsage = 2;

int Usage()
{
    fprintf(stderr,
            "usage: productrec add ID [SERIAL]\n"
            "       productrec remove ID\n"
            "       productrec list\n");
    return kExitUsage;
}

// A product identifier: decimal digits only, not 0, at most 0xFFFFFFFF.
bool ParseId(const char* psz, DWORD* pdwId)
{
    unsigned long long ullValue = 0;
    if (*psz == 0)
        return false;
    for (; *psz; ++psz)
    {
        if (*psz < '0' || *psz > '9')
            return false;
        ullValue = ullValue * 10 + static_cast<unsigned>(*psz - '0');
        if (ullValue > 0xFFFFFFFFull)
            return false;
    }
    if (ullValue == 0)
        return false;
    *pdwId = static_cast<DWORD>(ullValue);
    return true;
}

int AddRecord(DWORD dwId, const char* pszSerial)
{
    if (GetProductGroup(dwId) == 0)
    {
        fprintf(stderr, "productrec: the catalogue holds no product %lu\n", dwId);
        return kExitFailure;
    }
    if (!RecordInstalledProduct(dwId, pszSerial))
    {
        fprintf(stderr, "productrec: cannot record product %lu (error %lu)\n",
                dwId, GetLastError());
        return kExitFailure;
    }
    return kExitSuccess;
}

int RemoveRecord(DWORD dwId)
{
    if (!RemoveInstalledProduct(dwId))
    {
        fprintf(stderr, "productrec: cannot remove the record of product %lu (error %lu)\n",
                dwId, GetLastError());
        return kExitFailure;
    }
    return kExitSuccess;
}

void PrintProduct(DWORD dwId)
{
    char szName[128];
    char szEdition[128];
    char szVersion[128];
    char szState[128];
    GetProductName(dwId, szName, sizeof(szName));
    GetProductEdition(dwId, szEdition, sizeof(szEdition));
    GetProductVersion(dwId, nullptr, nullptr, nullptr, szVersion, sizeof(szVersion));

    strcpy(szState, "-");
    int hProduct = OpenProduct(dwId);
    if (hProduct != -1)
    {
        if (!GetSerialNumber(hProduct, szState, sizeof(szState)))
            strcpy(szState, "installed");
        CloseProduct(hProduct);
    }
    printf("%lu\t%d\t%s\t%s%s%s %s\t%s\t%s\n", dwId, GetProductGroup(dwId), szState,
           szName, szEdition[0] ? " " : "", szEdition, szVersion, szName, szEdition);
}

int ListProducts()
{
    int nCount = EnumerateProducts(-1, nullptr, 0);
    DWORD* pIds = static_cast<DWORD*>(malloc((nCount > 0 ? nCount : 1) * sizeof(DWORD)));
    if (!pIds)
    {
        fprintf(stderr, "productrec: out of memory\n");
        return kExitFailure;
    }
    nCount = EnumerateProducts(-1, pIds, nCount);
    for (int i = 0; i < nCount; ++i)
        PrintProduct(pIds[i]);
    free(pIds);
    return fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const char* pszCommand = argv[1];
    DWORD dwId = 0;
    if (strcmp(pszCommand, "add") == 0 && (argc == 3 || argc == 4))
    {
        if (!ParseId(argv[2], &dwId))
            return Usage();
        return AddRecord(dwId, argc == 4 ? argv[3] : nullptr);
    }
    if (strcmp(pszCommand, "remove") == 0 && argc == 3)
    {
        if (!ParseId(argv[2], &dwId))
            return Usage();
        return RemoveRecord(dwId);
    }
    if (strcmp(pszCommand, "list") == 0 && argc == 2)
        return ListProducts();
    return Usage();
}
