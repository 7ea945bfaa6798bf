// The checks of the package's input that installer conditions cannot make:
// immediate custom actions that Windows Installer runs from the package's
// Binary table (the i686 build on 32-bit Windows, the x86_64 build on 64-bit
// Windows; installer/README.md says which runs when). Each reads one
// property as wide text, because the ANSI form turns a character outside the
// code page into "?", which is printable. Each only leaves what it found in
// a property that a refusal of the package tests and words: none refuses by
// itself, so the refusals' texts stay the package's. A property that cannot
// be read fails the install (the actions' return is checked).
#include <windows.h>
#include <msiquery.h>

#include "Text.h"

namespace
{

// The catalogue's longest serial number, in characters.
constexpr DWORD kMaxSerial = 127;
// The longest policy value that can be good: "0", "1", "365".
constexpr DWORD kMaxPolicyValue = 3;

enum class Read
{
    kWhole,     // the value is in the buffer (empty when not set)
    kTooLong,   // longer than the buffer holds; the length is given
    kFailed
};

// Reads property pszName into szValue (nChars characters, terminator
// included); dwLength is its length in characters, also when it is too long.
Read ReadProperty(MSIHANDLE hInstall, const wchar_t* pszName, wchar_t* szValue, DWORD nChars,
                  DWORD& dwLength)
{
    dwLength = nChars;
    const UINT uResult = MsiGetPropertyW(hInstall, pszName, szValue, &dwLength);
    if (uResult == ERROR_MORE_DATA)
        return Read::kTooLong;
    return uResult == ERROR_SUCCESS && dwLength < nChars ? Read::kWhole : Read::kFailed;
}

// pszBuffer = pszBefore, dwNumber in decimal, pszAfter. False when it does
// not fit.
bool FormatFault(char* pszBuffer, int nSize, const char* pszBefore, DWORD dwNumber,
                 const char* pszAfter)
{
    char szNumber[11];
    return FormatDecimal(dwNumber, szNumber, sizeof(szNumber)) &&
           CopyTextCut(pszBuffer, nSize, pszBefore) && AppendText(pszBuffer, nSize, szNumber) &&
           AppendText(pszBuffer, nSize, pszAfter);
}

// Sets property pszName to the ASCII text pszValue (the ANSI form is exact
// for it); the custom action's result.
UINT SetResult(MSIHANDLE hInstall, const char* pszName, const char* pszValue)
{
    return MsiSetPropertyA(hInstall, pszName, pszValue) == ERROR_SUCCESS ? ERROR_SUCCESS
                                                                         : ERROR_INSTALL_FAILURE;
}

// Reads policy property pszName and sets pszFault to "1" unless it is empty
// or IsGood says yes to its text.
UINT CheckPolicyValue(MSIHANDLE hInstall, const wchar_t* pszName, const char* pszFault,
                      bool (*IsGood)(const wchar_t* pszValue, DWORD dwLength))
{
    wchar_t szValue[kMaxPolicyValue + 1];
    DWORD dwLength = 0;
    const Read read = ReadProperty(hInstall, pszName, szValue, kMaxPolicyValue + 1, dwLength);
    if (read == Read::kFailed)
        return ERROR_INSTALL_FAILURE;
    if (read == Read::kWhole && (dwLength == 0 || IsGood(szValue, dwLength)))
        return ERROR_SUCCESS;
    return SetResult(hInstall, pszFault, "1");
}

// "0" or "1" as written: a condition would take "00" or "01" for the number.
bool IsUpdateChecks(const wchar_t* pszValue, DWORD dwLength)
{
    return dwLength == 1 && (pszValue[0] == L'0' || pszValue[0] == L'1');
}

// A number of days from 1 to 365, in digits only: no sign, no blank.
bool IsUpdateInterval(const wchar_t* pszValue, DWORD dwLength)
{
    DWORD dwDays = 0;
    for (DWORD i = 0; i < dwLength; ++i)
    {
        if (pszValue[i] < L'0' || pszValue[i] > L'9')
            return false;
        dwDays = dwDays * 10 + static_cast<DWORD>(pszValue[i] - L'0');
    }
    return dwDays >= 1 && dwDays <= 365;
}

} // namespace

// SERIAL as the notifier posts it: at most 127 characters, each printable
// ASCII (space to "~"; the characters that would change the posted form are
// the package's conditions). SERIALFAULT names the fault: "it has N
// characters, more than 127" whatever they are, else "its character N is
// not printable ASCII" for the first such one.
extern "C" UINT __stdcall CheckSerial(MSIHANDLE hInstall)
{
    wchar_t szSerial[kMaxSerial + 1];
    DWORD dwLength = 0;
    const Read read = ReadProperty(hInstall, L"SERIAL", szSerial, kMaxSerial + 1, dwLength);
    if (read == Read::kFailed)
        return ERROR_INSTALL_FAILURE;
    char szFault[64];
    if (read == Read::kTooLong)
    {
        if (!FormatFault(szFault, sizeof(szFault), "it has ", dwLength, " characters, more than 127"))
            return ERROR_INSTALL_FAILURE;
        return SetResult(hInstall, "SERIALFAULT", szFault);
    }
    for (DWORD i = 0; i < dwLength; ++i)
    {
        if (szSerial[i] < L' ' || szSerial[i] > L'~')
        {
            if (!FormatFault(szFault, sizeof(szFault), "its character ", i + 1,
                             " is not printable ASCII"))
                return ERROR_INSTALL_FAILURE;
            return SetResult(hInstall, "SERIALFAULT", szFault);
        }
    }
    return ERROR_SUCCESS;
}

// UPDATECHECKS: "0" or "1". UPDATECHECKSFAULT is "1" when it is another.
extern "C" UINT __stdcall CheckUpdateChecks(MSIHANDLE hInstall)
{
    return CheckPolicyValue(hInstall, L"UPDATECHECKS", "UPDATECHECKSFAULT", IsUpdateChecks);
}

// UPDATEINTERVAL: 1 to 365 days, one to three digits. UPDATEINTERVALFAULT
// is "1" when it is another.
extern "C" UINT __stdcall CheckUpdateInterval(MSIHANDLE hInstall)
{
    return CheckPolicyValue(hInstall, L"UPDATEINTERVAL", "UPDATEINTERVALFAULT", IsUpdateInterval);
}
