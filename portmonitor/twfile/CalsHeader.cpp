// The CALS header's records.
#include "twfile/CalsHeader.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace tw {
namespace {

constexpr char kSrcDocId[] = "srcdocid: ";
constexpr char kDstDocId[] = "dstdocis: ";
constexpr char kTxtFileId[] = "txtfileid: ";
constexpr char kFigId[] = "figid: ";
constexpr char kSrcGph[] = "scrgph: ";
constexpr char kDocCls[] = "doccls: ";
constexpr char kRType[] = "rtype: ";
constexpr char kROrient[] = "rorient: ";
constexpr char kRPelCnt[] = "rpelcnt: ";
constexpr char kRDensty[] = "rdensty: ";
constexpr char kNotes[] = "notes: ";
// The records in their order; the rest of the header stays blank.
constexpr const char* kCalsKeys[] = {kSrcDocId, kDstDocId, kTxtFileId, kFigId,    kSrcGph, kDocCls,
                                     kRType,    kROrient,  kRPelCnt,   kRDensty, kNotes};
constexpr const char* kEmptyKeys[] = {kSrcDocId, kDstDocId, kTxtFileId, kFigId, kSrcGph, kDocCls, kNotes};
constexpr char kRasterType[] = "1";
constexpr long kOrientation[] = {0, 270};
constexpr int kOrientationDigits = 3;
constexpr int kPelCountDigits = 6;
constexpr int kDensityDigits = 4;
constexpr char kValueSeparator[] = ",";

// Numbers with leading zeros to `digits` places, joined by commas.
std::string Numbers(std::initializer_list<long> values, int digits) {
    char format[16];
    std::snprintf(format, sizeof(format), "%%0%dld", digits);
    std::string text;
    for (long value : values) {
        if (!text.empty()) text += kValueSeparator;
        char number[32];
        std::snprintf(number, sizeof(number), format, value);
        text += number;
    }
    return text;
}

// Writes `value` after the key of the record that the key opens, padded to the record's end.
void SetRecord(CalsHeader& header, const char* key, const std::string& value) {
    const size_t keyLength = std::strlen(key);
    for (size_t r = 0; r < kCalsRecords; ++r) {
        char* record = header.data() + r * kCalsRecordBytes;
        if (record[0] == ' ' || record[0] == '\0') continue;
        if (std::strncmp(record, key, keyLength) != 0) continue;
        const size_t room = kCalsRecordBytes - keyLength;
        std::memset(record + keyLength, ' ', room);
        std::memcpy(record + keyLength, value.data(), value.size() < room ? value.size() : room);
        return;
    }
}

}  // namespace

CalsHeader BuildCalsHeader(LONG width, LONG height, LONG xPelsPerMeter) {
    CalsHeader header;
    header.fill(' ');
    size_t r = 0;
    for (const char* key : kCalsKeys) std::memcpy(header.data() + kCalsRecordBytes * r++, key, std::strlen(key));
    for (const char* key : kEmptyKeys) SetRecord(header, key, "");
    SetRecord(header, kRType, kRasterType);
    SetRecord(header, kROrient, Numbers({kOrientation[0], kOrientation[1]}, kOrientationDigits));
    SetRecord(header, kRPelCnt, Numbers({static_cast<long>(width), static_cast<long>(height)}, kPelCountDigits));
    SetRecord(header, kRDensty, Numbers({static_cast<long>(CalsDensity(xPelsPerMeter))}, kDensityDigits));
    return header;
}

}  // namespace tw
