#pragma once
// A job on a printer of the simulated spooler, with group files in a temporary directory and the
// event log kept in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/IniFile.h"
#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "job/SettingsTestPrinter.h"
#include "job/TWJob.h"
#include "monitor/EventLog.h"
#include "portcmd/DevModeLayout.h"

namespace twtest {

class JobErrorsFixture : public SettingsPrinter {
protected:
    static constexpr DWORD kJobId = 11;
    static constexpr const wchar_t* kDocument = L"Quarterly report";
    static constexpr const wchar_t* kMissing = L"<missing>";

    void SetUp() override {
        SettingsPrinter::SetUp();
        tw::CTWJob::OverrideDebugSwitch(0);
        dir = MakeTempDir(L"joberr");
        twhost::SimPrinter printer;
        printer.name = name;
        printer.portName = L"TW:";
        ASSERT_TRUE(env.Spooler().AddPrinter(printer));
        twhost::SimJob job;
        job.id = kJobId;
        job.document = kDocument;
        env.Spooler().AddJob(name, job);
    }
    void TearDown() override {
        tw::CTWJob::RestoreDebugSwitch();
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, tw::CEventLog::SourceKeyPath(name.c_str()).c_str());
        RemoveTree(dir);
        SettingsPrinter::TearDown();
    }

    // The job as StartDocPort and the document's DEVMODE leave it.
    void Start(tw::CTWJob& job, bool groupFileDisabled = false) {
        job.SetJobId(kJobId);
        job.SetPrinterName(name.c_str());
        job.SetDocumentName(kDocument);
        twhost::DevModeBuilder b(name);
        b.Record().Write<DWORD>(tw::dmoff::PrinterId, printerId);
        b.Record().SetBits(tw::dmoff::Flags, sizeof(DWORD), tw::dmflag::IsGroupFileDisabled, groupFileDisabled);
        ASSERT_TRUE(job.SetDevMode(b.Record().Bytes(), tw::kDevModeSize, TRUE));
    }

    std::wstring File(const wchar_t* leaf) const { return dir + L"\\" + leaf; }
    // The printer's entry `key` in a group file, kMissing when absent.
    std::wstring Entry(const std::wstring& groupFile, const wchar_t* key) const {
        return tw::IniFile(groupFile).GetString(name.c_str(), key, kMissing);
    }
    std::vector<twhost::EventReport> Reports() {
        std::vector<twhost::EventReport> mine;
        for (auto& r : env.EventLog().Reports())
            if (r.source == name) mine.push_back(r);
        return mine;
    }

    twhost::HostEnvironment env;
    std::wstring dir;
};

}  // namespace twtest
