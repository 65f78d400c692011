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

// A printer, the monitor with ports TWA: and TWB:, and a stream of `pages` demo pages in `format`;
// Print drives one job through a port as the spooler does.
class PortRig {
public:
    PortRig(const wchar_t* name, DWORD format, int pages)
        : m_printer(twtest::UniqueName(name)), m_registry(twtest::UniqueName(L"RigMonitor")), m_devmode(m_printer) {
        twhost::SimPrinter p;
        p.name = m_printer;
        m_ok = m_env.Spooler().AddPrinter(p);
        HANDLE hMonitor = nullptr;
        m_table = InitializePrintMonitor2(m_registry.MonitorInit(), &hMonitor);
        m_ok = m_ok && m_table;
        {
            tw::CsLock lock(tw::CPortList::Instance().Lock());
            tw::CPortList::Instance().Clear();
            tw::CPortList::Instance().AddPortToRegistry(L"TWA:");
            tw::CPortList::Instance().AddPortToRegistry(L"TWB:");
            tw::CPortList::Instance().CreatePortListFromRegistry();
        }
        m_out = twtest::MakeTempDir(L"rigout");
        m_devmode.OutputDirectory(m_out);
        m_devmode.Format(format);
        twhost::StreamWriter writer;
        writer.StartDoc(m_devmode.View());
        // Real pages: they are rendered and written.
        const std::string page = twtest::ReadFileBytes(twtest::RepoFile(L"examples\\page1.emf"));
        m_ok = m_ok && !page.empty();
        for (int i = 0; i < pages; ++i) {
            writer.StartPage(m_devmode.View());
            writer.EndPage(std::vector<BYTE>(page.begin(), page.end()));
        }
        writer.EndDoc();
        m_stream = writer.Bytes();
    }
    ~PortRig() {
        tw::TarnwellDEVMODE dm = m_devmode.Record();
        ::RegDeleteTreeW(HKEY_CURRENT_USER,
                         (std::wstring(tw::settings::kRoot) + L"\\" + tw::settings::PrinterRegistryName(&dm)).c_str());
        {
            tw::CsLock lock(tw::CPortList::Instance().Lock());
            tw::CPortList::Instance().Clear();
        }
        tw::module::SetMonitorInit(nullptr);
        m_registry.DeleteKey();
        twtest::RemoveTree(m_out);
    }
    bool Ready() const { return m_ok; }

    void Print(const wchar_t* port, DWORD jobId) {
        twhost::SimJob job;
        job.id = jobId;
        m_env.Spooler().AddJob(m_printer, job);
        HANDLE h = nullptr;
        ASSERT_TRUE(m_table->pfnOpenPort(nullptr, const_cast<LPWSTR>(port), &h));
        DOC_INFO_1W doc{const_cast<LPWSTR>(L"doc"), nullptr, nullptr};
        ASSERT_TRUE(m_table->pfnStartDocPort(h, const_cast<LPWSTR>(m_printer.c_str()), jobId, 1,
                                             reinterpret_cast<BYTE*>(&doc)));
        for (size_t done = 0; done < m_stream.size(); done += 512) {
            DWORD written = 0;
            DWORD cb = static_cast<DWORD>(std::min<size_t>(512, m_stream.size() - done));
            m_table->pfnWritePort(h, const_cast<BYTE*>(m_stream.data() + done), cb, &written);
        }
        m_table->pfnEndDocPort(h);
        m_table->pfnClosePort(h);
    }

private:
    twhost::HostEnvironment m_env;
    std::wstring m_printer;
    twhost::MonitorRegistry m_registry;
    twhost::DevModeBuilder m_devmode;
    LPMONITOR2 m_table = nullptr;
    std::wstring m_out;
    std::vector<BYTE> m_stream;
    bool m_ok = false;
};

TEST(JobLifecycle, TwoDocumentsOnTwoPortsAtOnceGetDistinctNumbers) {
    PortRig rig(L"TwoJobs", 0, 1);
    ASSERT_TRUE(rig.Ready());
    DocumentNumbers observer;
    tw::SetJobObserver(&observer);
    std::thread a([&] { rig.Print(L"TWA:", 11); }), b([&] { rig.Print(L"TWB:", 12); });
    a.join();
    b.join();
    tw::SetJobObserver(nullptr);

    EXPECT_EQ(observer.finishedOk, 2);
    ASSERT_EQ(observer.numbers.size(), 2u);
    EXPECT_NE(*observer.numbers.begin(), *observer.numbers.rbegin());
    EXPECT_GE(*observer.numbers.begin(), 1u);
}

// Whether the TIFF library is loaded at each page after the first.
class LibraryAtPages : public tw::IJobObserver {
public:
    void OnJobOperation(const tw::CTWJob&, const wchar_t* operation, const wchar_t*, BOOL) override {
        if (std::wstring(operation) == L"StartPage" && ++m_pages > 1)
            loadedAtLaterPages.push_back(::GetModuleHandleW(L"TIFF32.DLL") != nullptr);
    }
    void OnJobFinished(const tw::CTWJob& job) override { finishedOk = !job.HasError(); }
    std::vector<bool> loadedAtLaterPages;
    bool finishedOk = false;
private:
    int m_pages = 0;
};

TEST(JobLifecycle, WriterLibraryStaysLoadedForTheJobAndGoesWithIt) {
    PortRig rig(L"KeepTiff", 7, 3);
    ASSERT_TRUE(rig.Ready());
    ASSERT_EQ(::GetModuleHandleW(L"TIFF32.DLL"), nullptr);
    LibraryAtPages observer;
    tw::SetJobObserver(&observer);
    rig.Print(L"TWA:", 21);
    tw::SetJobObserver(nullptr);
    EXPECT_TRUE(observer.finishedOk);
    // One file a page: without the job's hold the library was loaded and freed for each.
    EXPECT_EQ(observer.loadedAtLaterPages, std::vector<bool>({true, true}));
    EXPECT_EQ(::GetModuleHandleW(L"TIFF32.DLL"), nullptr);
}

}  // namespace
