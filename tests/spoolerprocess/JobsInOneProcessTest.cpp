// The spooler runs every job of a port in one process for as long as it is up: the libraries a
// job loads (the plug-in, the TIFF library, the imaging library) are loaded and freed once per
// document, and nothing of theirs may pile up from one job to the next. A program of its own:
// the monitor is initialised once per process, as the spooler does.
#include <gtest/gtest.h>

#include <string>

#include "base/WideString.h"
#include "host/DevModeBuilder.h"
#include "host/StreamFuzz.h"
#include "host/StreamWriter.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

using twhost::ByteVector;

constexpr DWORD kTiffGroup4 = 7;
constexpr LONG kErrorDiffusion = 1;

// The next TLS slot the process would hand out: it only grows while slots are kept.
DWORD NextTlsSlot() {
    const DWORD slot = ::TlsAlloc();
    ::TlsFree(slot);
    return slot;
}

twhost::FuzzCase Document(const ByteVector& devmode, const ByteVector& emf) {
    twhost::StreamWriter w;
    w.StartDoc(devmode);
    for (int page = 0; page < 2; ++page) {
        w.StartPage(devmode);
        w.EndPage(emf);
    }
    w.EndDoc();
    twhost::FuzzCase c;
    c.stream = w.Bytes();
    c.chunks = {c.stream.size()};
    c.mutation = "valid";
    return c;
}

TEST(JobsInOneProcess, LibrariesLoadedPerDocumentLeaveNoThreadSlotsBehind) {
    const std::wstring out = MakeTempDir(L"manyjobs");
    const std::wstring printer = UniqueName(L"Jobs");
    {
        twhost::MonitorPortRunner runner(UniqueName(L"JobsMonitor"), UniqueName(L"MJ") + L":", printer,
                                         L"TwPlugIn.dll");
        std::wstring error;
        ASSERT_TRUE(runner.Ready(error)) << tw::ToUtf8(error);
        // TIFF pages drawn in colour and dithered: every library a job may load per document.
        twhost::DevModeBuilder dm(printer.substr(0, CCHDEVICENAME - 1));
        dm.Format(kTiffGroup4).Dithering(kErrorDiffusion).Dpi(100, 100).PaperSize(500, 500)
            .OutputDirectory(out);
        dm.UpdatePagePixels();
        const twhost::FuzzCase doc = Document(dm.Bytes(), twhost::SmallEmfPage());
        // The first job may set up what the process keeps for good.
        const twhost::JobVerdict first = runner.Run(doc, 1);
        ASSERT_FALSE(first.failed) << tw::ToUtf8(first.status);
        const DWORD before = NextTlsSlot();
        for (DWORD id = 2; id <= 7; ++id) {
            const twhost::JobVerdict verdict = runner.Run(doc, id);
            ASSERT_TRUE(verdict.seen);
            ASSERT_FALSE(verdict.failed) << tw::ToUtf8(verdict.status);
            ASSERT_EQ(verdict.outputPages, 2u);
        }
        EXPECT_EQ(NextTlsSlot(), before) << "TLS slots kept by 6 jobs";
    }
    RemoveTree(out);
}

}  // namespace
}  // namespace twtest
