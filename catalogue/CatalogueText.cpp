#include "CatalogueText.h"

#include <string.h>

namespace {

// Writes the number in decimal, unterminated; answers the end.
char* AppendDecimal(char* pch, DWORD dwValue)
{
    char achDigits[10];
    int n = 0;
    do
    {
        achDigits[n++] = static_cast<char>('0' + dwValue % 10);
        dwValue /= 10;
    } while (dwValue != 0);
    while (n > 0)
        *pch++ = achDigits[--n];
    return pch;
}

} // namespace

void CopyTextCut(char* pszBuffer, int nSize, const char* pszText)
{
    if (nSize <= 0)
        return;
    size_t cch = strlen(pszText);
    if (cch > static_cast<size_t>(nSize - 1))
        cch = static_cast<size_t>(nSize - 1);
    memcpy(pszBuffer, pszText, cch);
    pszBuffer[cch] = 0;
}

WORD ShortMinor(WORD wMinor)
{
    return wMinor % 10 == 0 ? static_cast<WORD>(wMinor / 10) : wMinor;
}

void FormatProductVersion(WORD wMajor, WORD wMinor, DWORD dwBuild,
                          char* pszText, int nSize)
{
    char szVersion[3 * 10 + 2 + 1];    // three numbers, two dots
    char* pch = AppendDecimal(szVersion, wMajor);
    *pch++ = '.';
    pch = AppendDecimal(pch, ShortMinor(wMinor));
    *pch++ = '.';
    pch = AppendDecimal(pch, dwBuild);
    *pch = 0;
    CopyTextCut(pszText, nSize, szVersion);
}

void GetProductKeyPath(DWORD dwId, char (&szPath)[kProductKeyPathSize])
{
    static const char szProducts[] = "Software\\Brantlow\\Products\\";
    static_assert(sizeof(szProducts) + 10 <= kProductKeyPathSize, "key path buffer too small");
    memcpy(szPath, szProducts, sizeof(szProducts) - 1);
    *AppendDecimal(szPath + sizeof(szProducts) - 1, dwId) = 0;
}
