#include "HandOffRecords.h"

#include <cstring>

#include "JsonWriter.h"
#include "base/Registry.h"
#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "notify/ForwardingRecords.h"
#include "notify/PostPrintRecord.h"
#include "notify/UploaderRecordNames.h"

namespace twprint {
namespace {

constexpr DWORD kNameChars = 16384;

const char* TypeName(DWORD type) {
    switch (type) {
    case REG_SZ: return "sz";
    case REG_EXPAND_SZ: return "expand_sz";
    case REG_MULTI_SZ: return "multi_sz";
    case REG_DWORD: return "dword";
    case REG_QWORD: return "qword";
    case REG_BINARY: return "binary";
    }
    return "other";
}

// The key's values in their stored order, then its sub-keys the same way.
void ReadKey(const std::wstring& path, std::vector<RecordKey>& out) {
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, path, KEY_READ);
    if (!key) return;
    RecordKey record{path, {}};
    std::vector<wchar_t> name(kNameChars);
    for (DWORD i = 0;; ++i) {
        DWORD chars = kNameChars, type = 0, cb = 0;
        if (::RegEnumValueW(key.get(), i, name.data(), &chars, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS) break;
        RecordValue value{std::wstring(name.data(), chars), type, std::vector<BYTE>(cb)};
        chars = kNameChars;
        ::RegEnumValueW(key.get(), i, name.data(), &chars, nullptr, &type, value.data.data(), &cb);
        value.data.resize(cb);
        record.values.push_back(std::move(value));
    }
    out.push_back(std::move(record));
    std::vector<std::wstring> subKeys;
    for (DWORD i = 0;; ++i) {
        DWORD chars = kNameChars;
        if (::RegEnumKeyExW(key.get(), i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys.emplace_back(name.data(), chars);
    }
    for (const std::wstring& sub : subKeys) ReadKey(path + L"\\" + sub, out);
}

std::wstring Text(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

}  // namespace

HandOffSnapshot ReadHandOffRecords(const tw::CTWJob& job) {
    HandOffSnapshot snapshot;
    snapshot.taken = true;
    snapshot.postPrintId = job.PostPrintId();
    if (!snapshot.postPrintId) return snapshot;
    const std::wstring printerKey =
        tw::settings::GroupPath(job.DevMode(), tw::settings::kRoot, tw::settings::kPrinterGroup);
    if (printerKey.empty()) return snapshot;
    const std::wstring id = L"\\" + std::to_wstring(*snapshot.postPrintId);
    ReadKey(printerKey + L"\\" + tw::postprint::kPostPrintRecords + id, snapshot.records);
    for (const tw::uploader::RouteNames& route : tw::uploader::kRoutes)
        ReadKey(printerKey + L"\\" + route.records + id, snapshot.records);
    // The forwarding records: the job record (0), then one per page, as far as they go.
    for (DWORD sequence = 0;; ++sequence) {
        const size_t before = snapshot.records.size();
        ReadKey(printerKey + L"\\" + tw::forwarding::kRecords + L"\\" + std::to_wstring(*snapshot.postPrintId) + L"_" +
                    std::to_wstring(sequence),
                snapshot.records);
        if (snapshot.records.size() == before) break;
    }
    return snapshot;
}

void WaitForProcesses(const std::vector<StartedProcess>& processes, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (const StartedProcess& p : processes) {
        const DWORD spent = ::GetTickCount() - start;
        ::WaitForSingleObject(p.handle.get(), spent < timeoutMs ? timeoutMs - spent : 0);
    }
}

void WriteHandOff(JsonWriter& w, const HandOffSnapshot& snapshot) {
    w.BeginObject("post_print");
    if (snapshot.postPrintId)
        w.Number("id", *snapshot.postPrintId);
    else
        w.Null("id");
    w.BeginArray("records");
    for (const RecordKey& record : snapshot.records) {
        w.BeginObject().String("key", record.path).BeginArray("values");
        for (const RecordValue& v : record.values) {
            w.BeginObject().String("name", v.name).String("type", TypeName(v.type));
            w.Number("bytes", static_cast<int64_t>(v.data.size()));
            if ((v.type == REG_DWORD && v.data.size() == sizeof(DWORD)) ||
                (v.type == REG_QWORD && v.data.size() == sizeof(ULONGLONG))) {
                ULONGLONG n = 0;
                std::memcpy(&n, v.data.data(), v.data.size());
                w.Number("data", static_cast<int64_t>(n));
            } else if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
                w.String("data", Text(v.data));
            } else {
                std::string hex;
                for (BYTE b : v.data) hex += tw::ToUtf8(tw::FormatW(L"%02x", b));
                w.String("data", hex);
            }
            w.EndObject();
        }
        w.EndArray().EndObject();
    }
    w.EndArray().EndObject();
}

void WriteProcesses(JsonWriter& w, const std::vector<StartedProcess>& processes) {
    w.BeginArray("processes");
    for (const StartedProcess& p : processes) {
        DWORD code = STILL_ACTIVE;
        const bool ended =
            ::WaitForSingleObject(p.handle.get(), 0) == WAIT_OBJECT_0 && ::GetExitCodeProcess(p.handle.get(), &code);
        w.BeginObject().String("command_line", p.commandLine).Bool("ended", ended);
        if (ended)
            w.Number("exit_code", code);
        else
            w.Null("exit_code");
        w.EndObject();
    }
    w.EndArray();
}

}  // namespace twprint
