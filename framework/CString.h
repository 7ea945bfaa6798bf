// CString: a small growable 8-bit text string on the C run-time heap.
//
// The programs avoid the C++ library's containers (they would pull the
// library's exception and locale machinery into a static build), so this
// class carries the little they need. It never throws: when memory runs
// out, an operation leaves the string as it was and answers false.
#pragma once

class CString
{
public:
    CString();
    CString(const char* psz);
    CString(const CString& other);
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(const char* psz);
    // Replaces the text; false (string unchanged) when memory is exhausted.
    bool SetString(const char* psz);

    // Appends; false (string unchanged) when memory is exhausted.
    bool Append(const char* pch, int nLength);
    bool Append(const char* psz);
    bool AppendChar(char ch);
    CString& operator+=(const char* psz) { Append(psz); return *this; }
    CString& operator+=(char ch) { AppendChar(ch); return *this; }

    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }
    const char* GetString() const { return m_pszData ? m_pszData : ""; }
    operator const char*() const { return GetString(); }
    char operator[](int nIndex) const { return GetString()[nIndex]; }

    void Empty();
    // Folds A-Z to a-z; other bytes are left alone, whatever the code page.
    void MakeLower();
    // Byte-wise comparison, as strcmp.
    int Compare(const char* psz) const;
    bool operator==(const char* psz) const { return Compare(psz) == 0; }
    bool operator!=(const char* psz) const { return Compare(psz) != 0; }

private:
    bool Reserve(int nLength);

    char* m_pszData;    // null while nothing was ever stored
    int m_nLength;
    int m_nCapacity;    // bytes allocated, terminator included
};
