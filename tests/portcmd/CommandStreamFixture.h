#pragma once
// Shared by the command stream tests: an observer that records what the job does, a fixture
// that installs it with a clean header collector, and small stream builders.
#include <windows.h>

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "host/StreamWriter.h"
#include "job/JobObserver.h"
#include "job/TWJob.h"
#include "monitor/ThreadBlock.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/PortCmd.h"

namespace twtest {

// Each operation as "Name(detail)", with "=FALSE" appended when it failed.
class RecordingObserver : public tw::IJobObserver {
public:
    void OnJobOperation(const tw::CTWJob&, const wchar_t* operation, const wchar_t* detail, BOOL result) override {
        // Only the operations the commands drive; what the job does inside them is not the stream's.
        const std::wstring_view op(operation);
        if (op == L"Plugin" || op == L"StatusMessage") return;
        std::wstring entry = std::wstring(operation) + L"(" + detail + L")";
        if (!result) entry += L"=FALSE";
        ops.push_back(entry);
    }
    void OnJobFinished(const tw::CTWJob&) override { ++finished; }

    std::vector<std::wstring> ops;
    int finished = 0;
};

class CommandStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        tw::threadblock::ResetHeaderCollector();
        tw::SetJobObserver(&observer);
    }
    void TearDown() override {
        tw::SetJobObserver(nullptr);
        tw::CPortCmd::SetDataAllocator(nullptr);
        tw::threadblock::ResetHeaderCollector();
    }

    // Writes the bytes in one WritePort call; checks that the whole buffer was consumed.
    static BOOL Write(tw::CTWJob& job, std::span<const BYTE> bytes) {
        DWORD done = 0xFFFFFFFF;
        const BOOL result = job.WritePort(bytes.data(), static_cast<DWORD>(bytes.size()), &done);
        EXPECT_EQ(done, bytes.size());
        return result;
    }

    static std::vector<BYTE> DevMode(BYTE fill = 0) { return std::vector<BYTE>(tw::kDevModeSize, fill); }

    RecordingObserver observer;
};

// The job's DEVMODE bytes; empty when it has none.
inline std::vector<BYTE> JobDevMode(const tw::CTWJob& job) {
    const tw::TarnwellDEVMODE* dm = job.DevMode();
    return dm ? std::vector<BYTE>(dm->Bytes(), dm->Bytes() + tw::kDevModeSize) : std::vector<BYTE>();
}

inline DWORD HeaderBytesCollected() {
    tw::ThreadBlock* block = tw::threadblock::Current();
    return block ? block->cbHeaderCollected : 0;
}

}  // namespace twtest
