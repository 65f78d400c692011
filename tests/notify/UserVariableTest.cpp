// The printing user's variables: expanded with the impersonation token only, unless the caller
// prints as itself and allows the process's token.
#include <gtest/gtest.h>

#include "notify/EnvironmentFixture.h"
#include "notify/JobEnvironment.h"

namespace {

using tw::UserTokenSource;

class UserVariable : public twtest::EnvironmentFixture {};

TEST_F(UserVariable, NeedsTheThreadTokenUnlessTheProcessTokenIsAllowed) {
    std::wstring name = twtest::UniqueName(L"TwUserVar");
    SetUserVariable(name, L"value-1");

    std::wstring out = L"untouched";
    EXPECT_FALSE(tw::ExpandUserVariable(name, out));  // this thread impersonates nobody
    EXPECT_EQ(out, L"untouched");

    EXPECT_TRUE(tw::ExpandUserVariable(name, out, UserTokenSource::ThreadOrProcess));
    EXPECT_EQ(out, L"value-1");
}

TEST_F(UserVariable, UsesTheImpersonationToken) {
    std::wstring name = twtest::UniqueName(L"TwUserVar");
    SetUserVariable(name, L"impersonated");
    ASSERT_TRUE(::ImpersonateSelf(SecurityImpersonation));
    std::wstring out;
    bool expanded = tw::ExpandUserVariable(name, out);
    ::RevertToSelf();

    EXPECT_TRUE(expanded);
    EXPECT_EQ(out, L"impersonated");
}

TEST_F(UserVariable, UndefinedOrMalformedNamesAreNoValue) {
    std::wstring out = L"untouched";
    EXPECT_FALSE(tw::ExpandUserVariable(UnknownName(), out, UserTokenSource::ThreadOrProcess));
    EXPECT_FALSE(tw::ExpandUserVariable(L"", out, UserTokenSource::ThreadOrProcess));

    // Percent signs inside a name would expand other variables in its place.
    std::wstring name = twtest::UniqueName(L"TwUserVar");
    SetUserVariable(name, L"inner");
    EXPECT_FALSE(tw::ExpandUserVariable(L"X%" + name + L"%X", out, UserTokenSource::ThreadOrProcess));
    EXPECT_EQ(out, L"untouched");
}

}  // namespace
