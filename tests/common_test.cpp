// The small Win32 helpers that both programs link: text in fixed buffers,
// decimal numbers, handle holders and loading from the system folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ScopedHandles.h"
#include "SystemLibrary.h"
#include "Text.h"

namespace
{

// A buffer with guard bytes after its nSize bytes: a write past the end
// shows as a changed guard.
struct Guarded
{
    static const int kGuard = 8;
    char bytes[64 + kGuard];
    int nSize;

    explicit Guarded(int size, const char* initial = "") : nSize(size)
    {
        memset(bytes, '#', sizeof(bytes));
        if (size > 0)
            lstrcpynA(bytes, initial, size);
    }
    bool GuardIntact() const
    {
        for (int i = nSize; i < nSize + kGuard; ++i)
            if (bytes[i] != '#')
                return false;
        return true;
    }
};

} // namespace

TEST(Text, CopyAndAppendStayInsideTheirBuffer)
{
    struct Row
    {
        const char* what;
        const char* initial;
        int size;
        int op;     // 0 CopyTextCut, 1 AppendText, 2 AppendTextCut
        const char* text;
        bool answer;
        const char* result;
    } rows[] = {
        {"copy that fits", "old", 8, 0, "abc", true, "abc"},
        {"copy filling the buffer", "", 4, 0, "abc", true, "abc"},
        {"copy cut to the buffer", "", 4, 0, "abcdef", false, "abc"},
        {"copy of null", "old", 4, 0, nullptr, true, ""},
        {"append that fits", "ab", 8, 1, "cd", true, "abcd"},
        {"append filling the buffer", "ab", 5, 1, "cd", true, "abcd"},
        {"append one too long leaves the text", "ab", 4, 1, "cd", false, "ab"},
        {"append of null", "ab", 4, 1, nullptr, true, "ab"},
        {"cut append keeps what fits", "ab", 4, 2, "cdef", false, "abc"},
        {"cut append that fits", "ab", 8, 2, "cd", true, "abcd"},
        {"cut append to a full buffer", "abc", 4, 2, "d", false, "abc"},
    };
    for (const Row& row : rows)
    {
        Guarded buffer(row.size, row.initial);
        bool answer = row.op == 0 ? CopyTextCut(buffer.bytes, row.size, row.text)
                      : row.op == 1 ? AppendText(buffer.bytes, row.size, row.text)
                                    : AppendTextCut(buffer.bytes, row.size, row.text);
        EXPECT_EQ(answer, row.answer) << row.what;
        EXPECT_STREQ(buffer.bytes, row.result) << row.what;
        EXPECT_TRUE(buffer.GuardIntact()) << row.what;
    }
}

TEST(Text, NothingIsWrittenIntoAnEmptyOrUnterminatedBuffer)
{
    Guarded none(0);
    EXPECT_FALSE(CopyTextCut(none.bytes, 0, "x"));
    EXPECT_FALSE(AppendText(none.bytes, 0, "x"));
    EXPECT_FALSE(AppendTextCut(none.bytes, -1, "x"));
    EXPECT_TRUE(none.GuardIntact());
    EXPECT_EQ(none.bytes[0], '#');

    // No terminator within the size: the text cannot be extended safely.
    Guarded full(4);
    memcpy(full.bytes, "abcd", 4);
    EXPECT_FALSE(AppendText(full.bytes, 4, "x"));
    EXPECT_FALSE(AppendTextCut(full.bytes, 4, "x"));
    EXPECT_EQ(std::string(full.bytes, 4), "abcd");
    EXPECT_TRUE(full.GuardIntact());

    Guarded span(8, "ab");
    EXPECT_TRUE(AppendSpan(span.bytes, 8, "cdefgh", 3));
    EXPECT_STREQ(span.bytes, "abcde");
    EXPECT_FALSE(AppendSpan(span.bytes, 8, "xyz", -1));
    EXPECT_STREQ(span.bytes, "abcde");
}

TEST(Text, ScanDecimalReadsAsTheRunTimeLibraryDoes)
{
    struct Row
    {
        const char* text;
        int width;
        int limit;      // characters before pEnd, -1: up to the terminator
        bool found;
        DWORD value;
        int consumed;
    } rows[] = {
        {"42", 0, -1, true, 42, 2},
        {" \t\r\n\v\f7 rest", 0, -1, true, 7, 7},
        {"+15x", 0, -1, true, 15, 3},
        {"-1", 0, -1, true, 0xFFFFFFFFu, 2},
        {"4294967296", 0, -1, true, 0, 10},           // wraps modulo 2^32
        {"20261208", 4, -1, true, 2026, 4},
        {"-123", 2, -1, true, 0xFFFFFFFFu, 2},        // the sign counts in the width
        {"12345", 0, 3, true, 123, 3},
        {"abc", 0, -1, false, 99, 0},
        {"", 0, -1, false, 99, 0},
        {"-", 0, -1, false, 99, 0},
        {"+x", 0, -1, false, 99, 0},
        {"  ", 0, -1, false, 99, 0},
        {"5", 0, 0, false, 99, 0},
    };
    for (const Row& row : rows)
    {
        const char* p = row.text;
        const char* pEnd = row.limit < 0 ? nullptr : row.text + row.limit;
        DWORD value = 99;
        EXPECT_EQ(ScanDecimal(p, pEnd, row.width, value), row.found) << '"' << row.text << '"';
        EXPECT_EQ(value, row.value) << '"' << row.text << '"';
        EXPECT_EQ(p - row.text, row.consumed) << '"' << row.text << '"';
    }
}

// Digits only, within the length, without wrapping: what the notifier
// accepts of a policy value that an administrator typed as text.
TEST(Text, ParseDigitsTakesOnlyDigitsThatFit)
{
    struct Row
    {
        const char* text;
        int length;     // -1: the whole text
        bool parsed;
        DWORD value;
    } rows[] = {
        {"0", -1, true, 0},          {"7", -1, true, 7},
        {"007", -1, true, 7},        {"4294967295", -1, true, 4294967295u},
        {"4294967296", -1, false, 99}, {"00000000004294967295", -1, true, 4294967295u},
        {"123", 2, true, 12},        {" 7", -1, false, 99},
        {"7 ", -1, false, 99},       {"+7", -1, false, 99},
        {"-1", -1, false, 99},       {"7x", -1, false, 99},
        {"", -1, false, 99},         {"5", 0, false, 99},
    };
    for (const Row& row : rows)
    {
        DWORD value = 99;
        int length = row.length < 0 ? lstrlenA(row.text) : row.length;
        EXPECT_EQ(ParseDigits(row.text, length, value), row.parsed) << '"' << row.text << '"';
        EXPECT_EQ(value, row.value) << '"' << row.text << '"';
    }
}

TEST(Text, FormatDecimalWritesNothingThatDoesNotFit)
{
    char sz[12];
    EXPECT_TRUE(FormatDecimal(0, sz, sizeof(sz)));
    EXPECT_STREQ(sz, "0");
    EXPECT_TRUE(FormatDecimal(4294967295u, sz, 11));
    EXPECT_STREQ(sz, "4294967295");
    Guarded small(3, "zz");
    EXPECT_FALSE(FormatDecimal(123, small.bytes, 3));
    EXPECT_STREQ(small.bytes, "zz");
    EXPECT_TRUE(small.GuardIntact());
    EXPECT_TRUE(FormatDecimal(12, small.bytes, 3));
    EXPECT_STREQ(small.bytes, "12");
}

TEST(ScopedHandles, EachHolderReleasesWhatItHolds)
{
    const char kKey[] = "Software\\Brantlow\\HolderProbe";
    HKEY hKept = nullptr;
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr));
        hKept = key;
        DWORD dw = 1;
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "v", 0, REG_DWORD, (const BYTE*)&dw, sizeof(dw)));
    }
    DWORD dw = 0, cb = sizeof(dw);
    EXPECT_NE(ERROR_SUCCESS, RegQueryValueExA(hKept, "v", nullptr, nullptr, (BYTE*)&dw, &cb))
        << "the key must be closed when its holder ends";
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);

    // The screen's context is released when its holder ends: a released
    // context no longer answers for the screen.
    HDC hScreen = nullptr;
    {
        ScopedWindowDC screen(nullptr);
        hScreen = screen;
        ASSERT_NE(hScreen, nullptr);
        EXPECT_GT(GetDeviceCaps(screen, LOGPIXELSY), 0);
    }
    EXPECT_EQ(ReleaseDC(nullptr, hScreen), 0) << "the context must be released once, by its holder";
}

TEST(SystemLibrary, LoadsFromTheSystemFolderOnly)
{
    // probe_component.dll lies beside this program, where a plain load finds it.
    HMODULE hPlain = LoadLibraryA("probe_component.dll");
    ASSERT_NE(hPlain, nullptr);
    FreeLibrary(hPlain);
    EXPECT_EQ(LoadSystemLibrary("probe_component.dll"), nullptr);

    HMODULE hHelp = LoadSystemLibrary("hhctrl.ocx");
    ASSERT_NE(hHelp, nullptr);
    char szPath[MAX_PATH] = "", szSystem[MAX_PATH] = "";
    GetModuleFileNameA(hHelp, szPath, sizeof(szPath));
    GetSystemDirectoryA(szSystem, sizeof(szSystem));
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, szPath, lstrlenA(szSystem), szSystem,
                             -1), CSTR_EQUAL)
        << szPath << " is not in " << szSystem;
    FreeLibrary(hHelp);
}
