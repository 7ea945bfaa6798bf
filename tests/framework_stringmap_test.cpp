// CMapStringToString: the framework's text map and its order.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "StringMap.h"

namespace
{

std::vector<std::string> Keys(const CMapStringToString& map)
{
    std::vector<std::string> keys;
    for (const CMapStringToString::CAssoc* p = map.GetFirst(); p; p = map.GetNext(p))
        keys.push_back(p->key.GetString());
    return keys;
}

} // namespace

TEST(CMapStringToString, HashIsThirtyThreeTimesOverSignedBytes)
{
    EXPECT_EQ(CMapStringToString::HashKey(""), 0u);
    EXPECT_EQ(CMapStringToString::HashKey("v2"), 118u * 33 + 50);
    EXPECT_EQ(CMapStringToString::HashKey("sn"), 115u * 33 + 110);
    // A byte above 0x7F counts as negative.
    EXPECT_EQ(CMapStringToString::HashKey("\xFF"), 0xFFFFFFFFu);
    EXPECT_EQ(CMapStringToString::HashKey("a\x80"), 97u * 33 - 128);
}

TEST(CMapStringToString, IteratesBucketsAscendingAndNewestFirstWithinABucket)
{
    CMapStringToString map;
    map.SetAt("sn", "1");
    map.SetAt("v1", "2");
    map.SetAt("v2", "3");
    map.SetAt("v3", "4");
    EXPECT_EQ(Keys(map), (std::vector<std::string>{"v2", "v3", "sn", "v1"}));

    // "a" (97) and "r" (114) share bucket 12; "sn" is there too.
    CMapStringToString shared;
    shared.SetAt("a", "");
    shared.SetAt("sn", "");
    shared.SetAt("r", "");
    EXPECT_EQ(Keys(shared), (std::vector<std::string>{"r", "sn", "a"}));
}

TEST(CMapStringToString, SetAtReplacesLookupLeavesValueAloneWhenAbsent)
{
    CMapStringToString map;
    EXPECT_TRUE(map.SetAt("key", "one"));
    EXPECT_TRUE(map.SetAt("key", "two"));
    EXPECT_TRUE(map.SetAt("null", nullptr));
    EXPECT_FALSE(map.SetAt(nullptr, "x"));
    EXPECT_EQ(map.GetCount(), 2);

    CString value("kept");
    EXPECT_FALSE(map.Lookup("KEY", value));
    EXPECT_STREQ(value, "kept");
    EXPECT_TRUE(map.Lookup("key", value));
    EXPECT_STREQ(value, "two");
    EXPECT_TRUE(map.Lookup("null", value));
    EXPECT_STREQ(value, "");
}

TEST(CMapStringToString, RemovesAndAgreesWithAReferenceMap)
{
    CMapStringToString map;
    std::map<std::string, std::string> reference;
    for (int i = 0; i < 500; ++i)
    {
        std::string key = "k" + std::to_string(i * 7919 % 211);
        std::string value = std::to_string(i);
        map.SetAt(key.c_str(), value.c_str());
        reference[key] = value;
        if (i % 5 == 0)
        {
            std::string gone = "k" + std::to_string(i % 211);
            EXPECT_EQ(map.RemoveKey(gone.c_str()), reference.erase(gone) == 1);
        }
    }
    EXPECT_EQ(map.GetCount(), (int)reference.size());
    std::map<std::string, std::string> seen;
    for (const CMapStringToString::CAssoc* p = map.GetFirst(); p; p = map.GetNext(p))
        seen[p->key.GetString()] = p->value.GetString();
    EXPECT_EQ(seen, reference);

    // Buckets never go backwards during iteration.
    unsigned int nLast = 0;
    for (const CMapStringToString::CAssoc* p = map.GetFirst(); p; p = map.GetNext(p))
    {
        unsigned int nBucket = CMapStringToString::HashKey(p->key) % 17;
        EXPECT_GE(nBucket, nLast);
        nLast = nBucket;
    }

    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetFirst(), nullptr);
    EXPECT_FALSE(map.RemoveKey("k1"));
}
