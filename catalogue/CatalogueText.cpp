#include "CatalogueText.h"

#include "Text.h"

WORD ShortMinor(WORD wMinor)
{
    return wMinor % 10 == 0 ? static_cast<WORD>(wMinor / 10) : wMinor;
}

void FormatShortVersion(WORD wMajor, WORD wMinor, char* pszText, int nSize)
{
    char szMajor[6], szMinor[6];
    FormatDecimal(wMajor, szMajor, sizeof(szMajor));
    FormatDecimal(ShortMinor(wMinor), szMinor, sizeof(szMinor));
    CopyTextCut(pszText, nSize, szMajor);
    AppendTextCut(pszText, nSize, ".");
    AppendTextCut(pszText, nSize, szMinor);
}

void FormatProductVersion(WORD wMajor, WORD wMinor, DWORD dwBuild,
                          char* pszText, int nSize)
{
    char szVersion[kShortVersionSize + 1 + 10];    // and ".build"
    char szBuild[11];
    FormatShortVersion(wMajor, wMinor, szVersion, sizeof(szVersion));
    FormatDecimal(dwBuild, szBuild, sizeof(szBuild));
    AppendText(szVersion, sizeof(szVersion), ".");
    AppendText(szVersion, sizeof(szVersion), szBuild);
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
