// The component panel's command line.
//
// Input: the line.
//
// Oracle: the documented rules, written plainly: tokens cut at blanks only;
// a token that does not begin with "/" or "-" is ignored; the name runs to
// the first ":"; a name of 3 letters or more, no longer than the keyword,
// that begins PRODUCT or VERSION (letters in any case) selects it; others
// are ignored. PRODUCT with a non-empty value reads it as atol would, makes
// it the current product at once, and ends the reading with a failure when
// the catalogue knows no group for it; VERSION asks for the About box.
// Values whose numbers have 10 digits or more are left out of the product
// comparison (strtol saturates where the program wraps).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "Modpanel.h"
#include "ProductCatalogue.h"

namespace
{

struct Expected
{
    bool bAccepted = true;
    bool bNamed = false;
    int nAction = ACTION_PANEL;
    DWORD dwProduct = 0;
    bool bProductComparable = true;
};

bool Selects(const char* pszKeyword, const std::string& strName)
{
    if (strName.size() < 3 || strName.size() > strlen(pszKeyword))
        return false;
    for (size_t i = 0; i < strName.size(); ++i)
        if (toupper((unsigned char)strName[i]) != pszKeyword[i])
            return false;
    return true;
}

Expected Parse(const std::string& strLine)
{
    Expected e;
    size_t nStart = 0;
    while (nStart < strLine.size())
    {
        size_t nEnd = strLine.find(' ', nStart);
        if (nEnd == std::string::npos)
            nEnd = strLine.size();
        std::string strToken = strLine.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        if (strToken.empty() || (strToken[0] != '/' && strToken[0] != '-'))
            continue;
        size_t nColon = strToken.find(':');
        std::string strName = strToken.substr(1, nColon == std::string::npos ? std::string::npos : nColon - 1);
        if (Selects("PRODUCT", strName))
        {
            if (nColon == std::string::npos || nColon + 1 == strToken.size())
                continue;
            std::string strValue = strToken.substr(nColon + 1);
            int nRun = 0;
            for (char c : strValue)
            {
                nRun = (c >= '0' && c <= '9') ? nRun + 1 : 0;
                if (nRun >= 10)
                    e.bProductComparable = false;
            }
            e.dwProduct = (DWORD)strtol(strValue.c_str(), 0, 10);
            e.bNamed = true;
            if (GetProductGroup(e.dwProduct) == 0)
            {
                // A wrapped number may name another product than strtol's.
                if (e.bProductComparable)
                    e.bAccepted = false;
                return e;
            }
        }
        else if (Selects("VERSION", strName))
            e.nAction = ACTION_ABOUT;
    }
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::string strLine(reinterpret_cast<const char*>(pData), nSize);
    strLine = strLine.substr(0, strLine.find('\0'));
    char* pszLine = (char*)malloc(strLine.size() + 1);
    memcpy(pszLine, strLine.c_str(), strLine.size() + 1);

    Expected e = Parse(strLine);
    g_dwProduct = 0;
    BOOL bNamed = FALSE;
    int nAction = ACTION_PANEL;
    BOOL bAccepted = ParseCommandLine(pszLine, &bNamed, &nAction);
    if (strLine != pszLine)
    {
        fprintf(stderr, "panel command line: the line was changed\n");
        abort();
    }
    free(pszLine);

    if (!e.bProductComparable)
        return 0;
    if ((bAccepted != FALSE) != e.bAccepted || (bNamed != FALSE) != e.bNamed ||
        nAction != e.nAction || g_dwProduct != e.dwProduct)
    {
        fprintf(stderr,
                "panel command line \"%s\": got %d named %d action %d product %u; "
                "expected %d %d %d %u\n",
                strLine.c_str(), bAccepted, bNamed, nAction, (unsigned)g_dwProduct, e.bAccepted,
                e.bNamed, e.nAction, (unsigned)e.dwProduct);
        abort();
    }
    return 0;
}
