#pragma once
// What a job left for the programs after it: its post-print ID, the records named by it (read
// back from the registry before the job's end lets anyone remove them), and the processes the
// job started.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"

namespace tw {
class CTWJob;
}

namespace twprint {

class JsonWriter;

struct RecordValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RecordKey {
    std::wstring path;  // below HKEY_CURRENT_USER
    std::vector<RecordValue> values;
};

struct HandOffSnapshot {
    bool taken = false;
    std::optional<DWORD> postPrintId;
    std::vector<RecordKey> records;  // each record key and its sub-keys, in route order
};

// Reads the post-print record and the uploader records of the job's ID, with their sub-keys.
HandOffSnapshot ReadHandOffRecords(const tw::CTWJob& job);

struct StartedProcess {
    std::wstring commandLine;
    tw::UniqueKernelObject handle;
};

// Waits until every process has ended or `timeoutMs` has passed, whichever is first.
void WaitForProcesses(const std::vector<StartedProcess>& processes, DWORD timeoutMs);

// "post_print": {"id", "records": [{"key", "values": [{"name", "type", "bytes", "data"}]}]}
void WriteHandOff(JsonWriter& w, const HandOffSnapshot& snapshot);
// "processes": [{"command_line", "ended", "exit_code"}]
void WriteProcesses(JsonWriter& w, const std::vector<StartedProcess>& processes);

}  // namespace twprint
