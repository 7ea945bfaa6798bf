#include "Text.h"

namespace
{

int Length(const char* psz)
{
    int n = 0;
    while (psz[n] != '\0')
        ++n;
    return n;
}

// Length of the text in a buffer of nSize bytes, or -1 when it has no
// terminator there (the buffer is then not touched).
int UsedLength(const char* pszBuffer, int nSize)
{
    for (int i = 0; i < nSize; ++i)
    {
        if (pszBuffer[i] == '\0')
            return i;
    }
    return -1;
}

} // namespace

int TrimmedLength(const char* pszText)
{
    int n = Length(pszText);
    while (n > 0 && (pszText[n - 1] == ' ' || pszText[n - 1] == '\t'))
        --n;
    return n;
}

bool CopyTextCut(char* pszBuffer, int nSize, const char* pszText)
{
    if (pszBuffer == nullptr || nSize <= 0)
        return false;
    pszBuffer[0] = '\0';
    return AppendTextCut(pszBuffer, nSize, pszText);
}

bool AppendText(char* pszBuffer, int nSize, const char* pszText)
{
    return AppendSpan(pszBuffer, nSize, pszText, pszText != nullptr ? Length(pszText) : 0);
}

bool AppendSpan(char* pszBuffer, int nSize, const char* pch, int nLength)
{
    if (pszBuffer == nullptr || nSize <= 0 || nLength < 0)
        return false;
    int nUsed = UsedLength(pszBuffer, nSize);
    if (nUsed < 0 || nLength > nSize - 1 - nUsed)
        return false;
    CopyMemory(pszBuffer + nUsed, pch, nLength);
    pszBuffer[nUsed + nLength] = '\0';
    return true;
}

bool AppendTextCut(char* pszBuffer, int nSize, const char* pszText)
{
    if (pszBuffer == nullptr || nSize <= 0)
        return false;
    int nUsed = UsedLength(pszBuffer, nSize);
    if (nUsed < 0)
        return false;
    const char* p = pszText != nullptr ? pszText : "";
    while (*p != '\0' && nUsed < nSize - 1)
        pszBuffer[nUsed++] = *p++;
    pszBuffer[nUsed] = '\0';
    return *p == '\0';
}

bool ScanDecimal(const char*& p, const char* pEnd, int nWidth, DWORD& dwValue)
{
    const char* q = p;
    while ((pEnd == nullptr || q < pEnd) && *q != '\0' && IsBlank(*q))
        ++q;
    int nLeft = nWidth > 0 ? nWidth : 0x7FFFFFFF;
    if (pEnd != nullptr && pEnd - q < nLeft)
        nLeft = static_cast<int>(pEnd - q);
    bool bNegative = false;
    if (nLeft > 0 && (*q == '+' || *q == '-'))
    {
        bNegative = *q == '-';
        ++q;
        --nLeft;
    }
    if (nLeft <= 0 || *q < '0' || *q > '9')
        return false;
    DWORD dw = 0;
    while (nLeft > 0 && *q >= '0' && *q <= '9')
    {
        dw = dw * 10 + static_cast<DWORD>(*q - '0');
        ++q;
        --nLeft;
    }
    dwValue = bNegative ? 0u - dw : dw;
    p = q;
    return true;
}

bool ParseDigits(const char* pch, int nLength, DWORD& dwValue)
{
    if (nLength <= 0)
        return false;
    unsigned long long ull = 0;
    for (int i = 0; i < nLength; ++i)
    {
        if (pch[i] < '0' || pch[i] > '9')
            return false;
        ull = ull * 10 + static_cast<unsigned long long>(pch[i] - '0');
        if (ull > 0xFFFFFFFFull)
            return false;
    }
    dwValue = static_cast<DWORD>(ull);
    return true;
}

bool FormatDecimal(DWORD dwValue, char* pszBuffer, int nSize)
{
    char achDigits[10];
    int n = 0;
    do
    {
        achDigits[n++] = static_cast<char>('0' + dwValue % 10);
        dwValue /= 10;
    } while (dwValue != 0);
    if (pszBuffer == nullptr || n + 1 > nSize)
        return false;
    for (int i = 0; i < n; ++i)
        pszBuffer[i] = achDigits[n - 1 - i];
    pszBuffer[n] = '\0';
    return true;
}

bool AbbreviatesKeyword(const char* pchName, int nLength, const char* pszKeyword)
{
    if (nLength < 1)
        return false;
    for (int i = 0; i < nLength; ++i)
    {
        char ch = pchName[i];
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
        // The keyword's terminator differs from every name character that
        // counts here, so a name longer than the keyword stops at it.
        if (pszKeyword[i] == '\0' || ch != pszKeyword[i])
            return false;
    }
    return true;
}

bool EndsWithSeparator(const char* pszFolder, UINT nCodePage)
{
    // From the start, a character at a time: only there is it known
    // whether a byte is a lead byte or a trail byte.
    const char* pLast = nullptr;
    for (const char* p = pszFolder; *p != '\0';
         p += (IsDBCSLeadByteEx(nCodePage, static_cast<BYTE>(*p)) && p[1] != '\0') ? 2 : 1)
        pLast = p;
    return pLast != nullptr && *pLast == '\\';
}
