#include "CommandLine.h"

namespace
{

enum Option { kDebug, kProduct, kSetup, kStartup, kTimeout, kNoOption };

// Tried in this order; the first that the typed name begins matches.
const char* const kOptionNames[] = { "DEBUG", "PRODUCT", "SETUP", "STARTUP", "TIMEOUT" };

const int kMinNameLength = 3;

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

char ToUpper(char ch)
{
    return (ch >= 'a' && ch <= 'z') ? (char)(ch - 'a' + 'A') : ch;
}

Option FindOption(const char* pchName, int nLength)
{
    for (int i = 0; i < kNoOption; ++i)
    {
        const char* pszOption = kOptionNames[i];
        int n = 0;
        while (n < nLength && pszOption[n] != '\0' && ToUpper(pchName[n]) == pszOption[n])
            ++n;
        if (n == nLength)
            return (Option)i;
    }
    return kNoOption;
}

// A signed decimal number as atol reads it: an optional sign, then digits;
// no digits give 0. Wraps modulo 2^32, as the identifier is unsigned.
DWORD ReadSignedDecimal(const char* pch, const char* pchEnd)
{
    bool bNegative = false;
    if (pch < pchEnd && (*pch == '+' || *pch == '-'))
    {
        bNegative = *pch == '-';
        ++pch;
    }
    DWORD dw = 0;
    for (; pch < pchEnd && *pch >= '0' && *pch <= '9'; ++pch)
        dw = dw * 10 + (DWORD)(*pch - '0');
    return bNegative ? 0u - dw : dw;
}

} // namespace

BOOL ApplyCommandLine(const char* pszLine, UpdateSettings& settings)
{
    const char* p = pszLine ? pszLine : "";
    for (;;)
    {
        while (*p != '\0' && IsBlank(*p))
            ++p;
        if (*p == '\0')
            return TRUE;
        const char* pchWord = p;
        while (*p != '\0' && !IsBlank(*p))
            ++p;
        const char* pchEnd = p;

        if (*pchWord != '/' && *pchWord != '-')
            return FALSE;
        const char* pchName = pchWord + 1;
        const char* pchColon = pchName;
        while (pchColon < pchEnd && *pchColon != ':')
            ++pchColon;
        int nName = (int)(pchColon - pchName);
        if (nName < kMinNameLength)
            continue;
        bool bValue = pchColon < pchEnd;

        switch (FindOption(pchName, nName))
        {
        case kDebug:
        case kSetup:
            settings.startDelay = 0;
            settings.forceCheck = TRUE;
            break;
        case kProduct:
            if (bValue)
            {
                settings.product = ReadSignedDecimal(pchColon + 1, pchEnd);
                settings.startDelay = 0;
                settings.interactive = TRUE;
            }
            break;
        case kStartup:
            settings.startDelay = kStartupDelay;
            settings.interactive = FALSE;
            break;
        case kTimeout:
            break;
        case kNoOption:
            return FALSE;
        }
    }
}
