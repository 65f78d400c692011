// Seeded randomised streams: buffer boundaries must never change what the job is told, and
// garbage or truncated streams must leave the job in a defined state.
#include <algorithm>
#include <random>

#include "CommandStreamFixture.h"
#include "base/WideString.h"
#include "host/StreamFuzz.h"
#include "host/StreamReader.h"
#include "support/TestSupport.h"
#include "portcmd/PortCmdLayout.h"

using twhost::ByteVector;
using twhost::StreamWriter;

namespace twtest {
namespace {

constexpr unsigned kSeeds[] = {1, 7, 42, 1234, 99991, 20240601};

// A stream of valid commands, a few of which the job refuses (wrong DEVMODE size, a page
// without data) so that failures are part of the sequence too.
ByteVector RandomStream(std::mt19937& rng, int commands) {
    StreamWriter w;
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto bytes = [&](size_t n) {
        ByteVector b(n);
        for (BYTE& x : b) x = static_cast<BYTE>(rng());
        return b;
    };
    // A record that asks for a client application to be started makes the job wait for it.
    auto devmode = [&] {
        ByteVector b = bytes(tw::kDevModeSize);
        std::fill_n(b.begin() + tw::dmoff::StartFlags, sizeof(DWORD), BYTE{0});
        return b;
    };
    for (int i = 0; i < commands; ++i) {
        switch (pick(0, 9)) {
            case 0: w.StartDoc(devmode()); break;
            case 1: w.StartPage(devmode()); break;
            case 2: w.EndPage(bytes(pick(1, 20000)), pick(0, 1) != 0); break;
            case 3: w.EndPageRaw(bytes(pick(1, 9000))); break;
            case 4: case 5: {
                std::wstring text(pick(0, 30), L' ');
                for (wchar_t& c : text) c = static_cast<wchar_t>(pick(0x20, 0xD7FF));
                w.WriteTextOut(pick(-100, 5000), pick(-100, 7000), text);
                break;
            }
            case 6: w.EndDoc(); break;
            case 7: w.WriteCommand(tw::PORT_CMD_END_DOC, bytes(pick(0, 40))); break;
            case 8: w.StartPage(bytes(tw::kDevModeSize - pick(1, 100))); break;  // refused
            case 9: w.WriteCommand(tw::PORT_CMD_END_PAGE, {}); break;             // refused
        }
    }
    return w.Bytes();
}

// Piece sizes from single bytes to whole pages, so that headers and data split everywhere.
std::vector<size_t> RandomCuts(std::mt19937& rng, size_t total) {
    std::vector<size_t> pieces;
    for (size_t pos = 0; pos < total;) {
        size_t n;
        switch (rng() % 4) {
            case 0: n = 1 + rng() % 20; break;
            case 1: n = 1 + rng() % 600; break;
            case 2: n = 1 + rng() % 8000; break;
            default: n = 1 + rng() % 30000; break;
        }
        n = std::min(n, total - pos);
        pieces.push_back(n);
        pos += n;
    }
    return pieces;
}

class CommandStreamRandomTest : public CommandStreamTest {
protected:
    // Feeds the bytes in the given pieces; every call must consume its whole buffer.
    void Feed(tw::CTWJob& job, const BYTE* data, const std::vector<size_t>& pieces) {
        size_t pos = 0;
        for (size_t n : pieces) {
            DWORD done = 0;
            job.WritePort(data + pos, static_cast<DWORD>(n), &done);
            ASSERT_EQ(done, n);
            // Between calls an active command always still waits for data.
            if (job.ActiveCommand()) {
                ASSERT_FALSE(job.ActiveCommand()->HasAllData());
            }
            pos += n;
        }
    }
};

TEST_F(CommandStreamRandomTest, BufferBoundariesDoNotChangeTheOperations) {
    for (unsigned seed : kSeeds) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const ByteVector stream = RandomStream(rng, 60);
        const twhost::StreamListing listing = twhost::ReadStream(stream);
        ASSERT_EQ(listing.end, twhost::StreamEnd::Complete);
        ASSERT_EQ(listing.commands.size(), 60u);

        observer.ops.clear();
        std::vector<tw::TWTextRun> wholeRuns;
        ByteVector wholeDevMode;
        {
            tw::CTWJob job;
            Feed(job, stream.data(), {stream.size()});
            wholeRuns = job.TextRuns();
            wholeDevMode = JobDevMode(job);
        }
        const auto whole = observer.ops;
        ASSERT_FALSE(whole.empty());

        for (int round = 0; round < 4; ++round) {
            observer.ops.clear();
            tw::CTWJob job;
            Feed(job, stream.data(), RandomCuts(rng, stream.size()));
            EXPECT_EQ(observer.ops, whole) << "round " << round;
            EXPECT_EQ(job.ActiveCommand(), nullptr);
            EXPECT_EQ(HeaderBytesCollected(), 0u);
            EXPECT_EQ(JobDevMode(job), wholeDevMode);
            ASSERT_EQ(job.TextRuns().size(), wholeRuns.size());
            for (size_t i = 0; i < wholeRuns.size(); ++i) EXPECT_EQ(job.TextRuns()[i].text, wholeRuns[i].text);
        }
    }
}

TEST_F(CommandStreamRandomTest, TruncatedStreamsStopInTheStateTheirLastBytesLeave) {
    for (unsigned seed : kSeeds) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const ByteVector stream = RandomStream(rng, 25);
        observer.ops.clear();
        { tw::CTWJob job; Feed(job, stream.data(), {stream.size()}); }
        const auto whole = observer.ops;

        for (int round = 0; round < 12; ++round) {
            tw::threadblock::ResetHeaderCollector();
            observer.ops.clear();
            const size_t cut = rng() % stream.size();
            const twhost::StreamListing prefix = twhost::ReadStream({stream.data(), cut});
            const int finishedBefore = observer.finished;
            {
                tw::CTWJob job;
                Feed(job, stream.data(), RandomCuts(rng, cut));
                ASSERT_LE(observer.ops.size(), whole.size());
                EXPECT_TRUE(std::equal(observer.ops.begin(), observer.ops.end(), whole.begin())) << "cut " << cut;
                switch (prefix.end) {
                    case twhost::StreamEnd::Complete:
                        EXPECT_EQ(job.ActiveCommand(), nullptr);
                        EXPECT_EQ(HeaderBytesCollected(), 0u);
                        break;
                    case twhost::StreamEnd::TruncatedHeader:
                        EXPECT_EQ(job.ActiveCommand(), nullptr);
                        EXPECT_EQ(HeaderBytesCollected(), cut - prefix.endOffset);
                        break;
                    case twhost::StreamEnd::TruncatedData:
                        ASSERT_NE(job.ActiveCommand(), nullptr);
                        EXPECT_EQ(job.ActiveCommand()->BytesReceived(), prefix.commands.back().dataAvailable);
                        break;
                    default:
                        ADD_FAILURE() << "a prefix of a valid stream is never invalid";
                }
            }  // destroyed with whatever command is incomplete
            EXPECT_EQ(observer.finished, finishedBefore + 1);
        }
    }
}

// Garbage may announce data of any size up to the limit; blocks above 1 MiB are refused here
// so that the test stays small, which also drives the allocation failure path.
HGLOBAL WINAPI CappedAlloc(UINT flags, SIZE_T bytes) { return bytes > (1u << 20) ? nullptr : ::GlobalAlloc(flags, bytes); }

TEST_F(CommandStreamRandomTest, GarbageNeverCrashesOrHangs) {
    tw::CPortCmd::SetDataAllocator(&CappedAlloc);
    for (unsigned seed : kSeeds) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        for (int round = 0; round < 20; ++round) {
            ByteVector bytes;
            if (round % 2 == 0) {
                bytes.resize(1 + rng() % 50000);
                for (BYTE& b : bytes) b = static_cast<BYTE>(rng());
            } else {
                // A valid stream with corrupted bytes: headers survive often enough to matter.
                bytes = RandomStream(rng, 20);
                for (int flips = 1 + rng() % 30; flips > 0; --flips) bytes[rng() % bytes.size()] = static_cast<BYTE>(rng());
            }
            tw::threadblock::ResetHeaderCollector();
            tw::CTWJob job;
            Feed(job, bytes.data(), RandomCuts(rng, bytes.size()));
        }
    }
}

// The stream fuzzer's short run, through the monitor's entry points as the spooler calls them:
// no job may pass for printed unless its stream was a whole document and every page of it was
// written; a whole document must print.
TEST(CommandStreamFuzz, DamagedDocumentsNeverPassForPrinted) {
    const std::wstring out = MakeTempDir(L"streamfuzz");
    const std::wstring printer = UniqueName(L"Fuzz");
    {
        twhost::MonitorPortRunner runner(UniqueName(L"FuzzMonitor"), UniqueName(L"FZ") + L":", printer);
        std::wstring error;
        ASSERT_TRUE(runner.Ready(error)) << tw::ToUtf8(error);
        twhost::StreamFuzzer fuzzer(20261208, twhost::FuzzDevMode(printer, out), twhost::SmallEmfPage(),
                                    twhost::SmallRawPage());
        int failed = 0, passed = 0;
        for (DWORD id = 1; id <= 60; ++id) {
            const twhost::FuzzCase c = fuzzer.Next();
            const twhost::StreamOracle oracle = twhost::JudgeStream(c.stream, fuzzer.DevMode());
            const twhost::JobVerdict verdict = runner.Run(c, id);
            SCOPED_TRACE(c.mutation);
            EXPECT_EQ(twhost::CheckVerdict(oracle, verdict), "");
            if (c.mutation == "valid") {
                EXPECT_FALSE(verdict.failed) << tw::ToUtf8(verdict.status);
            }
            (verdict.failed ? failed : passed) += 1;
        }
        // The run must see both outcomes to mean anything.
        EXPECT_GT(failed, 10);
        EXPECT_GT(passed, 5);
    }
    RemoveTree(out);
}

}  // namespace
}  // namespace twtest
