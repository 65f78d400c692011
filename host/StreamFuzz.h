#pragma once
// A seeded fuzzer of the driver's command stream. Whole documents made by the stream writer are
// damaged as a faulty driver, spooler or disk would damage them (bit flips, truncation, lying
// sizes, swapped, duplicated or removed commands, random bytes, random WritePort pieces), sent
// through the real monitor in this process, and judged by what the stream itself allows: a job
// may report success only for a whole document, and then with every page the document holds.
#include <windows.h>

#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/MonitorRegistry.h"
#include "host/StreamWriter.h"

namespace twhost {

// What a stream allows a job to report, read the way the monitor reads it when the stream
// arrives in one piece.
struct StreamOracle {
    // START_DOC, then pages (START_PAGE, text runs, a page with data), then END_DOC, with every
    // record whole and of a valid size, and nothing after.
    bool wellFormed = false;
    // Every DEVMODE of the stream is the one the document was made with.
    bool devModesIntact = false;
    DWORD pages = 0;  // pages with data inside the document
    DWORD commands = 0;  // commands the stream holds, whole or not
};
StreamOracle JudgeStream(std::span<const BYTE> stream, std::span<const BYTE> devmode);

struct FuzzCase {
    ByteVector stream;
    std::vector<size_t> chunks;  // WritePort sizes, adding up to the stream's size
    std::string mutation;        // what was done to the document, for the log
};

// The fuzzer's documents are small, so that a run covers many of them: a record for BMP pages
// of 5 by 5 cm at 100 dpi written to `outDir`, a page of a few shapes and a line of text, and a
// 1-bit raw page.
ByteVector FuzzDevMode(const std::wstring& printer, const std::wstring& outDir);
ByteVector SmallEmfPage();
ByteVector SmallRawPage();

class StreamFuzzer {
public:
    // `devmode` is every record of the documents; `emf` and `dib` are an EMF page and the packed
    // DIB of a raw page.
    StreamFuzzer(unsigned seed, ByteVector devmode, ByteVector emf, ByteVector dib);
    FuzzCase Next();
    const ByteVector& DevMode() const { return m_devmode; }

private:
    ByteVector Document();
    ByteVector Mutate(const ByteVector& document, std::string& what);
    std::vector<size_t> Chunks(size_t total);
    size_t Pick(size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(m_rng); }

    std::mt19937 m_rng;
    ByteVector m_devmode, m_emf, m_dib;
};

// What the monitor made of one job.
struct JobVerdict {
    bool seen = false;  // a job existed and ended
    bool failed = false;
    std::wstring status;
    DWORD outputPages = 0;
    std::vector<std::wstring> files;  // the files the job wrote
};

// The monitor as the spooler drives it: InitializePrintMonitor2 on a registry root of its own,
// one port, and each case one job through OpenPort, StartDocPort, WritePort per piece,
// EndDocPort and ClosePort, on a simulated printer.
class MonitorPortRunner {
public:
    // `plugin` is the "Plugin Filename" of the driver's data file (none by default).
    MonitorPortRunner(const std::wstring& monitorName, const std::wstring& port, const std::wstring& printer,
                      const std::wstring& plugin = L"");
    ~MonitorPortRunner();
    MonitorPortRunner(const MonitorPortRunner&) = delete;
    MonitorPortRunner& operator=(const MonitorPortRunner&) = delete;

    // False with a reason when the monitor or its port could not be set up.
    bool Ready(std::wstring& error) const;
    JobVerdict Run(const FuzzCase& c, DWORD jobId);

private:
    class Recorder;
    HostEnvironment m_host;
    MonitorRegistry m_registry;
    std::unique_ptr<Recorder> m_recorder;
    std::wstring m_port, m_printer, m_dataFile;
    LPMONITOR2 m_table = nullptr;
    std::wstring m_error;
};

// Empty when the outcome is sound for the stream; else what is wrong.
std::string CheckVerdict(const StreamOracle& oracle, const JobVerdict& verdict);

}  // namespace twhost
