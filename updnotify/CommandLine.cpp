#include "CommandLine.h"

#include "Text.h"

namespace
{

enum Option { kDebug, kProduct, kSetup, kStartup, kTimeout, kNoOption };

// Tried in this order; the first that the typed name begins matches.
const char* const kOptionNames[] = { "DEBUG", "PRODUCT", "SETUP", "STARTUP", "TIMEOUT" };

const int kMinNameLength = 3;

Option FindOption(const char* pchName, int nLength)
{
    for (int i = 0; i < kNoOption; ++i)
    {
        if (AbbreviatesKeyword(pchName, nLength, kOptionNames[i]))
            return static_cast<Option>(i);
    }
    return kNoOption;
}

} // namespace

bool ApplyCommandLine(const char* pszLine, UpdateSettings& settings)
{
    const char* p = pszLine ? pszLine : "";
    for (;;)
    {
        while (*p != '\0' && IsBlank(*p))
            ++p;
        if (*p == '\0')
            return true;
        const char* pchWord = p;
        while (*p != '\0' && !IsBlank(*p))
            ++p;
        const char* pchEnd = p;

        if (*pchWord != '/' && *pchWord != '-')
            return false;
        const char* pchName = pchWord + 1;
        const char* pchColon = pchName;
        while (pchColon < pchEnd && *pchColon != ':')
            ++pchColon;
        int nName = static_cast<int>(pchColon - pchName);
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
                // Read as a signed decimal, as atol would; no digits give 0.
                DWORD dwProduct = 0;
                const char* pchValue = pchColon + 1;
                ScanDecimal(pchValue, pchEnd, 0, dwProduct);
                settings.product = dwProduct;
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
            return false;
        }
    }
}
