// CMapStringToString: a hash map from text to text with a fixed, documented
// order of iteration.
//
// Keys go into one of 17 buckets by h mod 17, where h starts at 0 and takes,
// for each byte b of the key, the unsigned 32-bit value 33 * h + b (bytes
// taken as signed values). Iteration yields the buckets in ascending order
// and, within a bucket, the key added last first. HTTP form bodies are
// written in this order, so it is part of what goes over the wire.
#pragma once

#include "CString.h"

class CMapStringToString
{
public:
    enum { kBucketCount = 17 };

    struct CAssoc
    {
        CAssoc* pNext;
        CString key;
        CString value;
    };

    CMapStringToString();
    ~CMapStringToString();

    // Adds the key, or replaces its value when present. False when memory
    // is exhausted (the map is then unchanged).
    bool SetAt(const char* pszKey, const char* pszValue);
    // True and the value copied when the key is present; value untouched otherwise.
    bool Lookup(const char* pszKey, CString& rValue) const;
    bool RemoveKey(const char* pszKey);
    void RemoveAll();
    int GetCount() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }

    // Iteration in the map's own order: GetFirst, then GetNext until null.
    const CAssoc* GetFirst() const;
    const CAssoc* GetNext(const CAssoc* pAssoc) const;

    static unsigned int HashKey(const char* pszKey);

private:
    CMapStringToString(const CMapStringToString&);
    CMapStringToString& operator=(const CMapStringToString&);

    const CAssoc* FirstFromBucket(unsigned int nBucket) const;
    CAssoc* Find(const char* pszKey) const;

    CAssoc* m_apBuckets[kBucketCount];
    int m_nCount;
};
