#pragma once
// A message as the listening client received it, decoded field by field for the report.
#include <windows.h>

#include <string>
#include <vector>

#include "notify/PrnMessage.h"
#include "notify/StatisticsRecord.h"

namespace tw {
class TarnwellDEVMODE;
}

namespace twprint {

struct ReceivedField {
    enum class Kind { Number, Text, Numbers, Bool };
    std::string key;
    Kind kind = Kind::Number;
    long long number = 0;
    std::wstring text;
    std::vector<long long> numbers;
};

class ReceivedMessage {
public:
    ReceivedMessage& Number(std::string key, long long value);
    ReceivedMessage& Text(std::string key, std::wstring value);
    ReceivedMessage& Numbers(std::string key, std::vector<long long> values);
    ReceivedMessage& Bool(std::string key, bool value);
    const std::vector<ReceivedField>& Fields() const { return m_fields; }

private:
    std::vector<ReceivedField> m_fields;
};

// The name of a message number: "start_doc", "start_page", "end_page", "end_doc", "status",
// "devmode", "memory_image", "ocr_data", "text_data", or "unknown".
const char* MessageKindName(DWORD number);

// Pipe message: the channel, then every field of the record.
ReceivedMessage DecodePrnMessage(const tw::PrnMessageFields& fields);
// Statistics: header and body fields, and the DEVMODE values named in `devmodeFields`.
ReceivedMessage DecodeStatistics(const tw::StatisticsFields& fields, const tw::TarnwellDEVMODE& dm,
                                 const std::vector<std::wstring>& devmodeFields);
// The copy-data record of a WM_COPYDATA transfer.
ReceivedMessage DecodeCopyData(const tw::CopyDataFields& fields);

// The DEVMODE values that a report shows: a few that tell a job's output apart, and any named.
std::vector<std::wstring> ReportedDevModeFields(const std::vector<std::pair<std::wstring, std::wstring>>& edits);
void AddDevModeValues(ReceivedMessage& message, const tw::TarnwellDEVMODE& dm, const std::vector<std::wstring>& names);

}  // namespace twprint
