#include "JobRecords.h"

#include <algorithm>
#include <cwchar>

#include "base/Registry.h"
#include "base/WideString.h"
#include "formfiller/FormFillerTexts.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "notify/PostPrintRecord.h"
#include "notify/UploaderRecordNames.h"

namespace appstarter {
namespace {

namespace pp = tw::postprint;
namespace up = tw::uploader;

bool IsAborted(HKEY key) {
    auto ready = tw::ReadString(key, pp::kReady);
    return ready && tw::EqualsNoCase(*ready, pp::kReadyAbort);
}

std::wstring Join(const std::wstring& a, const std::wstring& b) { return a + L"\\" + b; }

// Every "File_<n>" value in the order of n.
std::vector<std::wstring> NumberedFiles(HKEY key) {
    std::vector<std::pair<int, std::wstring>> files;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD chars = 256;
        if (::RegEnumValueW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        int n = 0;
        if (std::swscanf(name, up::kFileFormat, &n) == 1)
            if (auto file = tw::ReadString(key, name)) files.emplace_back(n, *file);
    }
    std::sort(files.begin(), files.end());
    std::vector<std::wstring> out;
    for (auto& f : files) out.push_back(f.second);
    return out;
}

}  // namespace

std::wstring_view ArgumentsOf(std::wstring_view line) {
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        i = line.find(L'"', 1);
        i = i == std::wstring_view::npos ? line.size() : i + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    return line.substr(i);
}

std::optional<StarterArguments> ParseArguments(std::wstring_view text) {
    StarterArguments a;
    unsigned long job = 0, id = 0;
    int reserved = 0, used = 0;
    const std::wstring copy(text);
    if (std::swscanf(copy.c_str(), L"%lu,%lu,%d,%n", &job, &id, &reserved, &used) < 3 || used == 0) return std::nullopt;
    a.jobId = job;
    a.postPrintId = id;
    a.printerName = copy.substr(static_cast<size_t>(used));
    if (a.printerName.empty()) return std::nullopt;
    return a;
}

JobRecords::JobRecords(const std::wstring& printerName, DWORD jobId, DWORD postPrintId)
    : m_jobId(jobId), m_postPrintId(postPrintId) {
    // As the monitor names the printer: its entry under PrinterIDs, else the device name.
    m_registryName = printerName.substr(0, tw::settings::kDeviceNameChars - 1);
    if (tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, Join(tw::settings::kRoot, printerName), KEY_QUERY_VALUE)) {
        if (auto id = tw::ReadDword(key.get(), tw::settings::kPrinterIdValue)) {
            const std::wstring idKey = Join(Join(tw::settings::kRoot, tw::settings::kPrinterIds), std::to_wstring(*id));
            if (tw::UniqueHKey ids = tw::OpenKey(HKEY_CURRENT_USER, idKey, KEY_QUERY_VALUE))
                if (auto name = tw::ReadString(ids.get(), tw::settings::kPrinterNameValue)) m_registryName = *name;
        }
    }
    m_printerKey = Join(tw::settings::kRoot, m_registryName);
}

DWORD JobRecords::SettingDword(const wchar_t* name, DWORD def) const {
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, Join(m_printerKey, L"Application Starter"), KEY_QUERY_VALUE);
    if (!key) return def;
    return tw::ReadDword(key.get(), name).value_or(def);
}

std::optional<std::wstring> JobRecords::SettingText(const wchar_t* name) const {
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, Join(m_printerKey, L"Application Starter"), KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    return tw::ReadString(key.get(), name);
}

std::wstring JobRecords::RecordPath(const wchar_t* route) const {
    return Join(Join(m_printerKey, route), std::to_wstring(m_postPrintId));
}

PostPrintRecord JobRecords::ReadPostPrint() const {
    PostPrintRecord r;
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, RecordPath(pp::kPostPrintRecords), KEY_QUERY_VALUE);
    if (!key) return r;
    const HKEY k = key.get();
    r.exists = true;
    r.ready = tw::ReadString(k, pp::kReady).value_or(L"");
    r.jobStatus = tw::ReadString(k, pp::kJobStatus).value_or(L"");
    r.commandLine = tw::ReadString(k, pp::kCommandLine);
    r.server = tw::ReadString(k, pp::kServer);
    r.flags = tw::ReadDword(k, pp::kFlags).value_or(0);
    r.postPrintFlags = tw::ReadDword(k, pp::kPostPrintFlags).value_or(0);
    r.messagingInterface = tw::ReadString(k, pp::kMessagingInterface).value_or(L"");
    r.outputFolder = tw::ReadString(k, pp::kOutputFolder).value_or(L"");
    r.outputFilename = tw::ReadString(k, pp::kOutputFilename).value_or(L"");
    r.ocrOutput = tw::ReadString(k, pp::kOcrOutput).value_or(L"");
    r.ocrTextEditor = tw::ReadString(k, pp::kOcrTextEditor).value_or(L"");
    return r;
}

FormFillerLaunch JobRecords::ReadFormFillerLaunch() const {
    namespace ff = tw::formfiller;
    FormFillerLaunch r;
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, RecordPath(ff::kLaunchRecords), KEY_QUERY_VALUE);
    if (!key) return r;
    r.exists = true;
    r.ready = tw::ReadString(key.get(), pp::kReady).value_or(L"");
    r.editor = tw::ReadString(key.get(), ff::kLaunchEditor).value_or(L"");
    r.commandLine = tw::ReadString(key.get(), ff::kLaunchCommandLine).value_or(L"");
    return r;
}

bool JobRecords::JobEnded() const {
    tw::UniqueHKey key =
        tw::OpenKey(HKEY_CURRENT_USER, Join(m_printerKey, std::to_wstring(m_jobId)), KEY_QUERY_VALUE);
    if (!key) return true;
    auto id = tw::ReadDword(key.get(), tw::settings::kPostPrintId);
    return !id || *id != m_postPrintId;
}

std::vector<std::wstring> JobRecords::DescribeUploads() const {
    std::vector<std::wstring> lines;
    for (const up::RouteNames& route : up::kRoutes) {
        tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, RecordPath(route.records), KEY_QUERY_VALUE);
        if (!key) continue;
        if (IsAborted(key.get())) {
            lines.push_back(tw::FormatW(L"%s: 'Ready' reads 'Abort': left alone", route.records));
            continue;
        }
        std::wstring program = tw::ReadString(key.get(), route.program).value_or(L"");
        if (route.secondProgram) {
            const std::wstring second = tw::ReadString(key.get(), route.secondProgram).value_or(L"");
            if (!second.empty()) program += (program.empty() ? L"" : L" | ") + second;
        }
        std::wstring files;
        for (const std::wstring& f : NumberedFiles(key.get())) files += (files.empty() ? L"" : L"; ") + f;
        if (auto group = tw::ReadString(key.get(), up::kGroupFilename)) files += (files.empty() ? L"" : L"; ") + *group;
        lines.push_back(tw::FormatW(L"%s: would hand to '%s': %s", route.records, program.c_str(),
                                    files.empty() ? L"(no files)" : files.c_str()));
    }
    return lines;
}

void JobRecords::Remove() const {
    auto remove = [&](const wchar_t* route) {
        const std::wstring path = RecordPath(route);
        tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, path, KEY_QUERY_VALUE);
        if (!key || IsAborted(key.get())) return;
        key.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    };
    remove(pp::kPostPrintRecords);
    remove(tw::formfiller::kLaunchRecords);
    for (const up::RouteNames& route : up::kRoutes) remove(route.records);
}

}  // namespace appstarter
