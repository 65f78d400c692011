#include "IocaWriter.h"

#include <algorithm>
#include <initializer_list>

#include "ByteStore.h"
#include "LibraryError.h"

namespace twtiff {
namespace {

// Structured field identifiers (class D3, type, category).
constexpr uint32_t kBDT = 0xD3A8A8, kEDT = 0xD3A9A8;  // document
constexpr uint32_t kBPG = 0xD3A8AF, kEPG = 0xD3A9AF;  // page
constexpr uint32_t kBAG = 0xD3A8C9, kEAG = 0xD3A9C9;  // active environment group
constexpr uint32_t kPGD = 0xD3A6AF;                   // page descriptor
constexpr uint32_t kBIM = 0xD3A8FB, kEIM = 0xD3A9FB;  // image object
constexpr uint32_t kBOG = 0xD3A8C7, kEOG = 0xD3A9C7;  // object environment group
constexpr uint32_t kOBD = 0xD3A66B;                   // object area descriptor
constexpr uint32_t kOBP = 0xD3AC6B;                   // object area position
constexpr uint32_t kIDD = 0xD3A6FB;                   // image data descriptor
constexpr uint32_t kIPD = 0xD3EEFB;                   // image picture data

constexpr uint8_t kCarriageControl = 0x5A;
constexpr size_t kIntroducerBytes = 8;
constexpr size_t kMaxFieldData = 32759;  // a field's length, introducer included, is at most 32767
constexpr size_t kImageDataChunk = 32000;

// IOCA self-defining fields.
constexpr uint8_t kBeginSegment = 0x70, kEndSegment = 0x71;
constexpr uint8_t kBeginImageContent = 0x91, kEndImageContent = 0x93;
constexpr uint8_t kImageSize = 0x94, kImageEncoding = 0x95, kIdeSize = 0x96;
constexpr uint8_t kImageDataPrefix = 0xFE, kImageData = 0x92;
constexpr uint8_t kFunctionSetId = 0xF7;
constexpr uint8_t kUnitTenInches = 0x00;
constexpr uint8_t kCompressionMmr = 0x82, kRecordingRidic = 0x01;
constexpr uint8_t kIocaObjectType = 0xFF;
constexpr uint8_t kFunctionSet10 = 0x0A, kImageCategory = 0x01;

// Names of the begin and end fields, EBCDIC "TWDOC001", "TWPAGE01", "TWIMAGE1".
constexpr uint8_t kDocName[8] = {0xE3, 0xE6, 0xC4, 0xD6, 0xC3, 0xF0, 0xF0, 0xF1};
constexpr uint8_t kPageName[8] = {0xE3, 0xE6, 0xD7, 0xC1, 0xC7, 0xC5, 0xF0, 0xF1};
constexpr uint8_t kImageName[8] = {0xE3, 0xE6, 0xC9, 0xD4, 0xC1, 0xC7, 0xC5, 0xF1};

constexpr uint32_t kDefaultUnitsPer10Inches = 2000;  // 200 dpi when a DIB gives no resolution

class Bytes {
public:
    Bytes& U8(uint8_t v) { m_b.push_back(v); return *this; }
    Bytes& U16(uint32_t v) { return U8(uint8_t(v >> 8)).U8(uint8_t(v)); }
    Bytes& U24(uint32_t v) { return U8(uint8_t(v >> 16)).U16(v & 0xFFFF); }
    Bytes& Raw(const uint8_t* p, size_t n) { m_b.insert(m_b.end(), p, p + n); return *this; }
    Bytes& Name(const uint8_t (&name)[8]) { return Raw(name, 8); }
    const std::vector<uint8_t>& Get() const { return m_b; }
private:
    std::vector<uint8_t> m_b;
};

bool Field(std::vector<uint8_t>& out, uint32_t id, const std::vector<uint8_t>& data) {
    if (data.size() > kMaxFieldData) return Fail(TIFF_ERR_INVALID_ARGUMENT, "a structured field is too long");
    size_t length = kIntroducerBytes + data.size();
    out.insert(out.end(), {kCarriageControl, uint8_t(length >> 8), uint8_t(length), uint8_t(id >> 16), uint8_t(id >> 8),
                           uint8_t(id), 0x00, 0x00, 0x00});
    out.insert(out.end(), data.begin(), data.end());
    return true;
}

bool Write(HANDLE file, const std::vector<uint8_t>& bytes) {
    if (!file || file == INVALID_HANDLE_VALUE) return Fail(TIFF_ERR_INVALID_HANDLE, "no file handle");
    return WriteAll(file, bytes.data(), bytes.size()) || Fail(TIFF_ERR_IO, "cannot write the file");
}

uint32_t UnitsPer10Inches(WORD pelsPerMeter) {
    return pelsPerMeter ? (uint32_t{pelsPerMeter} * 254 + 500) / 1000 : kDefaultUnitsPer10Inches;
}

}  // namespace

bool WriteIocaHeader(HANDLE file, const IOCAHEADER& h) {
    if (h.wWidth == 0 || h.wHeight == 0) return Fail(TIFF_ERR_INVALID_ARGUMENT, "the image has no size");
    const uint32_t xres = UnitsPer10Inches(h.wXPelsPerMeter), yres = UnitsPer10Inches(h.wYPelsPerMeter);
    std::vector<uint8_t> out;
    Bytes noTriplets;
    bool ok = Field(out, kBDT, Bytes().Name(kDocName).U16(0).Get()) && Field(out, kBPG, Bytes().Name(kPageName).Get()) &&
              Field(out, kBAG, noTriplets.Get()) &&
              // The page is the image's size at its resolution.
              Field(out, kPGD, Bytes().U8(kUnitTenInches).U8(kUnitTenInches).U16(xres).U16(yres)
                                   .U24(h.wWidth).U24(h.wHeight).U24(0).Get()) &&
              Field(out, kEAG, noTriplets.Get()) && Field(out, kBIM, Bytes().Name(kImageName).Get()) &&
              Field(out, kBOG, noTriplets.Get()) &&
              // Triplets: descriptor position 1, measurement units, object area size.
              Field(out, kOBD, Bytes().U8(3).U8(0x43).U8(1)
                                   .U8(8).U8(0x4B).U8(kUnitTenInches).U8(kUnitTenInches).U16(xres).U16(yres)
                                   .U8(9).U8(0x4C).U8(2).U24(h.wWidth).U24(h.wHeight).Get()) &&
              // Object area at the page origin, content at the area origin, 0 and 90 degree axes.
              Field(out, kOBP, Bytes().U8(1).U8(23).U24(0).U24(0).U16(0x0000).U16(0x2D00).U8(0)
                                   .U24(0).U24(0).U16(0x0000).U16(0x2D00).U8(1).Get()) &&
              Field(out, kIDD, Bytes().U8(kUnitTenInches).U16(xres).U16(yres).U16(h.wWidth).U16(h.wHeight)
                                   .U8(kFunctionSetId).U8(2).U8(kImageCategory).U8(kFunctionSet10).Get()) &&
              Field(out, kEOG, noTriplets.Get()) &&
              Field(out, kIPD, Bytes().U8(kBeginSegment).U8(0)
                                   .U8(kBeginImageContent).U8(1).U8(kIocaObjectType)
                                   .U8(kImageSize).U8(9).U8(kUnitTenInches).U16(xres).U16(yres).U16(h.wWidth).U16(h.wHeight)
                                   .U8(kImageEncoding).U8(2).U8(kCompressionMmr).U8(kRecordingRidic)
                                   .U8(kIdeSize).U8(1).U8(1).Get());
    return ok && Write(file, out);
}

bool WriteIocaImageData(HANDLE file, const std::vector<uint8_t>& mmr) {
    std::vector<uint8_t> out;
    for (size_t at = 0; at < mmr.size(); at += kImageDataChunk) {
        size_t n = std::min(kImageDataChunk, mmr.size() - at);
        if (!Field(out, kIPD, Bytes().U8(kImageDataPrefix).U8(kImageData).U16(static_cast<uint32_t>(n))
                                  .Raw(mmr.data() + at, n).Get())) {
            return false;
        }
    }
    return Write(file, out);
}

bool WriteIocaTail(HANDLE file) {
    std::vector<uint8_t> out;
    Bytes none;
    bool ok = Field(out, kIPD, Bytes().U8(kEndImageContent).U8(0).U8(kEndSegment).U8(0).Get()) &&
              Field(out, kEIM, Bytes().Name(kImageName).Get()) && Field(out, kEPG, Bytes().Name(kPageName).Get()) &&
              Field(out, kEDT, Bytes().Name(kDocName).Get());
    return ok && Write(file, out);
}

}  // namespace twtiff
