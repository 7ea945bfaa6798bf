#include "CatalogueText.h"

#include "Text.h"

WORD ShortMinor(WORD wMinor)
{
    return wMinor % 10 == 0 ? static_cast<WORD>(wMinor / 10) : wMinor;
}

void FormatProductVersion(WORD wMajor, WORD wMinor, DWORD dwBuild,
                          char* pszText, int nSize)
{
    char szVersion[3 * 10 + 2 + 1];    // three numbers, two dots
    char szNumber[11];
    szVersion[0] = 0;
    FormatDecimal(wMajor, szNumber, sizeof(szNumber));
    AppendText(szVersion, sizeof(szVersion), szNumber);
    AppendText(szVersion, sizeof(szVersion), ".");
    FormatDecimal(ShortMinor(wMinor), szNumber, sizeof(szNumber));
    AppendText(szVersion, sizeof(szVersion), szNumber);
    AppendText(szVersion, sizeof(szVersion), ".");
    FormatDecimal(dwBuild, szNumber, sizeof(szNumber));
    AppendText(szVersion, sizeof(szVersion), szNumber);
    CopyTextCut(pszText, nSize, szVersion);
}

void GetProductKeyPath(DWORD dwId, char (&szPath)[kProductKeyPathSize])
{
    static const char szProducts[] = "Software\\Brantlow\\Products\\";
    static_assert(sizeof(szProducts) + 10 <= kProductKeyPathSize, "key path buffer too small");
    char szNumber[11];
    FormatDecimal(dwId, szNumber, sizeof(szNumber));
    CopyTextCut(szPath, kProductKeyPathSize, szProducts);
    AppendText(szPath, kProductKeyPathSize, szNumber);
}
