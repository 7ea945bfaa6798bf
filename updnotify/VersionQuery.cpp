#include "VersionQuery.h"

#include "HttpClient.h"
#include "OfferSignature.h"
#include "StringMap.h"
#include "Text.h"

namespace
{

const char kQueryPath[] = "/cgi-bin/version.cgi";

const char* const kMonths[12] = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec",
};

} // namespace

const char kUnknownReleaseDate[] = "an unknown date";

bool BuildVersionQueryForm(const char* pszSerial, WORD wMajor, WORD wMinor, DWORD dwBuild,
                           CMapStringToString& fields)
{
    char szMajor[16], szMinor[16], szBuild[16];
    wsprintfA(szMajor, "%u", static_cast<unsigned int>(wMajor));
    wsprintfA(szMinor, "%u", static_cast<unsigned int>(wMinor));
    wsprintfA(szBuild, "%lu", static_cast<unsigned long>(dwBuild));
    return fields.SetAt("sn", pszSerial ? pszSerial : "") &&
           fields.SetAt("v1", szMajor) &&
           fields.SetAt("v2", szMinor) &&
           fields.SetAt("v3", szBuild);
}

void ReadUpdateStatus(const char* pszValue, WORD wMajor, WORD wMinor, DWORD dwBuild,
                      UpdateOffer& offer)
{
    // Seven numbers: status, major, minor, build, then the date as
    // YYYYMMDD. Reading stops at the first that is missing.
    DWORD dwStatus = 0, dwMajor = wMajor, dwMinor = wMinor, dwYear = 0, dwMonth = 0, dwDay = 0;
    const char* p = pszValue ? pszValue : "";
    // Each is read as scanf's "%u" reads it (the date's parts with widths
    // 4, 2 and 2).
    bool bDate = ScanDecimal(p, nullptr, 0, dwStatus) && ScanDecimal(p, nullptr, 0, dwMajor) &&
                 ScanDecimal(p, nullptr, 0, dwMinor) && ScanDecimal(p, nullptr, 0, dwBuild) &&
                 ScanDecimal(p, nullptr, 4, dwYear) && ScanDecimal(p, nullptr, 2, dwMonth) &&
                 ScanDecimal(p, nullptr, 2, dwDay);

    // The version fields are 16-bit: keep what scanf's "%hu" would keep.
    WORD wOfferMajor = static_cast<WORD>(dwMajor), wOfferMinor = static_cast<WORD>(dwMinor);
    WORD wYear = static_cast<WORD>(dwYear), wMonth = static_cast<WORD>(dwMonth),
         wDay = static_cast<WORD>(dwDay);

    char szText[64];
    wsprintfA(szText, "%u.%02u.%04lu", static_cast<unsigned int>(wOfferMajor),
              static_cast<unsigned int>(wOfferMinor), static_cast<unsigned long>(dwBuild));
    offer.versionText = szText;

    // Only a whole date with a real month and day is shown; anything else
    // would print a wrong date or read past the month names.
    if (bDate && wMonth >= 1 && wMonth <= 12 && wDay >= 1 && wDay <= 31)
    {
        wsprintfA(szText, "%u %s %u", static_cast<unsigned int>(wYear), kMonths[wMonth - 1],
                  static_cast<unsigned int>(wDay));
        offer.releaseDateText = szText;
    }
    else
    {
        offer.releaseDateText = kUnknownReleaseDate;
    }
    offer.status = dwStatus;
}

bool QueryVersion(const UpdateSettings& settings, const char* pszSerial,
                  WORD wMajor, WORD wMinor, DWORD dwBuild, UpdateOffer& offer)
{
    CHttpClient client;
    if (!client.Connect(settings.serverHost, settings.serverPort, settings.queryTimeout,
                        settings.proxyHost, settings.proxyPort, settings.serverTls))
        return false;

    CMapStringToString fields;
    BOOL bRead = FALSE;
    if (BuildVersionQueryForm(pszSerial, wMajor, wMinor, dwBuild, fields) &&
        client.Post(kQueryPath, fields))
        bRead = client.ReadHeaders();
    client.Close();
    if (!bRead)
        return false;

    CString strStatus;
    if (!client.GetHeader("X-Update-Status", strStatus))
        return false;
    CString strUrl;
    client.GetHeader("X-Update-URL", strUrl);
    // Only the vendor's signature makes it an offer (where the build has
    // the vendor's keys).
    CString strSignature;
    if (settings.offerKeys.count > 0 &&
        (!client.GetHeader("X-Update-Signature", strSignature) ||
         !IsSignedOffer(settings.offerKeys, strStatus, strUrl, strSignature)))
        return false;
    offer.updateUrl = strUrl;
    ReadUpdateStatus(strStatus, wMajor, wMinor, dwBuild, offer);
    return true;
}
