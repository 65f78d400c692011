#include "notify/PrnMessage.h"

#include "base/WideString.h"
#include "notify/RecordBytes.h"

namespace tw {

using namespace recordbytes;

std::vector<BYTE> BuildPrnMessage(const PrnMessageFields& f) {
    std::vector<BYTE> rec(prnmsg::kSize, 0);
    PutDword(rec, prnmsg::Number, f.number);
    PutText(rec, prnmsg::DocumentName, prnmsg::kTextChars, f.documentName);
    PutText(rec, prnmsg::Text, prnmsg::kTextChars, f.text);
    PutText(rec, prnmsg::PrinterName, prnmsg::kTextChars, f.printerName);
    PutDword(rec, prnmsg::PageNumber, f.pageNumber);
    PutDword(rec, prnmsg::MultiPage, f.multiPage);
    PutDword(rec, prnmsg::Portrait, f.portrait);
    PutDword(rec, prnmsg::JobId, f.jobId);
    PutText(rec, prnmsg::OutputFile, prnmsg::kTextChars, f.outputFile);
    PutText(rec, prnmsg::GroupFile, prnmsg::kTextChars, f.groupFile);
    PutDword(rec, prnmsg::Extra, f.extra);
    return rec;
}

PrnMessageFields ParsePrnMessage(const BYTE* rec, size_t size) {
    PrnMessageFields f;
    if (!rec || size < prnmsg::kSize) {
        f.portrait = 0;
        return f;
    }
    f.number = GetDword(rec, size, prnmsg::Number);
    f.documentName = GetText(rec, size, prnmsg::DocumentName, prnmsg::kTextChars);
    f.text = GetText(rec, size, prnmsg::Text, prnmsg::kTextChars);
    f.printerName = GetText(rec, size, prnmsg::PrinterName, prnmsg::kTextChars);
    f.pageNumber = GetDword(rec, size, prnmsg::PageNumber);
    f.multiPage = GetDword(rec, size, prnmsg::MultiPage);
    f.portrait = GetDword(rec, size, prnmsg::Portrait);
    f.jobId = GetDword(rec, size, prnmsg::JobId);
    f.outputFile = GetText(rec, size, prnmsg::OutputFile, prnmsg::kTextChars);
    f.groupFile = GetText(rec, size, prnmsg::GroupFile, prnmsg::kTextChars);
    f.extra = GetDword(rec, size, prnmsg::Extra);
    return f;
}

std::vector<BYTE> BuildCopyDataRecord(DWORD number, const std::wstring& interfaceName, DWORD interfaceId) {
    std::vector<BYTE> rec(copydata::kSize, 0);
    PutDword(rec, copydata::Marker, copydata::kMarker);
    PutDword(rec, copydata::RecordSize, static_cast<DWORD>(copydata::kSize));
    PutDword(rec, copydata::Number, number);
    PutText(rec, copydata::Interface, copydata::kInterfaceChars, FormatW(L"%s%lu", interfaceName.c_str(), interfaceId));
    return rec;
}

CopyDataFields ParseCopyDataRecord(const BYTE* rec, size_t size) {
    CopyDataFields f;
    if (!rec || size < copydata::kSize) return f;
    f.marker = GetDword(rec, size, copydata::Marker);
    f.recordSize = GetDword(rec, size, copydata::RecordSize);
    f.number = GetDword(rec, size, copydata::Number);
    f.interfaceName = GetText(rec, size, copydata::Interface, copydata::kInterfaceChars);
    return f;
}

}  // namespace tw
