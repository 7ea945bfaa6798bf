#include "StringMap.h"

#include <new>
#include <stdlib.h>

CMapStringToString::CMapStringToString() : m_nCount(0)
{
    for (int i = 0; i < kBucketCount; ++i)
        m_apBuckets[i] = nullptr;
}

CMapStringToString::~CMapStringToString()
{
    RemoveAll();
}

unsigned int CMapStringToString::HashKey(const char* pszKey)
{
    unsigned int h = 0;
    for (const signed char* p = reinterpret_cast<const signed char*>(pszKey); *p; ++p)
        h = 33u * h + static_cast<unsigned int>(static_cast<int>(*p));
    return h;
}

CMapStringToString::CAssoc* CMapStringToString::Find(const char* pszKey) const
{
    for (CAssoc* p = m_apBuckets[HashKey(pszKey) % kBucketCount]; p; p = p->pNext)
    {
        if (p->key == pszKey)
            return p;
    }
    return nullptr;
}

bool CMapStringToString::SetAt(const char* pszKey, const char* pszValue)
{
    if (pszKey == nullptr)
        return false;
    if (pszValue == nullptr)
        pszValue = "";
    if (CAssoc* pFound = Find(pszKey))
        return pFound->value.SetString(pszValue);
    void* pMemory = malloc(sizeof(CAssoc));
    if (pMemory == nullptr)
        return false;
    CAssoc* pAssoc = new (pMemory) CAssoc;
    if (!pAssoc->key.Append(pszKey) || !pAssoc->value.Append(pszValue))
    {
        pAssoc->~CAssoc();
        free(pMemory);
        return false;
    }
    unsigned int nBucket = HashKey(pszKey) % kBucketCount;
    pAssoc->pNext = m_apBuckets[nBucket];
    m_apBuckets[nBucket] = pAssoc;
    ++m_nCount;
    return true;
}

bool CMapStringToString::Lookup(const char* pszKey, CString& rValue) const
{
    if (pszKey == nullptr)
        return false;
    const CAssoc* pAssoc = Find(pszKey);
    if (pAssoc == nullptr)
        return false;
    rValue = pAssoc->value;
    return true;
}

bool CMapStringToString::RemoveKey(const char* pszKey)
{
    if (pszKey == nullptr)
        return false;
    CAssoc** ppLink = &m_apBuckets[HashKey(pszKey) % kBucketCount];
    for (; *ppLink; ppLink = &(*ppLink)->pNext)
    {
        CAssoc* pAssoc = *ppLink;
        if (pAssoc->key == pszKey)
        {
            *ppLink = pAssoc->pNext;
            pAssoc->~CAssoc();
            free(pAssoc);
            --m_nCount;
            return true;
        }
    }
    return false;
}

void CMapStringToString::RemoveAll()
{
    for (int i = 0; i < kBucketCount; ++i)
    {
        CAssoc* pAssoc = m_apBuckets[i];
        while (pAssoc)
        {
            CAssoc* pNext = pAssoc->pNext;
            pAssoc->~CAssoc();
            free(pAssoc);
            pAssoc = pNext;
        }
        m_apBuckets[i] = nullptr;
    }
    m_nCount = 0;
}

const CMapStringToString::CAssoc* CMapStringToString::FirstFromBucket(unsigned int nBucket) const
{
    for (; nBucket < static_cast<unsigned int>(kBucketCount); ++nBucket)
    {
        if (m_apBuckets[nBucket])
            return m_apBuckets[nBucket];
    }
    return nullptr;
}

const CMapStringToString::CAssoc* CMapStringToString::GetFirst() const
{
    return FirstFromBucket(0);
}

const CMapStringToString::CAssoc* CMapStringToString::GetNext(const CAssoc* pAssoc) const
{
    if (pAssoc == nullptr)
        return nullptr;
    if (pAssoc->pNext)
        return pAssoc->pNext;
    return FirstFromBucket(HashKey(pAssoc->key) % kBucketCount + 1);
}
