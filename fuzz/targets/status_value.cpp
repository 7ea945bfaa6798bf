// The "X-Update-Status" value, read into the offer, and the same text read
// as an "X-Update-Signature" value.
//
// Input: 8 bytes of the installed version (major, minor: 16 bits each;
// build: 32 bits; little-endian), then the value text.
//
// Oracle: the C library's sscanf with the documented pattern
// "%lu %hu %hu %lu %04hu%02hu%02hu" reads the same numbers; the version text
// is "%hu.%02hu.%04lu" of what it read (the installed version for fields it
// did not reach), and the date text is "year Mon day" when all seven fields
// were read with a month 1 to 12 and a day 1 to 31, else the text for an
// unknown date. Values whose numbers have 10 digits or more are left out of
// the comparison: there the C library saturates and Windows' wraps.
// Signature oracle: the value less its trailing blanks and tabs is base64
// (standard alphabet) in groups of four, "=" only as the last one or two
// characters, and decodes to exactly 64 bytes, which the reader gives.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "LongNumber.h"
#include "OfferSignature.h"
#include "VersionQuery.h"

namespace
{

// The bytes of a base64 text as the rule reads it; false when it is not one.
bool DecodeByRule(std::string strText, std::string& strBytes)
{
    while (!strText.empty() && (strText.back() == ' ' || strText.back() == '\t'))
        strText.pop_back();
    static const std::string kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    size_t nPad = strText.size() - strText.find_last_not_of('=') - 1;
    if (strText.empty() || strText.size() % 4 != 0 || nPad > 2)
        return false;
    unsigned long ulBits = 0;
    int nBits = 0;
    for (size_t i = 0; i < strText.size() - nPad; ++i)
    {
        size_t nDigit = kDigits.find(strText[i]);
        if (nDigit == std::string::npos)
            return false;
        ulBits = (ulBits << 6 | nDigit) & 0xFFFFFF;
        nBits += 6;
        if (nBits >= 8)
        {
            nBits -= 8;
            strBytes += (char)(ulBits >> nBits);
        }
    }
    return true;
}

void CheckSignatureReader(const std::string& strValue)
{
    std::string strWant;
    bool bWant = DecodeByRule(strValue, strWant) && strWant.size() == kOfferSignatureSize;
    BYTE abGot[kOfferSignatureSize];
    char* pszValue = strdup(strValue.c_str());      // an exact-size copy
    bool bGot = DecodeOfferSignature(pszValue, abGot);
    free(pszValue);
    if (bGot != bWant || (bGot && memcmp(abGot, strWant.data(), kOfferSignatureSize) != 0))
    {
        fprintf(stderr, "signature value \"%s\": read %s, expected %s\n", strValue.c_str(),
                bGot ? "64 bytes" : "none", bWant ? "64 bytes" : "none");
        abort();
    }
}

const char* const kMonths[12] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 8)
        return 0;
    WORD wMajor = (WORD)(pData[0] | pData[1] << 8);
    WORD wMinor = (WORD)(pData[2] | pData[3] << 8);
    DWORD dwBuild = (DWORD)pData[4] | (DWORD)pData[5] << 8 | (DWORD)pData[6] << 16 |
                    (DWORD)pData[7] << 24;
    // The value as the header table holds it: text up to the first NUL.
    std::string strValue(reinterpret_cast<const char*>(pData + 8), nSize - 8);
    strValue = strValue.substr(0, strValue.find('\0'));

    CheckSignatureReader(strValue);
    UpdateOffer offer;
    ReadUpdateStatus(strValue.c_str(), wMajor, wMinor, dwBuild, offer);

    if (HasLongNumber(strValue))
        return 0;
    unsigned long ulStatus = 0, ulBuild = dwBuild;
    unsigned short wOfferMajor = wMajor, wOfferMinor = wMinor, wYear = 0, wMonth = 0, wDay = 0;
    int nRead = sscanf(strValue.c_str(), "%lu %hu %hu %lu %04hu%02hu%02hu", &ulStatus,
                       &wOfferMajor, &wOfferMinor, &ulBuild, &wYear, &wMonth, &wDay);
    if (nRead < 1)
        ulStatus = 0;

    char szVersion[64];
    snprintf(szVersion, sizeof(szVersion), "%u.%02u.%04u", (unsigned)wOfferMajor,
             (unsigned)wOfferMinor, (unsigned)(uint32_t)ulBuild);
    std::string strDate = kUnknownReleaseDate;
    if (nRead == 7 && wMonth >= 1 && wMonth <= 12 && wDay >= 1 && wDay <= 31)
        strDate = std::to_string(wYear) + " " + kMonths[wMonth - 1] + " " + std::to_string(wDay);

    if (offer.status != (DWORD)ulStatus || offer.versionText != szVersion ||
        offer.releaseDateText != strDate.c_str())
    {
        fprintf(stderr, "status value \"%s\": read %lu \"%s\" \"%s\", expected %lu \"%s\" \"%s\"\n",
                strValue.c_str(), (unsigned long)offer.status, offer.versionText.GetString(),
                offer.releaseDateText.GetString(), (unsigned long)(uint32_t)ulStatus, szVersion,
                strDate.c_str());
        abort();
    }
    return 0;
}
