#include "notify/ForwardingRecords.h"

#include <algorithm>
#include <cstring>

#include "annotate/BatesNumbering.h"
#include "base/WideString.h"
#include "job/JobOptions.h"
#include "job/SettingsStore.h"
#include "monitor/DebugLog.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"
#include "notify/PostPrintRecord.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw::forwarding {
namespace {

constexpr wchar_t kStartWriter[] = L"WriteStartDocForPrinterForwardingToRegistry";
constexpr wchar_t kPageWriter[] = L"WritePrinterForwardingDataToRegistry";
constexpr wchar_t kNoRedirectWriter[] = L"WriteNoRedirectMsgForPrinterForwardingToRegistry";
constexpr wchar_t kEndWriter[] = L"WriteEndDocForPrinterForwardingToRegistry";
constexpr wchar_t kLogSetFailed[] = L"%s: Error set '%s' value. Error: %d";
constexpr wchar_t kLogAborted[] = L"%s: record %s reads 'Abort'; left alone";
constexpr wchar_t kSaveAsGroupFormat[] = L"%s\\Save As Option Settings\\%lu";
constexpr wchar_t kRedirectGroupFormat[] = L"%s\\Redirect Printing Settings";
constexpr DWORD kJobRecord = 0;
constexpr DWORD kMinSettingsCopies = 2;

// Writes values one after another; after the first failure nothing more is written.
class RecordWriter {
public:
    RecordWriter(HKEY key, const wchar_t* writer) : m_key(key), m_writer(writer) {}
    RecordWriter& Value(const wchar_t* name, DWORD type, const void* data, DWORD cb) {
        if (!m_ok) return *this;
        const LSTATUS status = ::RegSetValueExW(m_key, name, 0, type, static_cast<const BYTE*>(data), cb);
        if (status != ERROR_SUCCESS) {
            MessageCaptureLog().print(diag::kLevelError, kLogSetFailed, m_writer, name, static_cast<int>(status));
            m_ok = false;
        }
        return *this;
    }
    RecordWriter& Text(const wchar_t* name, const std::wstring& text) {
        return Value(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    // A text in a field of a fixed number of bytes: cut, and padded with zeros.
    RecordWriter& FixedText(const wchar_t* name, const std::wstring& text) {
        BYTE field[kFixedTextBytes] = {};
        std::memcpy(field, text.data(), std::min<size_t>(text.size() * sizeof(wchar_t), sizeof(field)));
        return Value(name, REG_SZ, field, sizeof(field));
    }
    RecordWriter& Dword(const wchar_t* name, DWORD value) { return Value(name, REG_DWORD, &value, sizeof(value)); }
    // "Ready" and its kin: the characters alone.
    RecordWriter& Handshake(const wchar_t* name, const std::wstring& text) {
        if (!m_ok) return *this;
        const LSTATUS status = postprint::SetTextWithoutTerminator(m_key, name, text);
        if (status != ERROR_SUCCESS) {
            MessageCaptureLog().print(diag::kLevelError, kLogSetFailed, m_writer, name, static_cast<int>(status));
            m_ok = false;
        }
        return *this;
    }
    bool ok() const { return m_ok; }

private:
    HKEY m_key;
    const wchar_t* m_writer;
    bool m_ok = true;
};

// The record's key, created; none when it cannot be, or when its reader wrote "Abort".
UniqueHKey OpenRecord(const ForwardingJob& job, DWORD sequence, const wchar_t* writer) {
    const std::wstring group = RecordGroupFormat(job.postPrintId, sequence);
    UniqueHKey key = postprint::CreateRecordKey(job.dm, group, writer);
    if (key && postprint::IsAborted(key.get())) {
        MessageCaptureLog().print(diag::kLevelInfo, kLogAborted, writer, group.c_str());
        return {};
    }
    return key;
}

}  // namespace

ForwardingCopies ResolveCopies(const TarnwellDEVMODE* dm, DWORD jobId) {
    ForwardingCopies c;
    const short dmCopies = dm ? dm->Read<short>(dmoff::dmCopies) : 1;
    c.copies = dmCopies > 0 ? static_cast<DWORD>(dmCopies) : 1;
    c.collate = dm && dm->Read<short>(dmoff::dmCollate) == DMCOLLATE_TRUE;
    if (UseNumberOfCopies(dm, jobId) && NumberOfCopies(dm, jobId) >= kMinSettingsCopies) {
        c.copies = NumberOfCopies(dm, jobId);
        c.collate = IsCollatePages(dm, jobId);
    }
    c.printAsBitmap = IsPrintAsBitmap(dm, jobId);
    return c;
}

std::wstring RecordGroupFormat(DWORD postPrintId, DWORD sequence) {
    return std::wstring(L"%s\\") + kRecords + FormatW(L"\\%lu_%lu", static_cast<unsigned long>(postPrintId),
                                                      static_cast<unsigned long>(sequence));
}

bool WriteStartDocForPrinterForwardingToRegistry(const ForwardingJob& job) {
    TW_TRACE(L"> %s %lu", kStartWriter, job.postPrintId);
    UniqueHKey key = OpenRecord(job, kJobRecord, kStartWriter);
    if (!key) return false;
    const std::wstring printer = settings::PrinterRegistryName(job.dm);
    const std::wstring path = job.perJobOptions ? FormatW(kSaveAsGroupFormat, printer.c_str(), job.jobId)
                                                : FormatW(kRedirectGroupFormat, printer.c_str());
    RecordWriter w(key.get(), kStartWriter);
    w.Text(kRegistryPath, path)
        .FixedText(kDocumentName, job.documentName)
        .FixedText(kIniFileName, job.iniFile)
        .FixedText(kOutputDirName, job.outputDirectory);
    if (job.dm && job.dm->HasFlag(dmflag::BatesNumberingEnabled)) {
        const int index = job.dm->Read<BYTE>(dmoff::BatesFormatIndex);
        BatesFormat format{};
        if (!LoadBatesFormatFromRegistry(index, format, printer)) {
            // Without its Bates format the record stays unready: the job's numbers are unknown.
            TW_TRACE(L"< %s: Error loading BatesNumbering.", kStartWriter);
            return false;
        }
        w.Dword(kBatesStart, format.resetAtEveryPrinting ? format.resetStart : format.startWith)
            .Dword(kCurrentBates, static_cast<DWORD>(index));
    }
    w.Handshake(kReady, kReadyNo);
    TW_TRACE_RESULT(L"WriteStartDocForPrinterForwardingToRegistry", w.ok());
    return w.ok();
}

bool WritePrinterForwardingDataToRegistry(const ForwardingJob& job, DWORD sequence, const std::wstring& pageFile,
                                          DWORD pageFileSize, const std::wstring& underFile,
                                          const std::vector<std::wstring>& copyFiles) {
    TW_TRACE(L"> %s %lu_%lu", kPageWriter, job.postPrintId, sequence);
    const ForwardingCopies copies = ResolveCopies(job.dm, job.jobId);
    bool ok = false;
    if (UniqueHKey page = OpenRecord(job, sequence, kPageWriter)) {
        RecordWriter w(page.get(), kPageWriter);
        w.Text(kPageFile, pageFile).Text(kUnderFile, underFile);
        for (size_t c = 0; c < copyFiles.size(); ++c)
            w.Text(FormatW(kAboveFileFormat, static_cast<unsigned long>(c)).c_str(), copyFiles[c]);
        if (job.dm) w.Value(kDevMode, REG_BINARY, job.dm->Bytes(), static_cast<DWORD>(tw::kDevModeSize));
        w.Dword(kDevModeSizeValue, static_cast<DWORD>(tw::kDevModeSize)).Dword(kSize, pageFileSize);
        w.Handshake(kReady, kReadyYes);
        ok = w.ok();
    }
    if (ok) {
        UniqueHKey record = OpenRecord(job, kJobRecord, kPageWriter);
        RecordWriter w(record.get(), kPageWriter);
        ok = record && w.Dword(kNumberOfCopies, copies.copies)
                           .Dword(kCollate, copies.collate)
                           .Dword(kPrintAsBitmap, copies.printAsBitmap)
                           .Handshake(kReady, kReadyPrinting)
                           .ok();
    }
    TW_TRACE_RESULT(L"WritePrinterForwardingDataToRegistry", ok);
    return ok;
}

bool WriteNoRedirectMsgForPrinterForwardingToRegistry(const ForwardingJob& job) {
    UniqueHKey key = OpenRecord(job, kJobRecord, kNoRedirectWriter);
    return key && RecordWriter(key.get(), kNoRedirectWriter).Handshake(kReady, kReadyNoRedirect).ok();
}

bool WriteEndDocForPrinterForwardingToRegistry(const ForwardingJob& job, DWORD pages) {
    UniqueHKey key = OpenRecord(job, kJobRecord, kEndWriter);
    return key && RecordWriter(key.get(), kEndWriter).Dword(kPageNumber, pages).Handshake(kReady, kReadyYes).ok();
}

}  // namespace tw::forwarding
