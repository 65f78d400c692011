// A short, seeded run of the page fuzzer: damaged corpus pages and lying raw pages rendered
// through CEMFImage must each come out as a whole page or as a failure the job reported.
// The long run is tools/fuzzpages (build/bin/fuzz_pages.exe SEED COUNT).
#include <gtest/gtest.h>

#include <string>

#include "base/WideString.h"
#include "host/PageDamage.h"
#include "host/PageFuzz.h"
#include "support/TestSupport.h"

namespace {

constexpr uint64_t kSeed = 14;
constexpr uint64_t kCases = 300;

TEST(PageFuzz, DamagedPagesAreRenderedOrReportedNeverWrong) {
    const twhost::PageDamager damager(twhost::LoadPageCorpus(twtest::RepoFile(L"").substr(0, twtest::RepoFile(L"").size() - 1)));
    ASSERT_GE(damager.PageCount(), 60u);
    twhost::PageFuzzRenderer renderer;
    int rendered = 0, refused = 0, raw = 0;
    for (uint64_t i = 0; i < kCases; ++i) {
        const twhost::DamagedPage page = damager.Make(kSeed, i);
        const twhost::FuzzResult r = renderer.Render(page, i);
        EXPECT_NE(r.verdict, twhost::FuzzVerdict::WrongResult)
            << "case " << i << ": " << tw::ToUtf8(page.description) << " | " << tw::ToUtf8(r.why);
        rendered += r.verdict == twhost::FuzzVerdict::Rendered;
        refused += r.verdict == twhost::FuzzVerdict::Refused;
        raw += page.raw;
    }
    // The run is a mix: most damaged pages still render, some are refused, raw pages among them.
    EXPECT_GT(rendered, 0);
    EXPECT_GT(refused, 0);
    EXPECT_GT(raw, 0);
}

TEST(PageFuzz, CasesAreReproducible) {
    const twhost::PageDamager damager(twhost::LoadPageCorpus(twtest::RepoFile(L"").substr(0, twtest::RepoFile(L"").size() - 1)));
    for (uint64_t i : {0ull, 7ull, 123ull}) {
        const twhost::DamagedPage a = damager.Make(kSeed, i), b = damager.Make(kSeed, i);
        EXPECT_EQ(a.bytes, b.bytes);
        EXPECT_EQ(a.description, b.description);
    }
    EXPECT_NE(damager.Make(kSeed, 1).bytes, damager.Make(kSeed + 1, 1).bytes);
}

}  // namespace
