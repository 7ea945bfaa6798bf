// Text in fixed 8-bit buffers. Every size is the whole buffer in bytes,
// terminator included; every function checks it and never writes past it.
#pragma once

#include <windows.h>

// Blank as the C library's isspace sees it in the "C" locale: space, tab,
// line feed, vertical tab, form feed, carriage return.
inline bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

// The length of pszText without its trailing spaces and tabs: how much of
// an HTTP header's value counts (the reader keeps trailing blanks).
int TrimmedLength(const char* pszText);

// pszBuffer = pszText, cut to fit. Always terminated when nSize > 0 (a null
// pszText copies as ""). False when something was cut or nSize <= 0.
bool CopyTextCut(char* pszBuffer, int nSize, const char* pszText);

// Appends pszText whole to the text already in pszBuffer. False, and the
// buffer left as it was, when the result would not fit.
bool AppendText(char* pszBuffer, int nSize, const char* pszText);
// The same for the nLength characters at pch.
bool AppendSpan(char* pszBuffer, int nSize, const char* pch, int nLength);

// Appends as much of pszText as fits to the text already in pszBuffer; the
// result is always terminated. False when something was cut.
bool AppendTextCut(char* pszBuffer, int nSize, const char* pszText);

// Reads a decimal number at p as the C library's strtoul does for base 10:
// blanks skipped, an optional sign, then digits, wrapping modulo 2^32 (a
// minus negates the result the same way). At most nWidth characters after
// the blanks count, sign included (0: no limit), and none at or after pEnd
// (nullptr: up to the terminator). False, with p and dwValue left alone, when no
// digit follows; otherwise p is moved past the number.
bool ScanDecimal(const char*& p, const char* pEnd, int nWidth, DWORD& dwValue);

// The number that the nLength characters at pch spell when they are all
// decimal digits (at least one; no blank, no sign) and it fits in 32 bits;
// false, and dwValue left alone, otherwise.
bool ParseDigits(const char* pch, int nLength, DWORD& dwValue);

// The decimal text of dwValue. False, and nothing written, when it does
// not fit in nSize bytes (11 always do).
bool FormatDecimal(DWORD dwValue, char* pszBuffer, int nSize);

// A command-line option name cut short: true when the nLength characters
// at pchName (1 or more) begin pszKeyword, compared without regard to case
// for the name's a-z. A name longer than the keyword never matches. Both
// programs read their options through it; each sets its own shortest name.
bool AbbreviatesKeyword(const char* pchName, int nLength, const char* pszKeyword);

// Whether a folder's text ends with a "\" of its own, read in the code page
// nCodePage: in a double-byte code page a last character whose trail byte
// is "\" (Shift-JIS has many) is not one.
bool EndsWithSeparator(const char* pszFolder, UINT nCodePage);
