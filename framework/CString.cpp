#include "CString.h"

#include <stdlib.h>
#include <string.h>

CString::CString() : m_pszData(nullptr), m_nLength(0), m_nCapacity(0) {}

CString::CString(const char* psz) : m_pszData(nullptr), m_nLength(0), m_nCapacity(0)
{
    Append(psz);
}

CString::CString(const CString& other) : m_pszData(nullptr), m_nLength(0), m_nCapacity(0)
{
    Append(other.GetString(), other.m_nLength);
}

CString::~CString()
{
    free(m_pszData);
}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
    {
        if (Reserve(other.m_nLength))
        {
            memcpy(m_pszData, other.GetString(), other.m_nLength + 1);
            m_nLength = other.m_nLength;
        }
    }
    return *this;
}

CString& CString::operator=(const char* psz)
{
    SetString(psz);
    return *this;
}

bool CString::SetString(const char* psz)
{
    if (psz == nullptr)
    {
        Empty();
        return true;
    }
    int nLength = static_cast<int>(strlen(psz));
    if (!Reserve(nLength))
        return false;
    // memmove: the source may lie inside this string's own buffer, which
    // Reserve leaves in place because it already holds nLength bytes.
    memmove(m_pszData, psz, nLength + 1);
    m_nLength = nLength;
    return true;
}

bool CString::Reserve(int nLength)
{
    if (nLength < 0)
        return false;
    if (nLength < m_nCapacity)
        return true;
    int nCapacity = m_nCapacity < 16 ? 16 : m_nCapacity;
    while (nCapacity <= nLength)
    {
        if (nCapacity > 0x3FFFFFFF)
            return false;
        nCapacity *= 2;
    }
    char* pszData = static_cast<char*>(realloc(m_pszData, nCapacity));
    if (pszData == nullptr)
        return false;
    if (m_pszData == nullptr)
        pszData[0] = '\0';
    m_pszData = pszData;
    m_nCapacity = nCapacity;
    return true;
}

bool CString::Append(const char* pch, int nLength)
{
    if (nLength == 0)
        return true;
    if (pch == nullptr || nLength < 0)
        return false;
    if (nLength > 0x7FFFFFFE - m_nLength)
        return false;
    // The source may lie inside this string's own buffer, which may move.
    if (m_pszData && pch >= m_pszData && pch < m_pszData + m_nCapacity)
    {
        CString copy;
        if (!copy.Append(pch, nLength))
            return false;
        return Append(copy.m_pszData, nLength);
    }
    if (!Reserve(m_nLength + nLength))
        return false;
    memcpy(m_pszData + m_nLength, pch, nLength);
    m_nLength += nLength;
    m_pszData[m_nLength] = '\0';
    return true;
}

bool CString::Append(const char* psz)
{
    return psz == nullptr || Append(psz, static_cast<int>(strlen(psz)));
}

bool CString::AppendChar(char ch)
{
    return Append(&ch, 1);
}

void CString::Empty()
{
    m_nLength = 0;
    if (m_pszData)
        m_pszData[0] = '\0';
}

void CString::MakeLower()
{
    for (int i = 0; i < m_nLength; ++i)
    {
        if (m_pszData[i] >= 'A' && m_pszData[i] <= 'Z')
            m_pszData[i] = static_cast<char>(m_pszData[i] - 'A' + 'a');
    }
}

int CString::Compare(const char* psz) const
{
    return strcmp(GetString(), psz ? psz : "");
}
