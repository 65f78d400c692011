#include <gtest/gtest.h>

#include "base/WideString.h"

TEST(WideString, FormatsAndCompares) {
    EXPECT_EQ(tw::FormatW(L"%s: %d.", L"Internal error", 12), L"Internal error: 12.");
    EXPECT_TRUE(tw::EqualsNoCase(L"TwPort1", L"twport1"));
    EXPECT_FALSE(tw::EqualsNoCase(L"TwPort1", L"TwPort12"));
    EXPECT_EQ(tw::CleanObjectName(L"My Printer #2"), L"My_Printer__2");
}
