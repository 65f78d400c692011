// The job's lifecycle through the port as the spooler drives it: document names, and two
// documents printing at once on two ports.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <thread>

#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "host/MonitorRegistry.h"
#include "host/StreamWriter.h"
#include "job/DocumentName.h"
#include "job/JobObserver.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Exports.h"
#include "monitor/MonitorModule.h"
#include "monitor/PortList.h"
#include "support/TestSupport.h"

namespace {

TEST(DocumentName, ApplicationNamesAndPathsAreCleaned) {
    EXPECT_EQ(tw::CleanDocumentName(L"Microsoft Word - Letter.docx [Compatibility Mode]"), L"Letter.docx");
    EXPECT_EQ(tw::CleanDocumentName(L"notes.txt - Notepad"), L"notes");
    EXPECT_EQ(tw::CleanDocumentName(L"Visio-Plan Visio-B"), L"Plan Visio-B");
    EXPECT_EQ(tw::CleanDocumentName(L"Report.pdf"), L"Report");
    EXPECT_EQ(tw::CleanDocumentName(L"C:\\Users\\x\\Report 7"), L"Report 7");
    EXPECT_EQ(tw::CleanDocumentName(L"\\\\server\\share\\Scan"), L"Scan");
    // Only paths that start like paths lose their folders.
    EXPECT_EQ(tw::CleanDocumentName(L"Q3\\Q4 figures"), L"Q3\\Q4 figures");
    EXPECT_EQ(tw::CleanDocumentName(L""), L"");
}

class DocumentNumbers : public tw::IJobObserver {
public:
    void OnJobOperation(const tw::CTWJob&, const wchar_t*, const wchar_t*, BOOL) override {}
    void OnJobFinished(const tw::CTWJob& job) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        numbers.insert(job.DocumentNumber());
        finishedOk += job.HasError() ? 0 : 1;
    }
    std::mutex m_mutex;
    std::multiset<DWORD> numbers;
    int finishedOk = 0;
};

TEST(JobLifecycle, TwoDocumentsOnTwoPortsAtOnceGetDistinctNumbers) {
    twhost::HostEnvironment env;
    const std::wstring printer = twtest::UniqueName(L"TwoJobs");
    twhost::SimPrinter p;
    p.name = printer;
    ASSERT_TRUE(env.Spooler().AddPrinter(p));
    twhost::MonitorRegistry registry(twtest::UniqueName(L"TwoJobsMonitor"));
    HANDLE hMonitor = nullptr;
    LPMONITOR2 table = InitializePrintMonitor2(registry.MonitorInit(), &hMonitor);
    ASSERT_NE(table, nullptr);
    {
        tw::CsLock lock(tw::CPortList::Instance().Lock());
        tw::CPortList::Instance().Clear();
        tw::CPortList::Instance().AddPortToRegistry(L"TWA:");
        tw::CPortList::Instance().AddPortToRegistry(L"TWB:");
        tw::CPortList::Instance().CreatePortListFromRegistry();
    }

    twhost::DevModeBuilder devmode(printer);
    const std::wstring out = twtest::MakeTempDir(L"twojobs");
    devmode.OutputDirectory(out);
    twhost::StreamWriter writer;
    writer.StartDoc(devmode.View());
    writer.StartPage(devmode.View());
    // A real page: both documents are rendered and written while the other one runs.
    wchar_t self[MAX_PATH * 2];
    std::wstring root(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH * 2));
    for (int i = 0; i < 3; ++i) root.erase(root.find_last_of(L"\\/"));
    const std::string page = twtest::ReadFileBytes(root + L"\\examples\\page1.emf");
    ASSERT_FALSE(page.empty());
    writer.EndPage(std::vector<BYTE>(page.begin(), page.end()));
    writer.EndDoc();
    const std::vector<BYTE> stream = writer.Bytes();

    DocumentNumbers observer;
    tw::SetJobObserver(&observer);
    auto print = [&](const wchar_t* port, DWORD jobId) {
        twhost::SimJob job;
        job.id = jobId;
        env.Spooler().AddJob(printer, job);
        HANDLE h = nullptr;
        ASSERT_TRUE(table->pfnOpenPort(nullptr, const_cast<LPWSTR>(port), &h));
        DOC_INFO_1W doc{const_cast<LPWSTR>(L"doc"), nullptr, nullptr};
        ASSERT_TRUE(table->pfnStartDocPort(h, const_cast<LPWSTR>(printer.c_str()), jobId, 1,
                                           reinterpret_cast<BYTE*>(&doc)));
        for (size_t done = 0; done < stream.size(); done += 512) {
            DWORD written = 0;
            DWORD cb = static_cast<DWORD>(std::min<size_t>(512, stream.size() - done));
            table->pfnWritePort(h, const_cast<BYTE*>(stream.data() + done), cb, &written);
        }
        table->pfnEndDocPort(h);
        table->pfnClosePort(h);
    };
    std::thread a(print, L"TWA:", 11), b(print, L"TWB:", 12);
    a.join();
    b.join();
    tw::SetJobObserver(nullptr);

    EXPECT_EQ(observer.finishedOk, 2);
    ASSERT_EQ(observer.numbers.size(), 2u);
    EXPECT_NE(*observer.numbers.begin(), *observer.numbers.rbegin());
    EXPECT_GE(*observer.numbers.begin(), 1u);

    tw::TarnwellDEVMODE dm = devmode.Record();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(tw::settings::kRoot) + L"\\" + tw::settings::PrinterRegistryName(&dm)).c_str());
    {
        tw::CsLock lock(tw::CPortList::Instance().Lock());
        tw::CPortList::Instance().Clear();
    }
    tw::module::SetMonitorInit(nullptr);
    registry.DeleteKey();
    twtest::RemoveTree(out);
}

}  // namespace
