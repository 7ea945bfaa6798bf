// vquery: runs the notifier's version query for one catalogued product
// against a given server and prints what the response offered. The query
// goes by the build's scheme (-http: plain HTTP) and takes an answer as an
// offer as the notifier does: signed by the build's offer keys.
//   vquery [-http] HOST PORT PRODUCT-ID [TIMEOUT]
// Exit code: 0 an offer, 1 no offer, 2 bad arguments or product not installed.
// It prints through wsprintf and WriteFile, not the C library's printf, so
// that its size measures the notifier's own code (tools/measure/measure-size.sh).
#include <stdarg.h>
#include <stdlib.h>

#include "ProductCatalogue.h"
#include "VersionQuery.h"

namespace
{

void Write(DWORD dwHandle, const char* pszFormat, va_list args)
{
    char szText[1024];  // wvsprintf writes at most 1024 bytes
    int nLength = wvsprintfA(szText, pszFormat, args);
    DWORD dwWritten = 0;
    WriteFile(GetStdHandle(dwHandle), szText, (DWORD)nLength, &dwWritten, 0);
}

void Print(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    Write(STD_OUTPUT_HANDLE, pszFormat, args);
    va_end(args);
}

void PrintError(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    Write(STD_ERROR_HANDLE, pszFormat, args);
    va_end(args);
}

} // namespace

int main(int argc, char** argv)
{
    UpdateSettings settings;
    if (argc > 1 && lstrcmpA(argv[1], "-http") == 0)
    {
        settings.serverTls = false;
        --argc;
        ++argv;
    }
    if (argc < 4 || argc > 5)
    {
        PrintError("usage: vquery [-http] HOST PORT PRODUCT-ID [TIMEOUT]\n");
        return 2;
    }
    settings.serverHost = argv[1];
    settings.serverPort = (unsigned short)strtoul(argv[2], 0, 10);
    if (argc == 5)
        settings.queryTimeout = (unsigned int)strtoul(argv[4], 0, 10);
    DWORD dwId = strtoul(argv[3], 0, 10);

    char szName[128];
    WORD wMajor = 0, wMinor = 0;
    DWORD dwBuild = 0;
    if (!GetProductName(dwId, szName, sizeof(szName)) ||
        !GetProductVersion(dwId, &wMajor, &wMinor, &dwBuild, 0, 0))
    {
        PrintError("vquery: product %lu is not catalogued\n", (unsigned long)dwId);
        return 2;
    }
    char szSerial[128];
    int hProduct = OpenProduct(dwId);
    if (hProduct == -1)
    {
        PrintError("vquery: product %lu is not installed\n", (unsigned long)dwId);
        return 2;
    }
    BOOL bSerial = GetSerialNumber(hProduct, szSerial, sizeof(szSerial));
    CloseProduct(hProduct);
    if (!bSerial)
    {
        PrintError("vquery: product %lu has no serial number\n", (unsigned long)dwId);
        return 2;
    }

    Print("query: sn=%s v1=%u v2=%u v3=%lu\n", szSerial, (unsigned int)wMajor,
           (unsigned int)wMinor, (unsigned long)dwBuild);
    UpdateOffer offer;
    if (!QueryVersion(settings, szSerial, wMajor, wMinor, dwBuild, offer))
    {
        Print("no offer for %s\n", szName);
        return 1;
    }
    Print("offer for %s\nstatus: %lu\nversion: %s\nreleased: %s\nurl: %s\n", szName,
           (unsigned long)offer.status, offer.versionText.GetString(),
           offer.releaseDateText.GetString(), offer.updateUrl.GetString());
    return 0;
}
