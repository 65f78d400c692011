// Messages to a client's pipe, against real pipe servers: what arrives, and what a client that
// is absent, busy, silent or answers wrongly costs.
#include <gtest/gtest.h>

#include <cstring>

#include "base/UniqueHandle.h"
#include "notify/PipeMessages.h"
#include "notify/RecordingReporter.h"
#include "notify/TestPipeServer.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "support/TestSupport.h"

namespace {

using twtest::TestPipeServer;

std::wstring PipeName(const wchar_t* prefix) { return L"\\\\.\\pipe\\" + twtest::UniqueName(prefix); }

tw::PrnMessageFields Fields(DWORD number) {
    tw::PrnMessageFields f;
    f.number = number;
    f.documentName = L"Letter";
    f.text = L"C:\\out\\letter.tif";
    f.printerName = L"Printer";
    f.pageNumber = 2;
    f.jobId = 17;
    return f;
}

// Short time-outs keep the failing cases quick; the bounds below check that they hold.
constexpr tw::MessagingTimeouts kTimeouts{1500, 400};

TEST(PipeMessages, ANotificationArrivesAsOneRecord) {
    TestPipeServer server(PipeName(L"Note"));
    twtest::RecordingReporter reporter;
    EXPECT_TRUE(tw::SendNotification(Fields(2), {server.Name(), false}, kTimeouts, ::GetTickCount(), reporter));
    ASSERT_TRUE(server.WaitForConnections(1));
    const auto connection = server.Connections()[0];
    ASSERT_EQ(connection.size(), 1u);
    ASSERT_EQ(connection[0].size(), tw::prnmsg::kSize);
    const tw::PrnMessageFields got = tw::ParsePrnMessage(connection[0].data(), connection[0].size());
    EXPECT_EQ(got.number, 2u);
    EXPECT_EQ(got.text, L"C:\\out\\letter.tif");
    EXPECT_EQ(got.jobId, 17u);
    EXPECT_TRUE(reporter.warnings.empty());
}

TEST(PipeMessages, NoClientIsNoErrorForTheMainPipeButIsForAnUploader) {
    twtest::RecordingReporter reporter;
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(tw::SendNotification(Fields(1), {PipeName(L"Absent"), false}, kTimeouts, start, reporter));
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_TRUE(reporter.warnings.empty());
    ASSERT_EQ(reporter.logs.size(), 1u);
    EXPECT_EQ(reporter.logs[0], L"Failed to open pipe. Error 2");

    // An uploader was started to listen: its pipe is looked for until the initial time-out.
    const DWORD uploaderStart = ::GetTickCount();
    tw::SendNotification(Fields(1), {PipeName(L"Uploader"), true}, kTimeouts, uploaderStart, reporter);
    const DWORD took = ::GetTickCount() - uploaderStart;
    EXPECT_GE(took, kTimeouts.initial);
    EXPECT_LT(took, kTimeouts.initial + 1500);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0], L"Initial time-out period expired while waiting for the pipe (message: 1)");
}

TEST(PipeMessages, ANameLeadingToAFileIsNotWrittenTo) {
    const std::wstring dir = twtest::MakeTempDir(L"notapipe");
    const std::wstring file = dir + L"\\victim.txt";
    twtest::WriteFileBytes(file, "keep");
    twtest::RecordingReporter reporter;
    EXPECT_TRUE(tw::SendNotification(Fields(1), {L"\\\\.\\pipe\\..\\" + file, false}, kTimeouts, ::GetTickCount(),
                                     reporter));
    tw::TarnwellDEVMODE dm;
    tw::ExchangeDevMode(Fields(7), dm, L"\\\\.\\pipe\\..\\" + file, false, kTimeouts, ::GetTickCount(), reporter);
    EXPECT_EQ(twtest::ReadFileBytes(file), "keep");
    twtest::RemoveTree(dir);
}

TEST(PipeMessages, ABusyClientCostsTheWaitTimeOut) {
    TestPipeServer server(PipeName(L"Busy"), TestPipeServer::Mode::NeverRead);
    twtest::RecordingReporter reporter;
    // The first message takes the only instance, which is never read.
    EXPECT_TRUE(tw::SendNotification(Fields(1), {server.Name(), false}, kTimeouts, ::GetTickCount(), reporter));
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(tw::SendNotification(Fields(2), {server.Name(), false}, kTimeouts, start, reporter));
    EXPECT_LT(::GetTickCount() - start, kTimeouts.wait + 1000);
    ASSERT_FALSE(reporter.warnings.empty());
    EXPECT_EQ(reporter.warnings.back(), L"Time-out period expired while waiting for the pipe (message: 2)");
}

TEST(PipeMessages, AClientThatLetAMessageTimeOutGetsNoMore) {
    TestPipeServer server(PipeName(L"GivenUp"), TestPipeServer::Mode::NeverRead);
    twtest::RecordingReporter reporter;
    reporter.giveUp = true;
    tw::SendNotification(Fields(1), {server.Name(), false}, kTimeouts, ::GetTickCount(), reporter);
    EXPECT_TRUE(tw::SendNotification(Fields(2), {server.Name(), false}, kTimeouts, ::GetTickCount(), reporter));
    ASSERT_FALSE(reporter.timedOut.empty());
    EXPECT_EQ(reporter.timedOut.back(), server.Name());
    const size_t warnings = reporter.warnings.size();
    // Later messages of the document are not attempted: no wait, no new warning, a log line.
    tw::TarnwellDEVMODE dm;
    EXPECT_TRUE(tw::SendNotification(Fields(3), {server.Name(), false}, kTimeouts, ::GetTickCount(), reporter));
    EXPECT_TRUE(tw::ExchangeDevMode(Fields(7), dm, server.Name(), false, kTimeouts, ::GetTickCount(), reporter));
    EXPECT_EQ(reporter.warnings.size(), warnings);
    ASSERT_GE(reporter.logs.size(), 2u);
    EXPECT_EQ(reporter.logs[reporter.logs.size() - 2], L"Message 3 not sent to " + server.Name() +
                                                          L": the client did not take an earlier one in time");
    // An uploader that stopped listening fails its messages, as when it times out.
    EXPECT_FALSE(tw::SendNotification(Fields(4), {server.Name(), true}, kTimeouts, ::GetTickCount(), reporter));
}

TEST(PipeMessages, TheClientEditsTheDevMode) {
    TestPipeServer server(PipeName(L"Edit"));
    tw::TarnwellDEVMODE dm;
    dm.Write<DWORD>(tw::dmoff::FileFormat, 7);
    tw::TarnwellDEVMODE edited = dm;
    edited.Write<DWORD>(tw::dmoff::FileFormat, 12);
    server.AnswerAfter(tw::prnmsg::kSize + tw::kDevModeSize,
                       std::vector<BYTE>(edited.Bytes(), edited.Bytes() + tw::kDevModeSize));
    twtest::RecordingReporter reporter;
    EXPECT_TRUE(tw::ExchangeDevMode(Fields(7), dm, server.Name(), false, kTimeouts, ::GetTickCount(), reporter));
    EXPECT_EQ(dm.Read<DWORD>(tw::dmoff::FileFormat), 12u);
    EXPECT_TRUE(reporter.warnings.empty());
    ASSERT_TRUE(server.WaitForConnections(1));
    const auto connection = server.Connections()[0];
    ASSERT_EQ(connection.size(), 2u);
    EXPECT_EQ(connection[0].size(), tw::prnmsg::kSize);
    // The client was shown the record as it was.
    ASSERT_EQ(connection[1].size(), tw::kDevModeSize);
    EXPECT_EQ(tw::TarnwellDEVMODE::FromBytes(connection[1].data())->Read<DWORD>(tw::dmoff::FileFormat), 7u);
}

TEST(PipeMessages, ASilentOrWrongDevModeAnswerLeavesTheRecordAlone) {
    tw::TarnwellDEVMODE dm;
    dm.Write<DWORD>(tw::dmoff::FileFormat, 7);
    {
        TestPipeServer server(PipeName(L"Silent"));
        twtest::RecordingReporter reporter;
        const DWORD start = ::GetTickCount();
        EXPECT_TRUE(tw::ExchangeDevMode(Fields(7), dm, server.Name(), false, kTimeouts, start, reporter));
        const DWORD took = ::GetTickCount() - start;
        EXPECT_GE(took + 50, kTimeouts.wait);
        EXPECT_LT(took, kTimeouts.wait + 1000);
        EXPECT_TRUE(reporter.warnings.empty());
    }
    {
        TestPipeServer server(PipeName(L"Short"));
        server.AnswerAfter(tw::prnmsg::kSize + tw::kDevModeSize, std::vector<BYTE>(100, 0xAB));
        twtest::RecordingReporter reporter;
        EXPECT_FALSE(tw::ExchangeDevMode(Fields(7), dm, server.Name(), false, kTimeouts, ::GetTickCount(), reporter));
        ASSERT_EQ(reporter.warnings.size(), 1u);
        EXPECT_EQ(reporter.warnings[0],
                  L"The received data has incorrect size. Expected a TarnwellDEVMODE structure. (DEVMODE message)");
    }
    EXPECT_EQ(dm.Read<DWORD>(tw::dmoff::FileFormat), 7u);
}

TEST(PipeMessages, AClientThatNeverReadsCostsBoundedTime) {
    TestPipeServer server(PipeName(L"Never"), TestPipeServer::Mode::NeverRead);
    tw::TarnwellDEVMODE dm;
    twtest::RecordingReporter reporter;
    const DWORD start = ::GetTickCount();
    tw::ExchangeDevMode(Fields(7), dm, server.Name(), false, kTimeouts, start, reporter);
    tw::SendNotification(Fields(1), {server.Name(), false}, kTimeouts, ::GetTickCount(), reporter);
    // Each step is bounded by the wait time-out: record, DEVMODE, answer; then the busy pipe.
    EXPECT_LT(::GetTickCount() - start, 4 * kTimeouts.wait + 1500);
    EXPECT_FALSE(reporter.warnings.empty());
}

TEST(PipeMessages, AnImageGoesInPiecesOfOneMebibyte) {
    TestPipeServer server(PipeName(L"Image"));
    const DWORD size = 2500000;
    tw::UniqueHGlobal image(::GlobalAlloc(GMEM_MOVEABLE, size));
    ASSERT_TRUE(image);
    {
        tw::GlobalLockGuard<BYTE> bytes(image.get());
        for (DWORD i = 0; i < size; ++i) bytes.get()[i] = static_cast<BYTE>(i * 7);
    }
    tw::PrnMessageFields fields = Fields(8);
    fields.extra = 7;
    twtest::RecordingReporter reporter;
    EXPECT_TRUE(tw::SendMemoryImage(fields, image.get(), {server.Name(), false}, kTimeouts, ::GetTickCount(), reporter));
    ASSERT_TRUE(server.WaitForConnections(1));
    const auto connection = server.Connections()[0];
    std::vector<size_t> sizes;
    for (const auto& m : connection) sizes.push_back(m.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{tw::prnmsg::kSize, 4, 1048576, 1048576, 402848}));
    ASSERT_EQ(connection.size(), 5u);
    DWORD announced = 0;
    std::memcpy(&announced, connection[1].data(), 4);
    EXPECT_EQ(announced, size);
    EXPECT_EQ(tw::ParsePrnMessage(connection[0].data(), connection[0].size()).extra, 7u);
    EXPECT_EQ(connection[4].back(), static_cast<BYTE>((size - 1) * 7));
    EXPECT_TRUE(reporter.warnings.empty());

    EXPECT_FALSE(tw::SendMemoryImage(fields, nullptr, {server.Name(), false}, kTimeouts, ::GetTickCount(), reporter));
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0], L"Could not send image through the pipe. (Memory Image message 1)");
}

TEST(PipeMessages, TextPayloadsCountTheirTerminator) {
    TestPipeServer server(PipeName(L"Text"));
    const wchar_t text[] = L"Hello";
    twtest::RecordingReporter reporter;
    EXPECT_TRUE(tw::SendPayload(Fields(10), reinterpret_cast<const BYTE*>(text), sizeof(text), tw::msgtext::kTextData,
                                tw::msgtext::kTextPayload, {server.Name(), false}, kTimeouts, ::GetTickCount(),
                                reporter));
    ASSERT_TRUE(server.WaitForConnections(1));
    const auto connection = server.Connections()[0];
    ASSERT_EQ(connection.size(), 3u);
    DWORD announced = 0;
    std::memcpy(&announced, connection[1].data(), 4);
    EXPECT_EQ(announced, 12u);
    EXPECT_EQ(std::memcmp(connection[2].data(), text, sizeof(text)), 0);
}

}  // namespace
