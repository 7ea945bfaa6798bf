#include "UpdateOffer.h"

#include "ProductCatalogue.h"
#include "Text.h"

void FormatDisplayName(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                       char* pszBuffer, int nSize)
{
    char szVersion[kShortVersionSize];
    FormatShortVersion(wMajor, wMinor, szVersion, sizeof(szVersion));
    CopyTextCut(pszBuffer, nSize, pszName);
    AppendTextCut(pszBuffer, nSize, " ");
    AppendTextCut(pszBuffer, nSize, szVersion);
    AppendTextCut(pszBuffer, nSize, " ");
    AppendTextCut(pszBuffer, nSize, pszEdition);
}
