// The catalogue's product table. Included by ProductCatalogue.cpp only.
//
// Record texts (name and edition) are kept enciphered in the program file
// and deciphered on access. This is obfuscation, not protection: it keeps the
// product texts out of a casual look at the file (a strings listing, a hex
// viewer), nothing more. Anyone holding the program can decipher them, as
// the program itself does.
//
// The enciphering happens at compile time: every text sits in a fixed-size
// field filled by a constexpr constructor, and the table is declared
// static constexpr, so the compiler must evaluate it and the plain string
// literals are never emitted. Each byte is XORed with a key byte derived from
// the product identifier, the field and the byte's position; the unused tail
// of a field is enciphered zero bytes, so a text ends where a deciphered byte
// is 0 or where its field ends.
#pragma once

#include <windows.h>

namespace ProductTable {

// Fields are sized to the longest text (the catalogue checks this at
// compile time, so a field that grew too long for every text is noticed).
constexpr int kNameField = 24;
constexpr int kEditionField = 12;

constexpr DWORD kNameSalt = 0x5BD1E995;
constexpr DWORD kEditionSalt = 0x27D4EB2F;

// A key byte for one position of one field of one product: a mixing hash,
// so that every position can be deciphered on its own.
constexpr BYTE KeyByte(DWORD dwId, DWORD dwSalt, int nPosition)
{
    DWORD x = (dwId * 0x9E3779B9u) ^ dwSalt;
    x += static_cast<DWORD>(nPosition + 1) * 0x85EBCA6Bu;
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    x *= 0x297A2D39u;
    x ^= x >> 15;
    return static_cast<BYTE>(x);
}

// Not constexpr on purpose: reaching it while the table is evaluated stops
// the build, naming it in the diagnostic.
inline void TextTooLongForField() {}

template <int N, DWORD Salt>
class CEncipheredText
{
public:
    constexpr CEncipheredText(const char* pszPlain, DWORD dwId) : m_ab{}
    {
        int nLength = 0;
        while (pszPlain[nLength] != 0)
            ++nLength;
        if (nLength > N)
            TextTooLongForField();
        for (int i = 0; i < N; ++i)
        {
            BYTE b = i < nLength ? static_cast<BYTE>(pszPlain[i]) : 0;
            m_ab[i] = static_cast<BYTE>(b ^ KeyByte(dwId, Salt, i));
        }
    }

    constexpr BYTE PlainAt(DWORD dwId, int i) const
    {
        return static_cast<BYTE>(m_ab[i] ^ KeyByte(dwId, Salt, i));
    }

    constexpr int GetLength(DWORD dwId) const
    {
        int n = 0;
        while (n < N && PlainAt(dwId, n) != 0)
            ++n;
        return n;
    }

    // Deciphers into a buffer of nSize (> 0) bytes: cut, always terminated.
    void Decipher(DWORD dwId, char* pszBuffer, int nSize) const
    {
        int n = 0;
        for (; n < N && n < nSize - 1; ++n)
        {
            BYTE b = PlainAt(dwId, n);
            if (b == 0)
                break;
            pszBuffer[n] = static_cast<char>(b);
        }
        pszBuffer[n] = 0;
    }

private:
    BYTE m_ab[N];
};

struct ProductRecord
{
    constexpr ProductRecord(DWORD dwProductId, int nProductGroup,
                            const char* pszName, const char* pszEdition,
                            WORD wMajorVersion, WORD wMinorVersion,
                            DWORD dwBuildNumber)
        : dwId(dwProductId), dwBuild(dwBuildNumber), wMajor(wMajorVersion),
          wMinor(wMinorVersion), bGroup(static_cast<BYTE>(nProductGroup)),
          name(pszName, dwProductId), edition(pszEdition, dwProductId)
    {
    }

    DWORD dwId;
    DWORD dwBuild;
    WORD wMajor;
    WORD wMinor;    // two decimal places: 5 = .05, 50 = .50
    BYTE bGroup;
    CEncipheredText<kNameField, kNameSalt> name;
    CEncipheredText<kEditionField, kEditionSalt> edition;
};

// The second column is the product line (group): catalogue/ProductLines.h
// names each one.
//
// The order of this table is the catalogue order; identifiers ascend.
static constexpr ProductRecord s_aProducts[] = {
    {  1,  1, "Brantlow Barcode Kit", "", 2, 0, 412 },
    {  2,  1, "Brantlow Barcode Kit", "Standard", 3, 5, 630 },
    {  3,  1, "Brantlow Barcode Kit", "Professional", 3, 5, 630 },
    {  5,  2, "Brantlow Mail Toolkit", "Standard", 4, 0, 902 },
    {  6,  2, "Brantlow Mail Toolkit", "Professional", 4, 0, 902 },
    {  8,  5, "Brantlow Transfer Kit", "Standard", 4, 25, 1120 },
    {  9,  5, "Brantlow Transfer Kit", "Professional", 4, 25, 1120 },
    { 11, 11, "Brantlow Terminal Kit", "", 3, 50, 744 },
    { 12, 11, "Brantlow Terminal Kit", "Enterprise", 3, 50, 744 },
    { 15,  2, "Brantlow Mail Toolkit", "Scripting", 4, 0, 902 },
    { 16,  5, "Brantlow Transfer Kit", "Scripting", 4, 25, 1120 },
    { 17,  4, "Brantlow Mail Toolkit", ".NET", 6, 50, 1058 },
    { 19,  3, "Brantlow Mail Toolkit", ".NET", 5, 25, 987 },
    { 20,  3, "Brantlow Mail Toolkit", "Professional", 5, 25, 987 },
    { 22,  6, "Brantlow Transfer Kit", ".NET", 5, 10, 1301 },
    { 23,  6, "Brantlow Transfer Kit", "Professional", 5, 10, 1301 },
    { 24,  8, "Brantlow Zip Library", "", 2, 0, 215 },
    { 26,  4, "Brantlow Mail Toolkit", "Professional", 6, 50, 1058 },
    { 27,  7, "Brantlow Transfer Kit", "Professional", 6, 5, 1422 },
    { 29,  8, "Brantlow Zip Library", "Standard", 2, 50, 260 },
    { 32,  8, "Brantlow Zip Library", "Professional", 2, 50, 260 },
    { 35,  8, "Brantlow Zip Library", "Standard", 3, 0, 318 },
    { 36,  8, "Brantlow Zip Library", "Professional", 3, 0, 318 },
    { 37,  8, "Brantlow Zip Library", "Enterprise", 3, 0, 318 },
    { 38,  8, "Brantlow Zip Library", "Source Code", 3, 0, 318 },
    { 39,  3, "Brantlow Mail Toolkit", "Scripting", 5, 25, 987 },
    { 41, 12, "Brantlow Terminal Kit", "Professional", 5, 0, 866 },
    { 42,  6, "Brantlow Transfer Kit", "Scripting", 5, 10, 1301 },
    { 44,  4, "Brantlow Mail Toolkit", "Scripting", 6, 50, 1058 },
    { 46, 13, "Brantlow Terminal Kit", "Professional", 6, 25, 951 },
    { 49,  9, "Brantlow Charts for .NET", "", 5, 0, 540 },
    { 51,  9, "Brantlow Charts for .NET", "Professional", 5, 0, 540 },
    { 53,  1, "Brantlow Barcode Kit", "Professional", 3, 50, 688 },
    { 55,  2, "Brantlow Mail Toolkit", "Enterprise", 4, 5, 918 },
    // An evaluation copy of a .NET-only line whose panel opens on ActiveX
    // Control, a type the line has none of: the panel keeps its placeholders.
    { 57,  9, "Brantlow Charts for .NET", "Evaluation", 5, 0, 540 },
    { 62, 10, "Brantlow Charts for .NET", "", 6, 0, 610 },
    { 64, 10, "Brantlow Charts for .NET", "Professional", 6, 0, 610 },
    { 65, 12, "Brantlow Terminal Kit", ".NET", 5, 0, 866 },
    { 68, 13, "Brantlow Terminal Kit", ".NET", 6, 25, 951 },
    { 71, 14, "Brantlow Spell Check Kit", "", 1, 5, 133 },
    { 73, 14, "Brantlow Spell Check Kit", "Libraries", 1, 5, 133 },
    { 75,  7, "Brantlow Transfer Kit", ".NET", 6, 5, 1422 },
    { 78, 10, "Brantlow Charts for .NET", "Enterprise", 6, 5, 634 },
    { 79,  7, "Brantlow Transfer Kit", "Scripting", 6, 5, 1422 },
    { 83,  4, "Brantlow Mail Toolkit", "Enterprise", 6, 50, 1058 },
    { 86, 11, "Brantlow Terminal Kit", "Professional", 3, 55, 760 },
    { 88,  1, "Brantlow Barcode Kit", "Enterprise", 3, 50, 688 },
    { 90,  5, "Brantlow Transfer Kit", "Enterprise", 4, 25, 1120 },
    { 92, 13, "Brantlow Terminal Kit", "Enterprise", 6, 25, 951 },
};

constexpr int kProductCount = static_cast<int>(sizeof(s_aProducts) / sizeof(s_aProducts[0]));

} // namespace ProductTable
