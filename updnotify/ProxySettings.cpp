#include "ProxySettings.h"

#include <string.h>

#include "Registry.h"
#include "RegistryNames.h"
#include "Text.h"
#include "UpdateSettings.h"

namespace
{

char Fold(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// The bounds of the entry at p up to the next ";" (or the end), without
// the blanks around it; pNext is where the following entry starts.
void NextEntry(const char* p, const char*& pBegin, const char*& pEnd, const char*& pNext)
{
    pNext = p;
    while (*pNext != '\0' && *pNext != ';')
        ++pNext;
    pBegin = p;
    pEnd = pNext;
    while (pBegin < pEnd && IsBlank(*pBegin))
        ++pBegin;
    while (pEnd > pBegin && IsBlank(pEnd[-1]))
        --pEnd;
    if (*pNext == ';')
        ++pNext;
}

// True when the text from p to pEnd starts with pszLower, letters compared
// without regard to case.
bool StartsWithFolded(const char* p, const char* pEnd, const char* pszLower)
{
    for (; *pszLower != '\0'; ++p, ++pszLower)
    {
        if (p >= pEnd || Fold(*p) != *pszLower)
            return false;
    }
    return true;
}

bool IsHostChar(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           ch == '-' || ch == '.' || ch == '_';
}

// "*" any run, anything else itself without regard to case. One way back
// (to the last "*") is enough, so the time is bounded by the product of
// the two lengths.
bool Matches(const char* pPattern, const char* pEnd, const char* pszHost)
{
    const char* pStar = nullptr;
    const char* pAfterStar = pszHost;
    while (*pszHost != '\0')
    {
        if (pPattern < pEnd && *pPattern == '*')
        {
            pStar = ++pPattern;
            pAfterStar = pszHost;
        }
        else if (pPattern < pEnd && Fold(*pPattern) == Fold(*pszHost))
        {
            ++pPattern;
            ++pszHost;
        }
        else if (pStar)
        {
            pPattern = pStar;
            pszHost = ++pAfterStar;
        }
        else
        {
            return false;
        }
    }
    while (pPattern < pEnd && *pPattern == '*')
        ++pPattern;
    return pPattern == pEnd;
}

// A REG_SZ value whole in pszText, terminated. False when it is absent, of
// another type, or its data (terminator included) is longer than nSize - 1
// bytes: the last byte is kept for a terminator of our own, since the
// registry does not promise one.
bool ReadText(CRegistry& key, const char* pszName, char* pszText, DWORD nSize)
{
    DWORD dwType = 0;
    DWORD cbData = nSize - 1;
    if (!key.QueryValue(pszName, &dwType, reinterpret_cast<BYTE*>(pszText), &cbData) ||
        dwType != REG_SZ)
        return false;
    pszText[cbData] = '\0';
    return true;
}

} // namespace

bool ParseProxyServer(const char* pszServer, bool bHttps, char* pszHost, int nHostSize,
                      unsigned short& nPort)
{
    const char *pBegin, *pEnd, *pNext;
    NextEntry(pszServer, pBegin, pEnd, pNext);
    if (strchr(pszServer, '='))
    {
        // A list: the first entry for the query's protocol; the others are
        // for other protocols.
        const char* pszEntry = bHttps ? "https=" : "http=";
        while (!StartsWithFolded(pBegin, pEnd, pszEntry))
        {
            if (*pNext == '\0')
                return false;
            NextEntry(pNext, pBegin, pEnd, pNext);
        }
        pBegin += lstrlenA(pszEntry);
    }
    else if (*pNext != '\0')
    {
        return false;   // "a;b": two servers without protocols
    }

    const char* pColon = pBegin;
    while (pColon < pEnd && *pColon != ':')
        ++pColon;
    int nHost = static_cast<int>(pColon - pBegin);
    if (nHost == 0 || nHost >= nHostSize)
        return false;
    for (const char* p = pBegin; p < pColon; ++p)
    {
        if (!IsHostChar(*p))
            return false;
    }
    DWORD dwPort = 80;
    if (pColon < pEnd)
    {
        if (pColon + 1 == pEnd)
            return false;
        dwPort = 0;
        for (const char* p = pColon + 1; p < pEnd; ++p)
        {
            if (*p < '0' || *p > '9')
                return false;
            dwPort = dwPort * 10 + static_cast<DWORD>(*p - '0');
            if (dwPort > 65535)
                return false;
        }
        if (dwPort == 0)
            return false;
    }
    CopyMemory(pszHost, pBegin, nHost);
    pszHost[nHost] = '\0';
    nPort = static_cast<unsigned short>(dwPort);
    return true;
}

bool IsProxyBypassed(const char* pszOverride, const char* pszHost)
{
    BOOL bDot = strchr(pszHost, '.') != nullptr;
    const char* p = pszOverride;
    while (*p != '\0')
    {
        const char *pBegin, *pEnd;
        NextEntry(p, pBegin, pEnd, p);
        if (pBegin == pEnd)
            continue;
        if (pEnd - pBegin == 7 && StartsWithFolded(pBegin, pEnd, "<local>") ? !bDot
                                                                             : Matches(pBegin, pEnd, pszHost))
            return true;
    }
    return false;
}

bool ReadProxyFor(CRegistry& key, const char* pszHost, bool bHttps, char* pszProxy,
                  int nProxySize, unsigned short& nPort)
{
    pszProxy[0] = '\0';
    DWORD dwEnable = 0;
    char szServer[kProxyServerSize];
    if (ReadSetting(key, kProxyEnableValue, dwEnable) != kSettingPresent ||
        !ReadText(key, kProxyServerValue, szServer, sizeof(szServer)) ||
        !ParseProxyServer(szServer, bHttps, pszProxy, nProxySize, nPort))
        return false;
    // An override list too long for the buffer counts as none: then the
    // proxy is used for every host, as a cut list could not say.
    char szOverride[kProxyOverrideSize];
    if (ReadText(key, kProxyOverrideValue, szOverride, sizeof(szOverride)) &&
        IsProxyBypassed(szOverride, pszHost))
    {
        pszProxy[0] = '\0';
        return false;
    }
    return true;
}
