#include "notify/StatisticsRecord.h"

#include <cstring>

#include "notify/RecordBytes.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

using namespace recordbytes;

std::vector<BYTE> BuildStatisticsHeader() {
    std::vector<BYTE> header(stats::kHeaderSize, 0);
    PutDword(header, stats::HeaderMarker, stats::kHeaderMarker);
    PutDword(header, stats::HeaderSize, static_cast<DWORD>(stats::kHeaderSize));
    PutDword(header, stats::HeaderType, stats::kStatType);
    PutDword(header, stats::HeaderBodySize, static_cast<DWORD>(stats::kBodySize));
    PutDword(header, stats::HeaderWord1, stats::kHeaderWord1);
    PutDword(header, stats::HeaderWord2, stats::kHeaderWord2);
    PutDword(header, stats::HeaderTrailer, stats::kHeaderMarker);
    return header;
}

std::vector<BYTE> BuildPrinterStat(const JOB_INFO_1W& info, const std::wstring& statusText, const TarnwellDEVMODE* dm) {
    std::vector<BYTE> body(stats::kBodySize, 0);
    PutDword(body, stats::BodySize, static_cast<DWORD>(stats::kBodySize));
    PutDword(body, stats::BodyType, stats::kStatType);

    const size_t ji = stats::JobInfo;
    auto text = [&](size_t offset, const wchar_t* value) {
        PutText(body, ji + offset, stats::kJobInfoChars, value ? value : L"");
    };
    PutDword(body, ji + stats::JiSize, static_cast<DWORD>(stats::kJobInfoSize));
    PutDword(body, ji + stats::JiJobId, info.JobId);
    text(stats::JiPrinterName, info.pPrinterName);
    text(stats::JiMachineName, info.pMachineName);
    text(stats::JiUserName, info.pUserName);
    // Statistics clients take the document name only together with its owner's name.
    text(stats::JiDocument, info.pUserName ? info.pDocument : nullptr);
    text(stats::JiDatatype, info.pDatatype);
    text(stats::JiStatusText, statusText.c_str());
    PutDword(body, ji + stats::JiStatus, info.Status);
    PutDword(body, ji + stats::JiPriority, info.Priority);
    PutDword(body, ji + stats::JiPosition, info.Position);
    PutDword(body, ji + stats::JiTotalPages, info.TotalPages);
    PutDword(body, ji + stats::JiPagesPrinted, info.PagesPrinted);
    std::memcpy(body.data() + ji + stats::JiSubmitted, &info.Submitted, sizeof(SYSTEMTIME));
    if (dm) std::memcpy(body.data() + stats::DevMode, dm->Bytes(), kDevModeSize);
    return body;
}

StatisticsFields ParseStatistics(const BYTE* header, size_t headerSize, const BYTE* body, size_t bodySize) {
    StatisticsFields f;
    f.headerMarker = GetDword(header, headerSize, stats::HeaderMarker);
    f.headerSize = GetDword(header, headerSize, stats::HeaderSize);
    f.headerType = GetDword(header, headerSize, stats::HeaderType);
    f.bodySizeInHeader = GetDword(header, headerSize, stats::HeaderBodySize);
    f.headerWord1 = GetDword(header, headerSize, stats::HeaderWord1);
    f.headerWord2 = GetDword(header, headerSize, stats::HeaderWord2);
    f.headerTrailer = GetDword(header, headerSize, stats::HeaderTrailer);
    if (!body || bodySize < stats::kBodySize) return f;
    const size_t ji = stats::JobInfo;
    auto text = [&](size_t offset) { return GetText(body, bodySize, ji + offset, stats::kJobInfoChars); };
    auto dword = [&](size_t offset) { return GetDword(body, bodySize, offset); };
    f.bodySize = dword(stats::BodySize);
    f.bodyType = dword(stats::BodyType);
    f.jobInfoSize = dword(ji + stats::JiSize);
    f.jobId = dword(ji + stats::JiJobId);
    f.printerName = text(stats::JiPrinterName);
    f.machineName = text(stats::JiMachineName);
    f.userName = text(stats::JiUserName);
    f.document = text(stats::JiDocument);
    f.datatype = text(stats::JiDatatype);
    f.statusText = text(stats::JiStatusText);
    f.status = dword(ji + stats::JiStatus);
    f.priority = dword(ji + stats::JiPriority);
    f.position = dword(ji + stats::JiPosition);
    f.totalPages = dword(ji + stats::JiTotalPages);
    f.pagesPrinted = dword(ji + stats::JiPagesPrinted);
    std::memcpy(&f.submitted, body + ji + stats::JiSubmitted, sizeof(SYSTEMTIME));
    return f;
}

}  // namespace tw
