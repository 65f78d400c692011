// Cutting the driver's stream into commands across WritePort calls, and what each command does.
#include <cstring>
#include <thread>

#include "CommandStreamFixture.h"
#include "host/DevModeBuilder.h"
#include "support/TestSupport.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/PortCmdLayout.h"
#include "portcmd/PortCmds.h"

using twhost::ByteVector;
using twhost::StreamWriter;
using Ops = std::vector<std::wstring>;

namespace twtest {
namespace {

// Outside a document these commands cannot act: the job drops and reports them.
const std::wstring kEndDocDropped = L"Dropped(PORT_CMD_END_DOC)=FALSE";

TEST_F(CommandStreamTest, HeaderSplitOverThreeCallsYieldsOneCommand) {
    StreamWriter w;
    w.EndDoc();
    const ByteVector& s = w.Bytes();
    tw::CTWJob job;
    EXPECT_TRUE(Write(job, {s.data(), 5}));
    EXPECT_EQ(HeaderBytesCollected(), 5u);
    EXPECT_TRUE(Write(job, {s.data() + 5, 5}));
    EXPECT_EQ(HeaderBytesCollected(), 10u);
    EXPECT_TRUE(observer.ops.empty());
    EXPECT_FALSE(Write(job, {s.data() + 10, 6}));
    EXPECT_EQ(observer.ops, Ops{kEndDocDropped});
    EXPECT_EQ(HeaderBytesCollected(), 0u);
    EXPECT_EQ(job.ActiveCommand(), nullptr);
}

TEST_F(CommandStreamTest, EndPageWithDataThenEndDocInOneBuffer) {
    StreamWriter w;
    w.EndPage(ByteVector(100, 0x5A));
    w.EndDoc();
    tw::CTWJob job;
    // No document is open, so the job drops both; the cut is what counts here.
    EXPECT_FALSE(Write(job, w.Bytes()));
    EXPECT_EQ(observer.ops, (Ops{L"Dropped(PORT_CMD_END_PAGE)=FALSE", kEndDocDropped}));
    EXPECT_TRUE(job.HasError());
}

TEST_F(CommandStreamTest, LargeDataCompletesOnTheCallThatBringsItsLastByte) {
    StreamWriter w;
    w.EndPageRaw(ByteVector(100000, 0x11));
    const ByteVector& s = w.Bytes();
    tw::CTWJob job;
    ASSERT_TRUE(Write(job, {s.data(), 16}));
    size_t pos = 16;
    for (int call = 1; call <= 25; ++call) {
        const size_t n = std::min<size_t>(4096, s.size() - pos);
        // The last call completes the page, which the job drops without a document.
        ASSERT_EQ(Write(job, {s.data() + pos, n}), call < 25);
        pos += n;
        if (call < 25) {
            ASSERT_TRUE(observer.ops.empty()) << "completed early on call " << call;
            ASSERT_EQ(job.ActiveCommand()->BytesReceived(), call * 4096u);
        }
    }
    EXPECT_EQ(observer.ops, Ops{L"Dropped(PORT_CMD_END_PAGE_RAW)=FALSE"});
    EXPECT_NE(job.StatusText().find(L"PORT_CMD_END_PAGE_RAW before PORT_CMD_START_DOC"), std::wstring::npos)
        << job.StatusText();
    EXPECT_EQ(job.ActiveCommand(), nullptr);
}

TEST_F(CommandStreamTest, InvalidHeaderDropsTheRestOfTheBufferOnly) {
    struct Case { DWORD flag, size, type; } cases[] = {
        {0x8000F22E, 16, tw::PORT_CMD_END_DOC},
        {tw::TARNWELL_CMD_FLAG, 16, 7},
        {tw::TARNWELL_CMD_FLAG, 16, 0},
        {tw::TARNWELL_CMD_FLAG, 15, tw::PORT_CMD_END_DOC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        observer.ops.clear();
        StreamWriter w;
        w.WriteHeader(c.flag, c.size, c.type, 0);
        w.EndDoc();  // in the same buffer: dropped with it
        tw::CTWJob job;
        EXPECT_TRUE(Write(job, w.Bytes()));
        // The bytes are gone, but not silently.
        EXPECT_EQ(observer.ops, Ops{L"Dropped(invalid header)=FALSE"});
        EXPECT_EQ(job.ActiveCommand(), nullptr);
        EXPECT_TRUE(job.HasError());
        EXPECT_NE(job.StatusText().find(L"32 bytes"), std::wstring::npos) << job.StatusText();
        // Garbage in the next buffers belongs to the same break: it is not reported again.
        EXPECT_TRUE(Write(job, w.Bytes()));
        EXPECT_EQ(observer.ops.size(), 1u);
        // The next buffer is read as a new header.
        StreamWriter next;
        next.EndDoc();
        EXPECT_FALSE(Write(job, next.Bytes()));
        EXPECT_EQ(observer.ops, (Ops{L"Dropped(invalid header)=FALSE", kEndDocDropped}));
        // Once a command has been read, a new break is a new report.
        EXPECT_TRUE(Write(job, w.Bytes()));
        EXPECT_EQ(observer.ops.back(), L"Dropped(invalid header)=FALSE");
        EXPECT_EQ(observer.ops.size(), 3u);
    }
}

TEST_F(CommandStreamTest, StartDocAndStartPageGiveTheDevModeToTheJob) {
    twhost::DevModeBuilder docBuilder(L"Stream test"), pageBuilder(L"Stream test");
    // The document's output needs a directory to be named in.
    const std::wstring out = twtest::MakeTempDir(L"cmdstream");
    docBuilder.OutputDirectory(out);
    pageBuilder.OutputDirectory(out);
    docBuilder.Dithering(1);
    docBuilder.Format(0);
    pageBuilder.Dithering(2);
    pageBuilder.Format(0);
    StreamWriter w;
    w.StartDoc(docBuilder.Bytes());
    w.StartPage(pageBuilder.Bytes());
    tw::CTWJob job;
    EXPECT_TRUE(Write(job, w.Bytes()));
    EXPECT_EQ(observer.ops, (Ops{L"SetDevMode(start)", L"StartDoc()", L"SetDevMode(page)", L"StartPage()"}));
    ASSERT_NE(job.DevMode(), nullptr);
    // The page's own record, of the document's format, became the job's.
    EXPECT_EQ(job.DevMode()->Read<LONG>(tw::dmoff::Dithering), 2);
    twtest::RemoveTree(out);
}

TEST_F(CommandStreamTest, DevModeOfTheWrongSizeFailsWithoutTouchingTheJob) {
    for (size_t size : {tw::kDevModeSize - 1, tw::kDevModeSize + 1, size_t{0}}) {
        SCOPED_TRACE(size);
        observer.ops.clear();
        StreamWriter w;
        w.StartDoc(ByteVector(size, 1));
        w.StartPage(ByteVector(size, 1));
        tw::CTWJob job;
        EXPECT_FALSE(Write(job, w.Bytes()));
        // The page of a refused START_PAGE is reported with it.
        EXPECT_EQ(observer.ops, (Ops{L"Dropped(PORT_CMD_START_DOC)=FALSE", L"Dropped(PORT_CMD_START_PAGE)=FALSE"}));
        EXPECT_EQ(job.DevMode(), nullptr);
        EXPECT_NE(job.StatusText().find(std::to_wstring(size) + L" bytes"), std::wstring::npos) << job.StatusText();
    }
}

TEST_F(CommandStreamTest, EndDocWithoutDataIsWholeAtOnceAndWithDataAfterIt) {
    tw::CTWJob job;
    StreamWriter bare;
    bare.EndDoc();
    EXPECT_FALSE(Write(job, bare.Bytes()));
    EXPECT_EQ(observer.ops, Ops{kEndDocDropped});

    StreamWriter withData;
    withData.WriteCommand(tw::PORT_CMD_END_DOC, ByteVector(4, 9));
    const ByteVector& s = withData.Bytes();
    EXPECT_TRUE(Write(job, {s.data(), 18}));
    EXPECT_EQ(observer.ops.size(), 1u);
    EXPECT_FALSE(Write(job, {s.data() + 18, 2}));
    EXPECT_EQ(observer.ops, (Ops{kEndDocDropped, kEndDocDropped}));
}

TEST_F(CommandStreamTest, PagesWithoutDataFail) {
    for (DWORD type : {tw::PORT_CMD_END_PAGE, tw::PORT_CMD_END_PAGE_RAW}) {
        StreamWriter w;
        w.WriteCommand(type, {});
        tw::CTWJob job;
        EXPECT_FALSE(Write(job, w.Bytes()));
        EXPECT_EQ(observer.ops.size(), 1u);
        EXPECT_TRUE(job.HasError());
        observer.ops.clear();
    }
}

TEST_F(CommandStreamTest, TextOutAddsOneRun) {
    StreamWriter w;
    w.WriteTextOut(-12, 345, L"Hello");
    tw::CTWJob job;
    EXPECT_TRUE(Write(job, w.Bytes()));
    EXPECT_EQ(observer.ops, Ops{L"TextOut(-12,345:Hello)"});
    ASSERT_EQ(job.TextRuns().size(), 1u);
    const tw::TWTextRun& run = job.TextRuns()[0];
    EXPECT_EQ(run.x, -12);
    EXPECT_EQ(run.y, 345);
    EXPECT_EQ(run.text, L"Hello");
    EXPECT_EQ(run.nChars, 5);
    EXPECT_EQ(run.nWidth, 40);
    EXPECT_EQ(run.aLayoutValues[0], 8);
    EXPECT_EQ(run.aLayoutValues[1], 8);
    EXPECT_EQ(run.aLayoutValues[2], 10);
    EXPECT_EQ(run.addSpace, 2u);  // the default before StartDoc has read the settings
    EXPECT_EQ(run.charWidths, std::vector<DWORD>(5, 0));
}

TEST_F(CommandStreamTest, TextOutRecordsOfOddShapes) {
    auto record = [](DWORD size, std::wstring_view text) {
        ByteVector data(size, 0);
        const LONG xy[2] = {7, 9};
        std::memcpy(data.data(), xy, std::min<size_t>(size, sizeof(xy)));
        if (size > 8) std::memcpy(data.data() + 8, text.data(), std::min<size_t>(size - 8, text.size() * 2));
        return data;
    };
    using namespace std::literals;
    struct Case { DWORD size; std::wstring_view text; BOOL result; const wchar_t* expected; } cases[] = {
        {0, L""sv, FALSE, nullptr},           // no data at all
        {6, L""sv, FALSE, nullptr},           // too short for X and Y
        {8, L""sv, TRUE, L""},                // an empty run
        {15, L"abcd"sv, TRUE, L"abc"},        // the odd trailing byte is ignored
        {16, L"ab\0d"sv, TRUE, L"ab"},        // text ends at the first zero character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        StreamWriter w;
        w.WriteCommand(tw::PORT_CMD_WRITE_TEXT_OUT, record(c.size, c.text));
        tw::CTWJob job;
        EXPECT_EQ(Write(job, w.Bytes()), c.result);
        if (c.expected) {
            ASSERT_EQ(job.TextRuns().size(), 1u);
            EXPECT_EQ(job.TextRuns()[0].text, c.expected);
            EXPECT_EQ(job.TextRuns()[0].nChars, static_cast<int>(wcslen(c.expected)));
        } else {
            EXPECT_TRUE(job.TextRuns().empty());
        }
    }
}

// A failure must not be hidden by what follows it in the same buffer.
TEST_F(CommandStreamTest, FailureEarlierInTheCallIsReturned) {
    StreamWriter bad;
    bad.StartDoc(ByteVector(tw::kDevModeSize - 1, 0));
    StreamWriter textOut;
    textOut.WriteCommand(tw::PORT_CMD_WRITE_TEXT_OUT, ByteVector(8, 0));
    const ByteVector& e = textOut.Bytes();

    auto followedBy = [&](std::span<const BYTE> tail) {
        ByteVector buf = bad.Bytes();
        buf.insert(buf.end(), tail.begin(), tail.end());
        return buf;
    };
    tw::CTWJob job;
    EXPECT_FALSE(Write(job, followedBy({e.data(), 8})));  // then a header incomplete
    EXPECT_TRUE(Write(job, {e.data() + 8, 16}));
    const BYTE garbage[16] = {1, 2, 3};
    EXPECT_FALSE(Write(job, followedBy(garbage)));        // then no command created
    EXPECT_FALSE(Write(job, followedBy(e)));              // then a command that succeeds
    const std::wstring refused = L"Dropped(PORT_CMD_START_DOC)=FALSE";
    EXPECT_EQ(observer.ops, (Ops{refused, L"TextOut(0,0:)", refused, L"Dropped(invalid header)=FALSE", refused,
                                 L"TextOut(0,0:)"}));
}

HGLOBAL WINAPI FailingAlloc(UINT, SIZE_T) { return nullptr; }
int g_allocCalls = 0;
HGLOBAL WINAPI CountingAlloc(UINT flags, SIZE_T bytes) {
    ++g_allocCalls;
    return ::GlobalAlloc(flags, bytes);
}

TEST_F(CommandStreamTest, DataBlockThatCannotBeAllocatedFailsTheCommand) {
    StreamWriter w;
    w.EndPage(ByteVector(64, 3));
    w.EndDoc();
    tw::CTWJob job;
    tw::CPortCmd::SetDataAllocator(&FailingAlloc);
    EXPECT_FALSE(Write(job, w.Bytes()));
    EXPECT_TRUE(observer.ops.empty());  // EndDoc was dropped with the rest of the buffer
    EXPECT_EQ(job.ActiveCommand(), nullptr);
    EXPECT_TRUE(job.HasError());
    EXPECT_NE(job.StatusText().find(L"64"), std::wstring::npos) << job.StatusText();

    tw::CPortCmd::SetDataAllocator(nullptr);
    StreamWriter next;
    next.EndDoc();
    EXPECT_FALSE(Write(job, next.Bytes()));
    EXPECT_EQ(observer.ops, Ops{kEndDocDropped});
}

TEST_F(CommandStreamTest, DataSizeAboveTheLimitIsRefusedAtTheHeader) {
    g_allocCalls = 0;
    tw::CPortCmd::SetDataAllocator(&CountingAlloc);
    {
        StreamWriter w;
        w.WriteHeader(tw::TARNWELL_CMD_FLAG, 16, tw::PORT_CMD_END_PAGE, tw::portcmd::kMaxDataSize + 1);
        w.WriteBytes(ByteVector(32, 0));
        tw::CTWJob job;
        EXPECT_FALSE(Write(job, w.Bytes()));
        EXPECT_EQ(job.ActiveCommand(), nullptr);
        EXPECT_TRUE(job.HasError());
    }
    {
        // Exactly the limit is a command; nothing is allocated before its data arrives.
        StreamWriter w;
        w.WriteHeader(tw::TARNWELL_CMD_FLAG, 16, tw::PORT_CMD_END_PAGE, tw::portcmd::kMaxDataSize);
        tw::CTWJob job;
        EXPECT_TRUE(Write(job, w.Bytes()));
        ASSERT_NE(job.ActiveCommand(), nullptr);
        EXPECT_EQ(job.ActiveCommand()->DataBlock(), nullptr);
        EXPECT_FALSE(job.HasError());
    }
    EXPECT_EQ(g_allocCalls, 0);
    EXPECT_EQ(observer.finished, 2);
}

TEST_F(CommandStreamTest, HeaderCollectorBelongsToTheCallingThread) {
    StreamWriter w;
    w.EndDoc();
    const ByteVector& s = w.Bytes();
    tw::CTWJob mine;
    EXPECT_TRUE(Write(mine, {s.data(), 8}));

    BOOL otherResult = FALSE;
    std::thread other([&] {
        tw::CTWJob theirs;
        otherResult = theirs.WritePort(s.data(), 16, nullptr);
        tw::threadblock::Detach();
    });
    other.join();
    EXPECT_FALSE(otherResult);
    EXPECT_EQ(observer.ops, Ops{kEndDocDropped});

    EXPECT_EQ(HeaderBytesCollected(), 8u);
    EXPECT_FALSE(Write(mine, {s.data() + 8, 8}));
    EXPECT_EQ(observer.ops, (Ops{kEndDocDropped, kEndDocDropped}));
}

TEST(PortCmd, CreateCmdMakesTheClassOfTheType) {
    EXPECT_EQ(tw::CPortCmd::CreateCmd(nullptr), nullptr);
    for (DWORD type = 0; type <= 8; ++type) {
        const tw::PortCmdHeader header{tw::TARNWELL_CMD_FLAG, 16, type, 12};
        auto cmd = tw::CPortCmd::CreateCmd(&header);
        const bool valid = type >= tw::PORT_CMD_FIRST && type <= tw::PORT_CMD_LAST;
        ASSERT_EQ(cmd != nullptr, valid) << type;
        if (!valid) continue;
        EXPECT_EQ(cmd->Type(), type);
        EXPECT_EQ(cmd->DataSize(), 12u);
        EXPECT_EQ(cmd->BytesReceived(), 0u);
        EXPECT_EQ(cmd->DataBlock(), nullptr);
    }
    const tw::PortCmdHeader endPage{tw::TARNWELL_CMD_FLAG, 16, tw::PORT_CMD_END_PAGE, 1};
    EXPECT_NE(dynamic_cast<tw::CPortCmdEndPage*>(tw::CPortCmd::CreateCmd(&endPage).get()), nullptr);
}

TEST(PortCmd, DataArrivesIntactAcrossPieces) {
    const tw::PortCmdHeader header{tw::TARNWELL_CMD_FLAG, 16, tw::PORT_CMD_END_PAGE, 10000};
    auto cmd = tw::CPortCmd::CreateCmd(&header);
    ByteVector data(12000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i * 7 + i / 251);
    size_t pos = 0;
    for (DWORD piece : {1u, 999u, 4096u, 7000u}) {
        DWORD taken = 0;
        ASSERT_TRUE(cmd->ReceiveData(data.data() + pos, piece, &taken));
        pos += taken;
    }
    EXPECT_EQ(pos, 10000u);  // the last piece was cut at the command's end
    ASSERT_TRUE(cmd->HasAllData());
    tw::GlobalLockGuard<BYTE> block(cmd->DataBlock());
    ASSERT_TRUE(block);
    EXPECT_EQ(block.size(), 10000u);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 10000, block.get()));
}

}  // namespace
}  // namespace twtest
