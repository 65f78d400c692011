#include "host/StreamFuzz.h"

#include <algorithm>
#include <cstring>

#include "base/Registry.h"
#include "base/WideString.h"
#include "host/DevModeBuilder.h"
#include "host/StreamReader.h"
#include "job/JobObserver.h"
#include "job/TWJob.h"
#include "monitor/Exports.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/PortCmdLayout.h"

namespace twhost {
namespace {

constexpr wchar_t kStatusFinished[] = L"Printing finished successfully";
constexpr wchar_t kPortListKey[] = L"PortList";
constexpr size_t kMaxPages = 12;

// The data of a listed command, as far as the stream holds it.
std::span<const BYTE> DataOf(std::span<const BYTE> stream, const StreamCommand& cmd) {
    return stream.subspan(cmd.offset + tw::portcmd::kHeaderSize, cmd.dataAvailable);
}

// A driver of this printer never asks for a client application to be started: such a record
// would make every job wait for one, which tells nothing about the stream.
void ClearStartFlags(ByteVector& stream) {
    const StreamListing listing = ReadStream(stream);
    for (const StreamCommand& cmd : listing.commands) {
        if (cmd.type != tw::PORT_CMD_START_DOC && cmd.type != tw::PORT_CMD_START_PAGE) continue;
        if (cmd.dataAvailable < tw::dmoff::StartFlags + sizeof(DWORD)) continue;
        std::fill_n(stream.begin() + static_cast<std::ptrdiff_t>(cmd.offset + tw::portcmd::kHeaderSize +
                                                                 tw::dmoff::StartFlags),
                    sizeof(DWORD), BYTE{0});
    }
}

}  // namespace

StreamOracle JudgeStream(std::span<const BYTE> stream, std::span<const BYTE> devmode) {
    StreamOracle o;
    const StreamListing listing = ReadStream(stream);
    o.commands = static_cast<DWORD>(listing.commands.size());
    o.devModesIntact = true;
    bool started = false, ended = false, pageOpen = false, ordered = true;
    for (const StreamCommand& cmd : listing.commands) {
        const bool whole = cmd.dataAvailable == cmd.dataSize;
        switch (cmd.type) {
        case tw::PORT_CMD_START_DOC:
        case tw::PORT_CMD_START_PAGE: {
            const auto data = DataOf(stream, cmd);
            if (cmd.dataSize != tw::kDevModeSize || !whole) {
                ordered = false;
                o.devModesIntact = false;
                break;
            }
            if (!std::equal(data.begin(), data.end(), devmode.begin(), devmode.end())) o.devModesIntact = false;
            if (cmd.type == tw::PORT_CMD_START_DOC) {
                if (started) ordered = false;
                started = true;
            } else {
                if (!started || ended || pageOpen) ordered = false;
                pageOpen = true;
            }
            break;
        }
        case tw::PORT_CMD_END_PAGE:
        case tw::PORT_CMD_END_PAGE_RAW:
            if (!pageOpen || ended || cmd.dataSize == 0 || !whole) ordered = false;
            else ++o.pages;
            pageOpen = false;
            break;
        case tw::PORT_CMD_WRITE_TEXT_OUT:
            if (cmd.dataSize < tw::portcmd::kTextOffset || !whole) ordered = false;
            break;
        case tw::PORT_CMD_END_DOC:
            if (!started || ended || pageOpen || !whole) ordered = false;
            ended = true;
            break;
        default:
            ordered = false;
        }
    }
    o.wellFormed = ordered && started && ended && listing.end == StreamEnd::Complete;
    return o;
}

ByteVector FuzzDevMode(const std::wstring& printer, const std::wstring& outDir) {
    DevModeBuilder dm(printer.substr(0, CCHDEVICENAME - 1));
    dm.Format(0).Dpi(100, 100).PaperSize(500, 500).OutputDirectory(outDir);
    dm.UpdatePagePixels();
    return dm.Bytes();
}

ByteVector SmallEmfPage() {
    HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    if (!dc) return {};
    ::Rectangle(dc, 10, 10, 150, 120);
    ::Ellipse(dc, 40, 40, 180, 160);
    ::MoveToEx(dc, 0, 0, nullptr);
    ::LineTo(dc, 190, 190);
    ::TextOutW(dc, 20, 20, L"Fuzz", 4);
    tw::UniqueEnhMetaFile emf(::CloseEnhMetaFile(dc));
    const UINT size = emf ? ::GetEnhMetaFileBits(emf.get(), 0, nullptr) : 0;
    ByteVector bytes(size);
    if (size == 0 || ::GetEnhMetaFileBits(emf.get(), size, bytes.data()) != size) return {};
    return bytes;
}

ByteVector SmallRawPage() {
    constexpr LONG kSide = 64;
    constexpr DWORD kStride = 8;  // 64 bits, already a multiple of 32
    BITMAPINFOHEADER h{};
    h.biSize = sizeof(h);
    h.biWidth = kSide;
    h.biHeight = kSide;
    h.biPlanes = 1;
    h.biBitCount = 1;
    h.biClrUsed = 2;
    h.biSizeImage = kStride * kSide;
    h.biXPelsPerMeter = h.biYPelsPerMeter = 3937;
    ByteVector dib(sizeof(h) + 2 * sizeof(RGBQUAD) + h.biSizeImage, 0);
    std::memcpy(dib.data(), &h, sizeof(h));
    const RGBQUAD palette[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    std::memcpy(dib.data() + sizeof(h), palette, sizeof(palette));
    BYTE* bits = dib.data() + sizeof(h) + sizeof(palette);
    for (LONG y = 0; y < kSide; ++y)
        for (DWORD x = 0; x < kStride; ++x) bits[y * kStride + x] = (y / 8 + x) % 2 ? 0xFF : 0x0F;
    return dib;
}

StreamFuzzer::StreamFuzzer(unsigned seed, ByteVector devmode, ByteVector emf, ByteVector dib)
    : m_rng(seed), m_devmode(std::move(devmode)), m_emf(std::move(emf)), m_dib(std::move(dib)) {}

ByteVector StreamFuzzer::Document() {
    StreamWriter w;
    w.StartDoc(m_devmode);
    for (size_t page = 0, pages = Pick(1, kMaxPages); page < pages; ++page) {
        w.StartPage(m_devmode);
        for (size_t runs = Pick(0, 2); runs > 0; --runs)
            w.WriteTextOut(static_cast<LONG>(Pick(0, 500)), static_cast<LONG>(Pick(0, 500)), L"fuzz text");
        if (Pick(0, 2) == 0) w.EndPageRaw(m_dib);
        else w.EndPage(m_emf, Pick(0, 4) == 0);
    }
    w.EndDoc();
    return w.Bytes();
}

ByteVector StreamFuzzer::Mutate(const ByteVector& doc, std::string& what) {
    ByteVector s = doc;
    const StreamListing listing = ReadStream(doc);
    const auto& cmds = listing.commands;
    auto command = [&](size_t i) {
        const size_t end = i + 1 < cmds.size() ? cmds[i + 1].offset : doc.size();
        return ByteVector(doc.begin() + static_cast<std::ptrdiff_t>(cmds[i].offset),
                          doc.begin() + static_cast<std::ptrdiff_t>(end));
    };
    auto header = [&](size_t i, size_t field) { return cmds[i].offset + field; };
    auto put = [&](size_t at, DWORD value) {
        if (at + sizeof(value) <= s.size()) std::memcpy(s.data() + at, &value, sizeof(value));
    };
    const size_t c = Pick(0, cmds.size() - 1);
    switch (Pick(0, 9)) {
    case 0:
        what = "valid";
        break;
    case 1: {
        const size_t flips = Pick(1, 8);
        what = "bit flips x" + std::to_string(flips);
        for (size_t i = 0; i < flips; ++i) s[Pick(0, s.size() - 1)] ^= static_cast<BYTE>(1u << Pick(0, 7));
        break;
    }
    case 2:
        s.resize(Pick(0, s.size() - 1));
        what = "truncated at " + std::to_string(s.size());
        break;
    case 3: {
        // A size that lies: one off, zero, a little or much more, or anything.
        const DWORD size = cmds[c].dataSize;
        const DWORD lies[] = {size + 1, size - 1, 0, size * 2 + 1, static_cast<DWORD>(m_rng()), size + 16};
        put(header(c, tw::portcmd::kDataSizeOffset), lies[Pick(0, std::size(lies) - 1)]);
        what = "lying size of command " + std::to_string(c);
        break;
    }
    case 4: {
        // The header's other fields: a wrong flag, header size or type (0, 7 or any).
        const size_t field = Pick(0, 2);
        const DWORD values[] = {tw::TARNWELL_CMD_FLAG ^ 1u, 15, static_cast<DWORD>(Pick(0, 8))};
        put(header(c, field * sizeof(DWORD)), values[field]);
        what = "header field " + std::to_string(field) + " of command " + std::to_string(c);
        break;
    }
    case 5:
    case 6: {
        // Commands swapped with the next, duplicated or removed.
        s.clear();
        const size_t kind = Pick(0, 2);
        for (size_t i = 0; i < cmds.size(); ++i) {
            if (kind == 0 && i == c && i + 1 < cmds.size()) {
                const ByteVector next = command(i + 1), self = command(i);
                s.insert(s.end(), next.begin(), next.end());
                s.insert(s.end(), self.begin(), self.end());
                ++i;
                continue;
            }
            const ByteVector self = command(i);
            if (kind == 2 && i == c) continue;
            s.insert(s.end(), self.begin(), self.end());
            if (kind == 1 && i == c) s.insert(s.end(), self.begin(), self.end());
        }
        const char* names[] = {"swapped", "duplicated", "removed"};
        what = std::string(names[kind]) + " command " + std::to_string(c);
        break;
    }
    case 7: {
        const size_t at = Pick(0, s.size() - 1), n = Pick(1, 64);
        for (size_t i = at; i < std::min(s.size(), at + n); ++i) s[i] = static_cast<BYTE>(m_rng());
        what = "random bytes at " + std::to_string(at);
        break;
    }
    case 8: {
        const size_t at = Pick(0, s.size()), n = Pick(1, 40);
        ByteVector junk(n);
        for (BYTE& b : junk) b = static_cast<BYTE>(m_rng());
        s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), junk.begin(), junk.end());
        what = "random bytes inserted at " + std::to_string(at);
        break;
    }
    default: {
        s.resize(Pick(1, 4096));
        for (BYTE& b : s) b = static_cast<BYTE>(m_rng());
        what = "random stream";
        break;
    }
    }
    ClearStartFlags(s);
    return s;
}

std::vector<size_t> StreamFuzzer::Chunks(size_t total) {
    std::vector<size_t> pieces;
    const size_t style = Pick(0, 3);
    for (size_t pos = 0; pos < total;) {
        size_t n = style == 0 ? 4096 : style == 1 ? Pick(1, 32) : style == 2 ? Pick(1, 9000) : total;
        n = std::min(n, total - pos);
        pieces.push_back(n);
        pos += n;
    }
    return pieces;
}

FuzzCase StreamFuzzer::Next() {
    FuzzCase c;
    c.stream = Mutate(Document(), c.mutation);
    c.chunks = Chunks(c.stream.size());
    return c;
}

class MonitorPortRunner::Recorder final : public tw::IJobObserver {
public:
    void OnJobOperation(const tw::CTWJob&, const wchar_t*, const wchar_t*, BOOL) override {}
    void OnJobFinished(const tw::CTWJob& job) override {
        verdict.seen = true;
        verdict.failed = job.HasError();
        verdict.status = job.StatusText();
        verdict.outputPages = job.OutputPageNumber();
        verdict.files = job.WrittenFiles();
    }
    JobVerdict verdict;
};

MonitorPortRunner::MonitorPortRunner(const std::wstring& monitorName, const std::wstring& port,
                                     const std::wstring& printer, const std::wstring& plugin)
    : m_registry(monitorName), m_recorder(std::make_unique<Recorder>()), m_port(port), m_printer(printer) {
    if (!m_registry.valid()) {
        m_error = L"cannot open the monitor's registry key";
        return;
    }
    // The port as an installer leaves it: a value of the "PortList" key.
    tw::UniqueHKey list = tw::CreateKey(m_registry.Root(), kPortListKey);
    ::RegSetValueExW(list.get(), port.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L" "), sizeof(wchar_t));
    HANDLE monitor = nullptr;
    m_table = InitializePrintMonitor2(m_registry.MonitorInit(), &monitor);
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    m_dataFile = std::wstring(temp) + L"fuzz-" + tw::CleanObjectName(printer) + L".ini";
    ::WritePrivateProfileStringW(L"Default Settings", L"Plugin Filename", plugin.c_str(), m_dataFile.c_str());
    SimPrinter p;
    p.name = printer;
    p.portName = port;
    p.driverName = L"Tarnwell Printer Driver";
    p.dataFile = m_dataFile;
    DWORD needed = 0, returned = 0;
    // The port list is read from the registry on its first enumeration.
    if (m_table) m_table->pfnEnumPorts(nullptr, nullptr, 1, nullptr, 0, &needed, &returned);
    if (!m_table) m_error = L"InitializePrintMonitor2 returned no table";
    else if (!m_host.Spooler().AddPrinter(p)) m_error = L"cannot set up the simulated printer";
    tw::SetJobObserver(m_recorder.get());
}

MonitorPortRunner::~MonitorPortRunner() {
    tw::SetJobObserver(nullptr);
    m_registry.DeleteKey();
    ::DeleteFileW(m_dataFile.c_str());
}

bool MonitorPortRunner::Ready(std::wstring& error) const {
    error = m_error;
    return m_error.empty();
}

JobVerdict MonitorPortRunner::Run(const FuzzCase& c, DWORD jobId) {
    m_recorder->verdict = JobVerdict{};
    SimJob job;
    job.id = jobId;
    job.document = L"Fuzz";
    job.size = static_cast<DWORD>(c.stream.size());
    if (m_host.Spooler().AddJob(m_printer, job) != jobId) return {};
    HANDLE port = nullptr;
    if (!m_table->pfnOpenPort(nullptr, const_cast<LPWSTR>(m_port.c_str()), &port)) return {};
    DOC_INFO_1W info{const_cast<LPWSTR>(L"Fuzz"), nullptr, nullptr};
    if (m_table->pfnStartDocPort(port, const_cast<LPWSTR>(m_printer.c_str()), jobId, 1,
                                 reinterpret_cast<BYTE*>(&info))) {
        size_t pos = 0;
        for (size_t n : c.chunks) {
            DWORD written = 0;
            m_table->pfnWritePort(port, const_cast<BYTE*>(c.stream.data() + pos), static_cast<DWORD>(n), &written);
            pos += n;
        }
        m_table->pfnEndDocPort(port);
    }
    m_table->pfnClosePort(port);
    m_host.Spooler().FinishJob(jobId);
    return m_recorder->verdict;
}

std::string CheckVerdict(const StreamOracle& oracle, const JobVerdict& verdict) {
    if (!verdict.seen) return "the job never ended";
    const bool success = verdict.status == kStatusFinished;
    if (success == verdict.failed) return "status and failure disagree: " + tw::ToUtf8(verdict.status);
    if (verdict.failed) return "";
    if (!oracle.wellFormed) return "a damaged stream reported as success";
    // A document without pages still gives one, empty.
    const DWORD pages = std::max<DWORD>(oracle.pages, 1);
    if (verdict.outputPages != pages)
        return "success with " + std::to_string(verdict.outputPages) + " of " + std::to_string(pages) + " pages";
    for (const std::wstring& file : verdict.files) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data))
            return "success, but written file is missing: " + tw::ToUtf8(file);
        if (data.nFileSizeLow == 0 && data.nFileSizeHigh == 0) return "success, but written file is empty: " + tw::ToUtf8(file);
    }
    // With the document's own records every page has its own file.
    if (oracle.devModesIntact && verdict.files.size() != pages)
        return "success with " + std::to_string(verdict.files.size()) + " files for " + std::to_string(pages) + " pages";
    return "";
}

}  // namespace twhost
