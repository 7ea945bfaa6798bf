// CString: the framework's text string.
#include <gtest/gtest.h>

#include <string>

#include "CString.h"

TEST(CString, ConstructsCopiesAndAssigns)
{
    CString empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(empty, "");
    CString nul(nullptr);
    EXPECT_STREQ(nul, "");

    CString a("alpha");
    CString b(a);
    b += "-beta";
    EXPECT_STREQ(a, "alpha");
    EXPECT_STREQ(b, "alpha-beta");
    EXPECT_EQ(b.GetLength(), 10);

    a = b;
    EXPECT_STREQ(a, "alpha-beta");
    a = a;
    EXPECT_STREQ(a, "alpha-beta");
    a = nullptr;
    EXPECT_TRUE(a.IsEmpty());
}

TEST(CString, AssignAndAppendFromItsOwnBuffer)
{
    CString s("0123456789");
    s = s.GetString() + 4;
    EXPECT_STREQ(s, "456789");
    // Appending its own text forces the buffer to grow and move.
    for (int i = 0; i < 6; ++i)
        s.Append(s.GetString(), s.GetLength());
    EXPECT_EQ(s.GetLength(), 6 * 64);
    EXPECT_EQ(std::string(s).substr(0, 12), "456789456789");
}

TEST(CString, AppendBoundsAndCharacters)
{
    CString s;
    EXPECT_TRUE(s.Append("abc", 0));
    EXPECT_FALSE(s.Append(nullptr, 3));
    EXPECT_FALSE(s.Append("abc", -1));
    EXPECT_TRUE(s.Append("abcdef", 2));
    s += 'z';
    EXPECT_STREQ(s, "abz");
    std::string big(100000, 'q');
    EXPECT_TRUE(s.Append(big.c_str()));
    EXPECT_EQ(s.GetLength(), 100003);
}

TEST(CString, LowerCasesOnlyAsciiLetters)
{
    CString s("X-Update-STATUS \xC9\xE9 09");
    s.MakeLower();
    EXPECT_STREQ(s, "x-update-status \xC9\xE9 09");
}

TEST(CString, ComparesBytewise)
{
    CString s("abc");
    EXPECT_TRUE(s == "abc");
    EXPECT_TRUE(s != "abd");
    EXPECT_LT(s.Compare("abd"), 0);
    EXPECT_GT(s.Compare(nullptr), 0);
    s.Empty();
    EXPECT_TRUE(s == "");
}
