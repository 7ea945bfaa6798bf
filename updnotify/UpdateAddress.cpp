#include "UpdateAddress.h"

namespace
{

char Lower(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool SameNoCase(const char* pch1, const char* pch2, int nLength)
{
    for (int i = 0; i < nLength; ++i)
    {
        if (Lower(pch1[i]) != Lower(pch2[i]))
            return false;
    }
    return true;
}

bool IsLabelChar(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           ch == '-';
}

// Labels joined by single dots, the last one not all digits.
bool IsHostName(const char* pchHost, int nLength)
{
    bool bLabelDigits = true;
    int nLabel = 0;
    for (int i = 0; i < nLength; ++i)
    {
        char ch = pchHost[i];
        if (ch == '.')
        {
            if (nLabel == 0)
                return false;
            nLabel = 0;
            bLabelDigits = true;
        }
        else if (IsLabelChar(ch))
        {
            ++nLabel;
            bLabelDigits = bLabelDigits && ch >= '0' && ch <= '9';
        }
        else
        {
            return false;
        }
    }
    return nLabel > 0 && !bLabelDigits;
}

// pchHost (nLength characters) against one entry of the list.
bool MatchesEntry(const char* pchHost, int nLength, const char* pchEntry, int nEntry)
{
    if (nEntry >= 2 && pchEntry[0] == '*' && pchEntry[1] == '.')
    {
        int nDomain = nEntry - 1; // ".domain"
        return nLength > nDomain && SameNoCase(pchHost + nLength - nDomain, pchEntry + 1, nDomain);
    }
    return nLength == nEntry && SameNoCase(pchHost, pchEntry, nLength);
}

bool IsListedHost(const char* pchHost, int nLength, const char* pszHosts)
{
    const char* pchEntry = pszHosts;
    for (;;)
    {
        const char* pchEnd = pchEntry;
        while (*pchEnd != '\0' && *pchEnd != ';')
            ++pchEnd;
        if (MatchesEntry(pchHost, nLength, pchEntry, static_cast<int>(pchEnd - pchEntry)))
            return true;
        if (*pchEnd == '\0')
            return false;
        pchEntry = pchEnd + 1;
    }
}

} // namespace

bool IsOpenableUpdateUrl(const char* pszUrl, const char* pszHosts)
{
    static const char kScheme[] = "https://";
    const int nScheme = sizeof(kScheme) - 1;
    if (pszUrl == nullptr || pszHosts == nullptr)
        return false;
    // A shorter text fails at its terminator.
    for (int i = 0; i < nScheme; ++i)
    {
        if (Lower(pszUrl[i]) != kScheme[i])
            return false;
    }
    for (const char* p = pszUrl; *p != '\0'; ++p)
    {
        unsigned char ch = static_cast<unsigned char>(*p);
        if (ch <= 0x20 || ch == 0x7F || ch == '"')
            return false;
    }
    // The authority runs to the path, the query or the fragment; all of it
    // is the host but for a port of 443.
    const char* pchHost = pszUrl + nScheme;
    const char* pchEnd = pchHost;
    while (*pchEnd != '\0' && *pchEnd != '/' && *pchEnd != '?' && *pchEnd != '#')
        ++pchEnd;
    int nLength = static_cast<int>(pchEnd - pchHost);
    if (nLength > 4 && pchEnd[-4] == ':' && pchEnd[-3] == '4' && pchEnd[-2] == '4' &&
        pchEnd[-1] == '3')
        nLength -= 4;
    return IsHostName(pchHost, nLength) && IsListedHost(pchHost, nLength, pszHosts);
}
