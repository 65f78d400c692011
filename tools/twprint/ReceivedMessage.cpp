#include "ReceivedMessage.h"

#include <algorithm>
#include <cwchar>

#include "base/WideString.h"
#include "portcmd/DevModeFields.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace twprint {

ReceivedMessage& ReceivedMessage::Number(std::string key, long long value) {
    ReceivedField f;
    f.key = std::move(key);
    f.number = value;
    m_fields.push_back(std::move(f));
    return *this;
}

ReceivedMessage& ReceivedMessage::Text(std::string key, std::wstring value) {
    ReceivedField f;
    f.key = std::move(key);
    f.kind = ReceivedField::Kind::Text;
    f.text = std::move(value);
    m_fields.push_back(std::move(f));
    return *this;
}

ReceivedMessage& ReceivedMessage::Numbers(std::string key, std::vector<long long> values) {
    ReceivedField f;
    f.key = std::move(key);
    f.kind = ReceivedField::Kind::Numbers;
    f.numbers = std::move(values);
    m_fields.push_back(std::move(f));
    return *this;
}

ReceivedMessage& ReceivedMessage::Bool(std::string key, bool value) {
    ReceivedField f;
    f.key = std::move(key);
    f.kind = ReceivedField::Kind::Bool;
    f.number = value ? 1 : 0;
    m_fields.push_back(std::move(f));
    return *this;
}

const char* MessageKindName(DWORD number) {
    switch (static_cast<tw::PrnMessageKind>(number)) {
    case tw::PrnMessageKind::StartDoc: return "start_doc";
    case tw::PrnMessageKind::StartPage: return "start_page";
    case tw::PrnMessageKind::EndPage: return "end_page";
    case tw::PrnMessageKind::EndDoc: return "end_doc";
    case tw::PrnMessageKind::Status: return "status";
    case tw::PrnMessageKind::DevMode: return "devmode";
    case tw::PrnMessageKind::MemoryImage: return "memory_image";
    case tw::PrnMessageKind::OcrData: return "ocr_data";
    case tw::PrnMessageKind::TextData: return "text_data";
    }
    return "unknown";
}

ReceivedMessage DecodePrnMessage(const tw::PrnMessageFields& f) {
    ReceivedMessage m;
    m.Text("channel", L"pipe").Number("number", f.number).Text("kind", tw::FromUtf8(MessageKindName(f.number)));
    m.Text("document", f.documentName).Text("text", f.text).Text("printer", f.printerName);
    m.Number("page", f.pageNumber).Number("multipage", f.multiPage).Number("portrait", f.portrait);
    m.Number("job_id", f.jobId).Text("output_file", f.outputFile).Text("group_file", f.groupFile);
    m.Number("extra", f.extra);
    return m;
}

ReceivedMessage DecodeStatistics(const tw::StatisticsFields& f, const tw::TarnwellDEVMODE& dm,
                                 const std::vector<std::wstring>& devmodeFields) {
    ReceivedMessage m;
    m.Text("channel", L"statistics");
    m.Number("header_marker", f.headerMarker).Number("header_size", f.headerSize).Number("header_type", f.headerType);
    m.Number("header_body_size", f.bodySizeInHeader).Number("header_word1", f.headerWord1);
    m.Number("header_word2", f.headerWord2).Number("header_trailer", f.headerTrailer);
    m.Number("body_size", f.bodySize).Number("body_type", f.bodyType).Number("job_info_size", f.jobInfoSize);
    m.Number("job_id", f.jobId).Text("printer", f.printerName).Text("machine", f.machineName);
    m.Text("user", f.userName).Text("document", f.document).Text("datatype", f.datatype);
    m.Text("status_text", f.statusText).Number("status", f.status).Number("priority", f.priority);
    m.Number("position", f.position).Number("total_pages", f.totalPages).Number("pages_printed", f.pagesPrinted);
    const SYSTEMTIME& t = f.submitted;
    m.Text("submitted", tw::FormatW(L"%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                                    t.wSecond));
    AddDevModeValues(m, dm, devmodeFields);
    return m;
}

ReceivedMessage DecodeCopyData(const tw::CopyDataFields& f) {
    ReceivedMessage m;
    m.Text("channel", L"copydata").Number("marker", f.marker).Number("record_size", f.recordSize);
    m.Number("number", f.number).Text("kind", tw::FromUtf8(MessageKindName(f.number)));
    m.Text("interface", f.interfaceName);
    return m;
}

std::vector<std::wstring> ReportedDevModeFields(const std::vector<std::pair<std::wstring, std::wstring>>& edits) {
    std::vector<std::wstring> names{L"FileFormat", L"PagesPerSheet", L"dmOrientation", L"OutputDirectory"};
    for (const auto& [name, value] : edits) {
        const tw::DmField* field = tw::FindDevModeField(name);
        if (field && std::find(names.begin(), names.end(), field->name) == names.end()) names.push_back(field->name);
    }
    return names;
}

void AddDevModeValues(ReceivedMessage& message, const tw::TarnwellDEVMODE& dm, const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) {
        const tw::DmField* field = tw::FindDevModeField(name);
        if (!field) continue;
        const std::string key = "devmode_" + tw::ToUtf8(field->name);
        const std::wstring value = tw::GetDevModeField(dm, *field);
        if (field->kind == tw::DmFieldKind::Text) message.Text(key, value);
        else message.Number(key, std::wcstoll(value.c_str(), nullptr, 10));
    }
}

}  // namespace twprint
