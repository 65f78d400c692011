// The values content-based e-mail takes from page text: addresses found in the text, and the
// values of several pages joined with each field's separator.
#include <gtest/gtest.h>

#include "job/ContentMail.h"

namespace {

using Found = std::vector<std::wstring>;

TEST(ContentMail, AddressesAreFoundAsWrittenOnThePage) {
    EXPECT_EQ(tw::FindMailAddresses(L"Send to ann.lee@example.com, or <bob@mail.example.org>.\r\n"
                                    L"Again: ann.lee@example.com. (desk-2@example.co.uk)"),
              (Found{L"ann.lee@example.com", L"bob@mail.example.org", L"desk-2@example.co.uk"}));
    // Not addresses: no domain dot, an empty part, a one-letter end, two at signs, dots at the ends.
    EXPECT_EQ(tw::FindMailAddresses(L"a@b @x.com x@.com c@d.e a@@b.com .a@b.com a@b..com 12.5@ x@y.org"),
              (Found{L"x@y.org"}));
    EXPECT_EQ(tw::FindMailAddresses(L"m\x00FC" L"ller@beispiel.de"), (Found{L"m\x00FC" L"ller@beispiel.de"}));
    EXPECT_TRUE(tw::FindMailAddresses(L"").empty());
}

TEST(ContentMail, PagesJoinEachFieldWithItsSeparator) {
    tw::ContentMailFields file;
    tw::ContentMailFields page;
    page.to = L"a@x.com";
    page.subject = L"Invoice";
    page.attachment = L"a.pdf";
    page.p1 = L"first";
    file.Append(page);
    page.to = L"b@x.com; c@x.com";
    page.subject = L"77";
    page.attachment = L"b.pdf";
    page.cc = L"";
    page.addresses = L"d@x.com";
    page.p1 = L"second";
    file.Append(page);
    EXPECT_EQ(file.to, L"a@x.com; b@x.com; c@x.com");
    EXPECT_EQ(file.subject, L"Invoice 77");
    EXPECT_EQ(file.attachment, L"a.pdf;b.pdf");
    EXPECT_EQ(file.cc, L"");
    EXPECT_EQ(file.addresses, L"d@x.com");
    EXPECT_EQ(file.p1, L"second");
    file.ClearMail();
    EXPECT_EQ(file.to, L"");
    EXPECT_EQ(file.addresses, L"");
    EXPECT_EQ(file.p1, L"second");
    EXPECT_EQ(tw::JoinValues({L"a", L"", L"b"}, L"; "), L"a; b");
}

}  // namespace
