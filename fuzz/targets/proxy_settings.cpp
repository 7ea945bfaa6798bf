// The proxy settings: "ProxyServer" read for its plain-HTTP proxy and for
// its https proxy into a host buffer of an exact size, and "ProxyOverride"
// matched against a host.
//
// Input: [0] host buffer size - 1 (1 to 256 bytes), then the server text, a
// NUL, the bypass list, a NUL, the host name.
//
// Oracles, written plainly with std::string:
// - server: with an "=" anywhere it is a list, entries split at ";" and
//   trimmed of blanks; the first entry that starts with "http=" (for https
//   "https=", any case) gives the rest; no such entry: none. Without "=" the text up to the
//   first ";" is the one entry, trimmed, and nothing may follow that ";".
//   The entry is host[:port]: the host up to the first ":", not empty,
//   shorter than the buffer, of letters, digits, ".", "-" and "_"; the port,
//   when a ":" is there, digits only, 1 to 65535 (80 without ":").
// - bypass: entries split at ";", trimmed, empty ones skipped; "<local>"
//   (any case) matches a host without "."; any other entry is a pattern in
//   which "*" stands for any run of characters and letters match in any
//   case, matched against the whole host (a table over both lengths).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "ProxySettings.h"

namespace
{

[[noreturn]] void Mismatch(const char* pszWhat, const std::string& strGot, const std::string& strInput)
{
    fprintf(stderr, "%s: the product says %s, the rule says otherwise, for [", pszWhat,
            strGot.c_str());
    for (unsigned char c : strInput)
        fprintf(stderr, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02x", c);
    fprintf(stderr, "]\n");
    abort();
}

std::string Lower(std::string str)
{
    for (char& c : str)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return str;
}

std::string Trim(const std::string& str)
{
    const char* pszBlanks = " \t\n\v\f\r";
    size_t nBegin = str.find_first_not_of(pszBlanks);
    if (nBegin == std::string::npos)
        return "";
    return str.substr(nBegin, str.find_last_not_of(pszBlanks) - nBegin + 1);
}

std::vector<std::string> Split(const std::string& str)
{
    std::vector<std::string> entries;
    size_t nStart = 0;
    for (;;)
    {
        size_t nSemi = str.find(';', nStart);
        entries.push_back(Trim(str.substr(nStart, nSemi - nStart)));
        if (nSemi == std::string::npos)
            return entries;
        nStart = nSemi + 1;
    }
}

// "host:port" by the rule, or "" for none.
std::string ServerByRule(const std::string& strServer, size_t nHostSize,
                         const std::string& strEntryName)
{
    std::string strEntry;
    if (strServer.find('=') != std::string::npos)
    {
        bool bFound = false;
        for (const std::string& e : Split(strServer))
        {
            if (Lower(e).compare(0, strEntryName.size(), strEntryName) == 0)
            {
                strEntry = e.substr(strEntryName.size());
                bFound = true;
                break;
            }
        }
        if (!bFound)
            return "";
    }
    else
    {
        size_t nSemi = strServer.find(';');
        if (nSemi != std::string::npos && nSemi + 1 != strServer.size())
            return "";
        strEntry = Trim(strServer.substr(0, nSemi));
    }
    size_t nColon = strEntry.find(':');
    std::string strHost = strEntry.substr(0, nColon);
    if (strHost.empty() || strHost.size() >= nHostSize)
        return "";
    for (char c : strHost)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '-' || c == '_'))
            return "";
    unsigned long nPort = 80;
    if (nColon != std::string::npos)
    {
        std::string strPort = strEntry.substr(nColon + 1);
        if (strPort.empty())
            return "";
        nPort = 0;
        for (char c : strPort)
        {
            if (c < '0' || c > '9')
                return "";
            nPort = nPort * 10 + (unsigned long)(c - '0');
            if (nPort > 65535)
                return "";
        }
        if (nPort == 0)
            return "";
    }
    return strHost + ":" + std::to_string(nPort);
}

bool PatternMatches(const std::string& strPattern, const std::string& strHost)
{
    std::string p = Lower(strPattern), h = Lower(strHost);
    // match[j]: the pattern so far matches the first j characters of h.
    std::vector<char> match(h.size() + 1, 0);
    match[0] = 1;
    for (char c : p)
    {
        std::vector<char> next(h.size() + 1, 0);
        for (size_t j = 0; j <= h.size(); ++j)
        {
            if (c == '*')
                next[j] = match[j] || (j > 0 && next[j - 1]);
            else
                next[j] = j > 0 && match[j - 1] && h[j - 1] == c;
        }
        match.swap(next);
    }
    return match[h.size()] != 0;
}

bool BypassedByRule(const std::string& strList, const std::string& strHost)
{
    for (const std::string& e : Split(strList))
    {
        if (e.empty())
            continue;
        if (Lower(e) == "<local>" ? strHost.find('.') == std::string::npos : PatternMatches(e, strHost))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 1)
        return 0;
    size_t nHostSize = (size_t)pData[0] + 1;
    std::string strRest(reinterpret_cast<const char*>(pData + 1), nSize - 1);
    std::string texts[3];
    for (std::string& t : texts)
    {
        size_t nEnd = strRest.find('\0');
        t = strRest.substr(0, nEnd);
        strRest = nEnd == std::string::npos ? "" : strRest.substr(nEnd + 1);
    }
    const std::string &strServer = texts[0], &strList = texts[1], &strHost = texts[2];

    // Exact-size copies and buffer: reading or writing past an end is seen.
    for (bool bHttps : {false, true})
    {
        char* pszServer = strdup(strServer.c_str());
        char* pszHost = (char*)malloc(nHostSize);
        memset(pszHost, 'X', nHostSize);
        unsigned short nPort = 0;
        std::string strGot;
        if (ParseProxyServer(pszServer, bHttps, pszHost, (int)nHostSize, nPort))
            strGot = std::string(pszHost) + ":" + std::to_string(nPort);
        else if (pszHost[0] != 'X')
            Mismatch("proxy server (buffer written on failure)", "none", strServer);
        free(pszHost);
        free(pszServer);
        if (strGot != ServerByRule(strServer, nHostSize, bHttps ? "https=" : "http="))
            Mismatch(bHttps ? "https proxy server" : "proxy server",
                     strGot.empty() ? "none" : strGot, strServer);
    }

    char* pszList = strdup(strList.c_str());
    char* pszName = strdup(strHost.c_str());
    bool bBypassed = IsProxyBypassed(pszList, pszName) != FALSE;
    free(pszList);
    free(pszName);
    if (bBypassed != BypassedByRule(strList, strHost))
        Mismatch("proxy bypass", bBypassed ? "bypassed" : "proxied", strList + " | " + strHost);
    return 0;
}
