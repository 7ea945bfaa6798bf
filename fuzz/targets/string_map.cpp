// The framework's string and map types, driven by a sequence of operations
// and checked after each against the standard library.
//
// Input: operations, each an opcode byte and its operands (a text is a
// length byte, 0 to 31, and that many bytes). Two strings and one map.
//
// Oracles: std::string for CString, including appends and assignments whose
// source lies inside the string itself; for the map a list of entries and
// its documented order, computed here on its own: 17 buckets by h mod 17,
// h = 33 h + b over the key's bytes taken as signed, buckets ascending, and
// within a bucket the key added last first (a new value keeps its place).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CString.h"
#include "StringMap.h"

namespace
{

struct Reader
{
    const uint8_t* p;
    size_t n;
    bool Empty() const { return n == 0; }
    uint8_t Byte()
    {
        if (n == 0)
            return 0;
        --n;
        return *p++;
    }
    // Up to 31 bytes, which may hold NUL bytes.
    std::string Bytes()
    {
        size_t nLength = Byte() & 31;
        if (nLength > n)
            nLength = n;
        std::string str(reinterpret_cast<const char*>(p), nLength);
        p += nLength;
        n -= nLength;
        return str;
    }
    // A C text: the bytes up to the first NUL.
    std::string Text()
    {
        std::string str = Bytes();
        return str.substr(0, str.find('\0'));
    }
};

[[noreturn]] void Fail(const char* pszWhat, const std::string& strDetail = std::string())
{
    fprintf(stderr, "string_map: %s %s\n", pszWhat, strDetail.c_str());
    abort();
}

void CheckString(const CString& s, const std::string& model, const char* pszWhat)
{
    if (s.GetLength() != (int)model.size() || memcmp(s.GetString(), model.data(), model.size()) != 0 ||
        s.GetString()[model.size()] != '\0' || s.IsEmpty() != model.empty())
        Fail(pszWhat, "CString differs from std::string");
}

struct Entry
{
    std::string key, value;
    unsigned nAdded;
};

unsigned Bucket(const std::string& strKey)
{
    uint32_t h = 0;
    for (char c : strKey)
        h = 33u * h + (uint32_t)(int32_t)(signed char)c;
    return h % 17;
}

void CheckMap(const CMapStringToString& map, std::vector<Entry> model)
{
    if (map.GetCount() != (int)model.size() || map.IsEmpty() != model.empty())
        Fail("map count differs");
    std::stable_sort(model.begin(), model.end(), [](const Entry& a, const Entry& b) {
        unsigned na = Bucket(a.key), nb = Bucket(b.key);
        return na != nb ? na < nb : a.nAdded > b.nAdded;
    });
    const CMapStringToString::CAssoc* p = map.GetFirst();
    for (const Entry& e : model)
    {
        if (p == 0)
            Fail("map iteration ends early before", e.key);
        if (e.key != p->key.GetString() || e.value != p->value.GetString())
            Fail("map iteration order or contents differ at", e.key);
        p = map.GetNext(p);
    }
    if (p != 0)
        Fail("map iteration yields more entries than were added");
}

int Sign(int n) { return n < 0 ? -1 : n > 0 ? 1 : 0; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    Reader in = { pData, nSize };
    CString strings[2];
    std::string models[2];
    CMapStringToString map;
    std::vector<Entry> entries;
    unsigned nAdded = 0;

    while (!in.Empty())
    {
        uint8_t bOp = in.Byte();
        int i = bOp >> 7;
        CString& s = strings[i];
        std::string& m = models[i];
        switch (bOp & 15)
        {
        case 0:
        {
            std::string strKey = in.Text(), strValue = in.Text();
            if (!map.SetAt(strKey.c_str(), strValue.c_str()))
                Fail("SetAt failed");
            auto it = std::find_if(entries.begin(), entries.end(),
                                   [&](const Entry& e) { return e.key == strKey; });
            if (it != entries.end())
                it->value = strValue;
            else
                entries.push_back(Entry{ strKey, strValue, nAdded++ });
            break;
        }
        case 1:
        {
            std::string strKey = in.Text();
            CString strValue("unchanged");
            bool bFound = map.Lookup(strKey.c_str(), strValue);
            auto it = std::find_if(entries.begin(), entries.end(),
                                   [&](const Entry& e) { return e.key == strKey; });
            if (bFound != (it != entries.end()))
                Fail("Lookup finds what was not added, or misses", strKey);
            if (strValue != (bFound ? it->value.c_str() : "unchanged"))
                Fail("Lookup value differs for", strKey);
            break;
        }
        case 2:
        {
            std::string strKey = in.Text();
            auto it = std::find_if(entries.begin(), entries.end(),
                                   [&](const Entry& e) { return e.key == strKey; });
            if (map.RemoveKey(strKey.c_str()) != (it != entries.end()))
                Fail("RemoveKey result differs for", strKey);
            if (it != entries.end())
                entries.erase(it);
            break;
        }
        case 3:
            if (bOp & 0x40)
            {
                // A null key is refused everywhere and changes nothing.
                CString strValue("unchanged");
                if (map.SetAt(0, "x") || map.Lookup(0, strValue) || map.RemoveKey(0) ||
                    map.GetNext(0) != 0 || strValue != "unchanged")
                    Fail("a null key was taken");
                break;
            }
            map.RemoveAll();
            entries.clear();
            break;
        case 4:
            CheckMap(map, entries);
            break;
        case 5:
        {
            std::string strText = in.Text();
            if (bOp & 0x40)
                s = strText.c_str();
            else if (!s.SetString(strText.c_str()))
                Fail("SetString failed");
            m = strText;
            break;
        }
        case 6:
        {
            // Assign a tail of the string itself.
            size_t nFrom = in.Byte() % (m.size() + 1);
            if (!s.SetString(s.GetString() + nFrom))
                Fail("SetString of its own tail failed");
            m = std::string(m.c_str() + nFrom);
            break;
        }
        case 7:
        {
            // Bytes in a buffer of exactly their length: nothing past it is read.
            std::string strBytes = in.Bytes();
            char* pch = (char*)malloc(strBytes.size() + 1);
            memcpy(pch, strBytes.data(), strBytes.size());
            if (!s.Append(pch, (int)strBytes.size()))
                Fail("Append failed");
            free(pch);
            m += strBytes;
            break;
        }
        case 8:
        {
            // Append a piece of the string itself, whose buffer may move.
            size_t nFrom = in.Byte() % (m.size() + 1);
            size_t nLength = in.Byte() % (m.size() - nFrom + 1);
            if (!s.Append(s.GetString() + nFrom, (int)nLength))
                Fail("Append of its own piece failed");
            m += m.substr(nFrom, nLength);
            break;
        }
        case 9:
        {
            char ch = (char)in.Byte();
            if (!s.AppendChar(ch))
                Fail("AppendChar failed");
            m += ch;
            break;
        }
        case 10:
        {
            // Assign one string to the other, or to itself.
            int j = (bOp >> 6) & 1;
            strings[i] = strings[j];
            models[i] = models[j];
            break;
        }
        case 11:
        {
            std::string strText = in.Text();
            if (bOp & 0x40)
            {
                if (!s.Append(0))       // a null text appends nothing
                    Fail("Append of a null text failed");
                break;
            }
            s += strText.c_str();
            m += strText;
            break;
        }
        case 12:
            s.MakeLower();
            for (char& c : m)
                if (c >= 'A' && c <= 'Z')
                    c = (char)(c - 'A' + 'a');
            break;
        case 13:
        {
            std::string strText = in.Text();
            if (Sign(s.Compare(strText.c_str())) != Sign(strcmp(m.c_str(), strText.c_str())) ||
                (s == strText.c_str()) != (strcmp(m.c_str(), strText.c_str()) == 0))
                Fail("Compare differs from strcmp");
            break;
        }
        case 14:
            if (bOp & 0x40)
                s.SetString(0);         // a null text empties the string
            else
                s.Empty();
            m.clear();
            break;
        case 15:
        {
            CString copy(s);
            CheckString(copy, m, "copy");
            CString assigned;
            assigned = s;
            CheckString(assigned, m, "assigned copy");
            break;
        }
        }
        CheckString(strings[0], models[0], "first string");
        CheckString(strings[1], models[1], "second string");
    }
    CheckMap(map, entries);
    return 0;
}
