// TwRegExp.dll on its own: group references of the format, no match, bad patterns and formats,
// a runaway pattern stopped at its limit, and text that is not valid UTF-16.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"
#include "regexp/TwRegExp.h"

namespace {

struct RegExp {
    RegExp() : module(::LoadLibraryW(kRegExpLibrary)) {
        match = reinterpret_cast<PFN_RegExpMatch>(::GetProcAddress(module.get(), "RegExpMatch"));
        free = reinterpret_cast<PFN_FreeResult>(::GetProcAddress(module.get(), "FreeResult"));
    }
    // The call's return value; `out` the result text.
    int Run(const std::wstring& pattern, const std::wstring& text, const wchar_t* format, std::wstring& out) {
        wchar_t* result = nullptr;
        int length = -7;
        const int rc = match(pattern.c_str(), text.c_str(), format, &result, &length);
        out = result ? std::wstring(result, length) : L"<null>";
        if (!result) EXPECT_EQ(length, 0);
        free(result, 0);
        return rc;
    }
    tw::UniqueModule module;
    PFN_RegExpMatch match = nullptr;
    PFN_FreeResult free = nullptr;
};

}  // namespace

TEST(RegExpLibrary, FormatsTakeGroupsByNumberAndName) {
    RegExp re;
    ASSERT_TRUE(re.match && re.free);
    const std::wstring page = L"ACME Ltd.  Invoice No: INV-2024-0042  Date: 2024-05-01 ";
    std::wstring out;
    EXPECT_EQ(re.Run(L"Invoice No: (INV-(\\d+)-(\\d+))", page, L"", out), kRegExpMatched);
    EXPECT_EQ(out, L"Invoice No: INV-2024-0042");
    EXPECT_EQ(re.Run(L"Invoice No: (INV-(\\d+)-(\\d+))", page, L"$1", out), kRegExpMatched);
    EXPECT_EQ(out, L"INV-2024-0042");
    EXPECT_EQ(re.Run(L"INV-(\\d+)-(\\d+)", page, L"$2/$1 cost $$5 ${1}0", out), kRegExpMatched);
    EXPECT_EQ(out, L"0042/2024 cost $5 20240");
    EXPECT_EQ(re.Run(L"Date: (?<y>\\d{4})-(?<m>\\d\\d)", page, L"${m}.${y}", out), kRegExpMatched);
    EXPECT_EQ(out, L"05.2024");
    EXPECT_EQ(re.Run(L"(?i)acme (x)?", page, L"[$1]", out), kRegExpMatched);
    EXPECT_EQ(out, L"[]");  // an unset group gives nothing
    EXPECT_EQ(re.Run(L"Invoice", page, nullptr, out), kRegExpMatched);
    EXPECT_EQ(out, L"Invoice");
    EXPECT_EQ(re.Run(L"Ünïcödé (\\w+)", L"x Ünïcödé wörd", L"$1", out), kRegExpMatched);
    EXPECT_EQ(out, L"wörd");
}

TEST(RegExpLibrary, FailuresAreToldApart) {
    RegExp re;
    std::wstring out;
    EXPECT_EQ(re.Run(L"Order (\\d+)", L"Invoice 12", L"$1", out), kRegExpNoMatch);
    EXPECT_EQ(out, L"<null>");
    EXPECT_EQ(re.Run(L"(unclosed", L"unclosed", L"", out), kRegExpBadPattern);
    EXPECT_EQ(re.Run(L"a(b)", L"ab", L"$2", out), kRegExpBadFormat);
    EXPECT_EQ(re.Run(L"a(b)", L"ab", L"${nope}", out), kRegExpBadFormat);
    EXPECT_EQ(re.Run(L"a(b)", L"ab", L"${1", out), kRegExpBadFormat);
    wchar_t* result = reinterpret_cast<wchar_t*>(1);
    EXPECT_EQ(re.match(nullptr, L"x", L"", &result, nullptr), kRegExpBadArgument);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(re.match(L"x", L"x", L"", nullptr, nullptr), kRegExpBadArgument);
}

TEST(RegExpLibrary, RunawayPatternStopsAtItsLimit) {
    RegExp re;
    std::wstring out;
    const std::wstring page(100000, L'a');
    const DWORD start = ::GetTickCount();
    // A required "b" would let PCRE2 see at once that nothing matches: the class leaves it to backtracking.
    EXPECT_EQ(re.Run(L"(a+)+[bc]", page, L"", out), kRegExpLimit);
    // Not a timing assertion: a bound far above what it takes, so that a hang fails rather than stalls.
    EXPECT_LT(::GetTickCount() - start, 60000u);
}

TEST(RegExpLibrary, InvalidUtf16InTheTextNeverMatchesAndNeverFails) {
    RegExp re;
    std::wstring out;
    std::wstring page = L"No. ";
    page.push_back(static_cast<wchar_t>(0xD800));  // a lone high surrogate
    page += L" 4711 end";
    EXPECT_EQ(re.Run(L"(\\d+)", page, L"$1", out), kRegExpMatched);
    EXPECT_EQ(out, L"4711");
    EXPECT_EQ(re.Run(L"No\\. . (\\d+)", page, L"$1", out), kRegExpNoMatch);
}
