// "<<" ... ">>" tokens in paths: the job's values, "%s\EnvVars" from the real registry, the
// user's variables, tokens that stay, and the 260-character output.
#include <gtest/gtest.h>

#include "notify/EnvironmentFixture.h"
#include "notify/PathExpansion.h"

namespace {

using tw::UserTokenSource;

class PathExpansion : public twtest::EnvironmentFixture {
protected:
    void SetUp() override {
        EnvironmentFixture::SetUp();
        env.userName = L"alice";
        env.domain = L"CORP";
        env.computerName = L"PC01";
        env.ipAddress = L"10.0.0.7";
        env.hostName = L"pc01.corp.example";
    }
    bool Expand(std::wstring_view templ, UserTokenSource source = UserTokenSource::ThreadOnly) {
        return tw::ExpandPath(env, &dm, templ, out, source);
    }

    tw::JobEnvironment env;
    std::wstring out;
};

TEST_F(PathExpansion, JobTokensInAnyCase) {
    EXPECT_TRUE(Expand(L"C:\\out\\<<username>>\\<<UserDomain>>\\<<COMPUTERNAME>>_<<IPADDRESS>>.tif"));
    EXPECT_EQ(out, L"C:\\out\\alice\\CORP\\PC01_10.0.0.7.tif");
    EXPECT_TRUE(Expand(L"plain\\path.tif"));
    EXPECT_EQ(out, L"plain\\path.tif");
    EXPECT_TRUE(Expand(L""));
    EXPECT_EQ(out, L"");
}

TEST_F(PathExpansion, OtherNamesTakeEnvVarsBeforeUserVariables) {
    std::wstring both = twtest::UniqueName(L"TwBoth");
    std::wstring userOnly = twtest::UniqueName(L"TwUserOnly");
    SetEnvVar(L"Department", L"Sales");
    SetEnvVar(both.c_str(), L"from-registry");
    SetUserVariable(both, L"from-environment");
    SetUserVariable(userOnly, L"user-value");

    EXPECT_TRUE(Expand(L"<<department>>\\<<" + both + L">>\\<<" + userOnly + L">>",
                       UserTokenSource::ThreadOrProcess));
    EXPECT_EQ(out, L"Sales\\from-registry\\user-value");

    // The job's tokens are not looked up even when EnvVars has the name.
    SetEnvVar(L"USERNAME", L"stored-user");
    EXPECT_TRUE(Expand(L"<<USERNAME>>"));
    EXPECT_EQ(out, L"alice");
}

TEST_F(PathExpansion, UnresolvedTokensStayAndReportFalse) {
    std::wstring unknown = UnknownName();
    EXPECT_FALSE(Expand(L"C:\\out\\<<" + unknown + L">>\\<<USERNAME>>.tif", UserTokenSource::ThreadOrProcess));
    EXPECT_EQ(out, L"C:\\out\\<<" + unknown + L">>\\alice.tif");

    // A user variable is only a value with the printing user's token.
    std::wstring var = twtest::UniqueName(L"TwUserVar");
    SetUserVariable(var, L"value");
    EXPECT_FALSE(Expand(L"<<" + var + L">>"));
    EXPECT_EQ(out, L"<<" + var + L">>");

    EXPECT_FALSE(Expand(L"a<<>>b"));
    EXPECT_EQ(out, L"a<<>>b");
}

TEST_F(PathExpansion, TokenMarksOutOfPlace) {
    // Without ">>" the token runs to the end of the template.
    EXPECT_TRUE(Expand(L"C:\\out\\<<USERNAME"));
    EXPECT_EQ(out, L"C:\\out\\alice");
    EXPECT_FALSE(Expand(L"C:\\out\\<<USERNAME.tif"));
    EXPECT_EQ(out, L"C:\\out\\<<USERNAME.tif");

    EXPECT_TRUE(Expand(L"a>>b<<IPADDRESS>>>>c"));
    EXPECT_EQ(out, L"a>>b10.0.0.7>>c");
    EXPECT_FALSE(Expand(L"<<<USERNAME>>"));
    EXPECT_EQ(out, L"<<<USERNAME>>");
}

TEST_F(PathExpansion, PiecesBeyond259CharactersAreLeftOut) {
    const std::wstring prefix(250, L'p');
    env.userName = L"123456789";
    EXPECT_TRUE(Expand(prefix + L"<<USERNAME>>"));
    EXPECT_EQ(out.size(), 259u);

    env.userName = L"1234567890";  // one character too many: the whole value is left out
    EXPECT_FALSE(Expand(prefix + L"<<USERNAME>>\\a.tif"));
    EXPECT_EQ(out, prefix + L"\\a.tif");  // later pieces that fit still follow

    EXPECT_FALSE(Expand(std::wstring(300, L'x')));
    EXPECT_EQ(out, L"");

    // An unresolved token that does not fit is left out too.
    EXPECT_FALSE(Expand(std::wstring(255, L'p') + L"<<" + UnknownName() + L">>"));
    EXPECT_EQ(out, std::wstring(255, L'p'));
}

TEST_F(PathExpansion, WorksWithoutARecord) {
    EXPECT_TRUE(tw::ExpandPath(env, nullptr, L"<<UserName>>", out));
    EXPECT_EQ(out, L"alice");
    EXPECT_FALSE(tw::ExpandPath(env, nullptr, L"<<Department>>", out));
    EXPECT_EQ(out, L"<<Department>>");
}

TEST_F(PathExpansion, VariablesWithoutJobTokens) {
    SetEnvVar(L"USERNAME", L"stored-user");
    SetEnvVar(L"Site", L"North");
    std::wstring unknown = UnknownName();

    EXPECT_TRUE(tw::ExpandVariables(&dm, L"C:\\codes\\<<USERNAME>>_<<site>>.txt", out));
    EXPECT_EQ(out, L"C:\\codes\\stored-user_North.txt");

    EXPECT_FALSE(tw::ExpandVariables(&dm, L"<<COMPUTERNAME_" + unknown + L">>.txt", out));
    EXPECT_EQ(out, L"<<COMPUTERNAME_" + unknown + L">>.txt");
}

TEST_F(PathExpansion, PrinterNameFromPrinterIdsElseDeviceName) {
    EXPECT_EQ(tw::PrinterName(&dm), printerName);
    WriteText(IdKey(), tw::settings::kPrinterNameValue, L"Registered Printer Name");
    EXPECT_EQ(tw::PrinterName(&dm), L"Registered Printer Name");
}

}  // namespace
