// The update address check, and the product key and display name formats
// filling buffers of an exact size.
//
// Input: [0] buffer size (0 to 255), [1..2] major, [3..4] minor (little-
// endian), then the address, a NUL, the product name, a NUL, the edition.
//
// Oracles: the address rule written plainly, against the download hosts
// kHosts: "https://" (any case), no byte anywhere a blank, a control
// character, DEL or a double quote; the authority (up to the first "/", "?"
// or "#") less a ":443" at its end is the host: labels of letters, digits
// and "-" split at ".", none empty, the last not all digits; it equals an
// entry, or ends in ".domain" after at least one character for an entry
// "*.domain", letters compared in lower case. The formats are built with
// std::string and cut to the buffer, whose every byte past the size
// AddressSanitizer guards.
#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "ProductSchedule.h"
#include "UpdateAddress.h"
#include "UpdateOffer.h"

namespace
{

const char kHosts[] = "downloads.brantlow.example;*.cdn.brantlow.example";

std::string Lower(std::string str)
{
    for (char& c : str)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return str;
}

bool OpenableByRule(const std::string& strUrl)
{
    if (Lower(strUrl.substr(0, 8)) != "https://")
        return false;
    for (unsigned char c : strUrl)
        if (c <= 0x20 || c == 0x7F || c == '"')
            return false;
    std::string strHost = strUrl.substr(8);
    strHost = Lower(strHost.substr(0, strHost.find_first_of("/?#")));
    if (strHost.size() >= 4 && strHost.compare(strHost.size() - 4, 4, ":443") == 0)
        strHost.resize(strHost.size() - 4);
    std::string strLabel;
    for (size_t i = 0; i <= strHost.size(); ++i)
    {
        if (i == strHost.size() || strHost[i] == '.')
        {
            if (strLabel.empty())
                return false;
            if (i == strHost.size() &&
                strLabel.find_first_not_of("0123456789") == std::string::npos)
                return false;
            strLabel.clear();
        }
        else if (isalnum((unsigned char)strHost[i]) || strHost[i] == '-')
            strLabel += strHost[i];
        else
            return false;
    }
    std::string strList = kHosts;
    for (size_t nStart = 0; nStart <= strList.size();)
    {
        size_t nEnd = strList.find(';', nStart);
        std::string strEntry = Lower(strList.substr(nStart, nEnd - nStart));
        if (strEntry.compare(0, 2, "*.") == 0
                ? strHost.size() > strEntry.size() - 1 &&
                      strHost.compare(strHost.size() - (strEntry.size() - 1), std::string::npos,
                                      strEntry, 1) == 0
                : strHost == strEntry)
            return true;
        if (nEnd == std::string::npos)
            break;
        nStart = nEnd + 1;
    }
    return false;
}

std::string Version(WORD wMajor, WORD wMinor)
{
    unsigned nShort = wMinor % 10 == 0 ? wMinor / 10u : wMinor;
    return std::to_string(wMajor) + "." + std::to_string(nShort);
}

[[noreturn]] void Mismatch(const char* pszWhat, const std::string& strGot, const std::string& strWant)
{
    fprintf(stderr, "%s: got \"%s\", expected \"%s\"\n", pszWhat, strGot.c_str(), strWant.c_str());
    abort();
}

void CheckFormat(const char* pszWhat, const std::string& strFull, int nSize,
                 void (*pfnFormat)(const char*, const char*, WORD, WORD, char*, int),
                 const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor)
{
    // An exact-size buffer, filled with a mark so that a size of 0 can be
    // seen to write nothing.
    char* pszBuffer = (char*)malloc(nSize > 0 ? nSize : 1);
    memset(pszBuffer, 'x', nSize > 0 ? nSize : 1);
    pfnFormat(pszName, pszEdition, wMajor, wMinor, pszBuffer, nSize);
    if (nSize == 0)
    {
        if (pszBuffer[0] != 'x')
            Mismatch(pszWhat, "(written into a buffer of size 0)", "");
    }
    else
    {
        std::string strWant = strFull.substr(0, nSize - 1);
        if (memchr(pszBuffer, '\0', nSize) == 0)
            Mismatch(pszWhat, "(not terminated)", strWant);
        if (strWant != pszBuffer)
            Mismatch(pszWhat, pszBuffer, strWant);
    }
    free(pszBuffer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 5)
        return 0;
    int nBuffer = pData[0];
    WORD wMajor = (WORD)(pData[1] | pData[2] << 8);
    WORD wMinor = (WORD)(pData[3] | pData[4] << 8);
    std::string strRest(reinterpret_cast<const char*>(pData + 5), nSize - 5);
    size_t nEnd1 = strRest.find('\0');
    std::string strUrl = strRest.substr(0, nEnd1);
    std::string strName, strEdition;
    if (nEnd1 != std::string::npos)
    {
        std::string strTexts = strRest.substr(nEnd1 + 1);
        size_t nEnd2 = strTexts.find('\0');
        strName = strTexts.substr(0, nEnd2);
        if (nEnd2 != std::string::npos)
        {
            strEdition = strTexts.substr(nEnd2 + 1);
            strEdition = strEdition.substr(0, strEdition.find('\0'));
        }
    }

    // Exact-size copies: reading past a text's end is seen.
    char* pszUrl = strdup(strUrl.c_str());
    bool bOpenable = IsOpenableUpdateUrl(pszUrl, kHosts);
    free(pszUrl);
    if (bOpenable != OpenableByRule(strUrl))
        Mismatch("update address check", bOpenable ? "openable" : "refused", strUrl);

    char* pszName = strdup(strName.c_str());
    char* pszEdition = strdup(strEdition.c_str());
    std::string strKey = "Software\\Brantlow\\Updates\\" + strName +
                         (strEdition.empty() ? "" : " " + strEdition) + "\\" +
                         Version(wMajor, wMinor);
    CheckFormat("product key", strKey, nBuffer, FormatProductKey, pszName, pszEdition, wMajor,
                wMinor);
    std::string strDisplay = strName + " " + Version(wMajor, wMinor) + " " + strEdition;
    CheckFormat("display name", strDisplay, nBuffer, FormatDisplayName, pszName, pszEdition,
                wMajor, wMinor);
    free(pszName);
    free(pszEdition);
    return 0;
}
