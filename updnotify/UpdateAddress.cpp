#include "UpdateAddress.h"

namespace
{

bool StartsWithNoCase(const char* psz, const char* pszPrefix)
{
    for (; *pszPrefix != '\0'; ++psz, ++pszPrefix)
    {
        char ch = *psz;
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
        if (ch != *pszPrefix)
            return false;
    }
    return true;
}

} // namespace

bool IsOpenableUpdateUrl(const char* pszUrl)
{
    if (pszUrl == nullptr)
        return false;
    const char* pszHost;
    if (StartsWithNoCase(pszUrl, "http://"))
        pszHost = pszUrl + 7;
    else if (StartsWithNoCase(pszUrl, "https://"))
        pszHost = pszUrl + 8;
    else
        return false;
    // The host is what the authority (up to "/", "?", "#" or "\") holds
    // after its last "@" and before a ":port"; "http://?x", "http://#",
    // "http://user@/" and "http://:80/" name none.
    const char* pchEnd = pszHost;
    while (*pchEnd && *pchEnd != '/' && *pchEnd != '?' && *pchEnd != '#' && *pchEnd != '\\')
    {
        if (*pchEnd == '@')
            pszHost = pchEnd + 1;
        ++pchEnd;
    }
    if (pszHost == pchEnd || *pszHost == ':')
        return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(pszUrl); *p; ++p)
    {
        if (*p <= 0x20 || *p == 0x7F || *p == '"')
            return false;
    }
    return true;
}
