// The notifier's command line.
//
// Input: byte 0 picks the settings' starting state, the rest is the line.
//
// Oracle: the documented rules, written plainly: words split at the six
// blanks; each must begin with "/" or "-"; the name runs to the first ":";
// names under 3 letters are skipped; a name selects the first of DEBUG,
// PRODUCT, SETUP, STARTUP, TIMEOUT that it begins (letters in any case) and
// a word that selects none ends the reading with a failure; options act in
// the order written. PRODUCT needs a ":" and reads its value as atol would.
// Lines whose numbers have 10 digits or more are left out of the PRODUCT
// comparison (strtol saturates where the program wraps).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "LongNumber.h"

namespace
{

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

struct Expected
{
    bool bAccepted = true;
    DWORD dwDelay, dwProduct;
    bool bInteractive, bForce;
};

bool Begins(const std::string& strKeyword, const std::string& strName)
{
    if (strName.size() > strKeyword.size())
        return false;
    for (size_t i = 0; i < strName.size(); ++i)
        if (toupper((unsigned char)strName[i]) != strKeyword[i])
            return false;
    return true;
}

Expected Apply(const std::string& strLine, const UpdateSettings& start)
{
    Expected e;
    e.dwDelay = start.startDelay;
    e.dwProduct = start.product;
    e.bInteractive = start.interactive != FALSE;
    e.bForce = start.forceCheck != FALSE;
    std::vector<std::string> words;
    std::string strWord;
    for (char c : strLine + " ")
    {
        if (!IsBlank(c))
            strWord += c;
        else if (!strWord.empty())
        {
            words.push_back(strWord);
            strWord.clear();
        }
    }
    static const char* const kNames[] = { "DEBUG", "PRODUCT", "SETUP", "STARTUP", "TIMEOUT" };
    for (const std::string& w : words)
    {
        if (w[0] != '/' && w[0] != '-')
        {
            e.bAccepted = false;
            return e;
        }
        size_t nColon = w.find(':');
        std::string strName = w.substr(1, nColon == std::string::npos ? std::string::npos : nColon - 1);
        if (strName.size() < 3)
            continue;
        int nOption = -1;
        for (int i = 0; i < 5 && nOption < 0; ++i)
            if (Begins(kNames[i], strName))
                nOption = i;
        switch (nOption)
        {
        case -1:
            e.bAccepted = false;
            return e;
        case 0:
        case 2:
            e.dwDelay = 0;
            e.bForce = true;
            break;
        case 1:
            if (nColon != std::string::npos)
            {
                std::string strValue = w.substr(nColon + 1);
                // atol skips leading blanks, but a word holds none.
                e.dwProduct = (DWORD)strtol(strValue.c_str(), 0, 10);
                e.dwDelay = 0;
                e.bInteractive = true;
            }
            break;
        case 3:
            e.dwDelay = kStartupDelay;
            e.bInteractive = false;
            break;
        }
    }
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 1)
        return 0;
    UpdateSettings settings;
    settings.startDelay = (pData[0] & 1) ? kStartupDelay : 0;
    settings.interactive = (pData[0] & 2) ? TRUE : FALSE;
    settings.forceCheck = (pData[0] & 4) ? TRUE : FALSE;
    settings.product = pData[0] >> 3;
    std::string strLine(reinterpret_cast<const char*>(pData + 1), nSize - 1);
    strLine = strLine.substr(0, strLine.find('\0'));
    // An exact-size copy, so that reading past its end is seen.
    char* pszLine = (char*)malloc(strLine.size() + 1);
    memcpy(pszLine, strLine.c_str(), strLine.size() + 1);

    Expected e = Apply(strLine, settings);
    BOOL bAccepted = ApplyCommandLine(pszLine, settings);
    if (strLine != pszLine)
    {
        fprintf(stderr, "notifier command line: the line was changed\n");
        abort();
    }
    free(pszLine);

    bool bProductComparable = !HasLongNumber(strLine);
    if ((bAccepted != FALSE) != e.bAccepted || settings.startDelay != e.dwDelay ||
        (settings.interactive != FALSE) != e.bInteractive ||
        (settings.forceCheck != FALSE) != e.bForce ||
        (bProductComparable && settings.product != e.dwProduct))
    {
        fprintf(stderr,
                "notifier command line \"%s\": got %d delay %u interactive %d force %d product %u; "
                "expected %d %u %d %d %u\n",
                strLine.c_str(), bAccepted, (unsigned)settings.startDelay, settings.interactive,
                settings.forceCheck, (unsigned)settings.product, e.bAccepted, (unsigned)e.dwDelay,
                e.bInteractive, e.bForce, (unsigned)e.dwProduct);
        abort();
    }
    return 0;
}
