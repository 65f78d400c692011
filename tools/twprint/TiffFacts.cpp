#include "TiffFacts.h"

#include <set>

namespace twprint {
namespace {

constexpr uint16_t kTagWidth = 256, kTagLength = 257, kTagBitsPerSample = 258, kTagCompression = 259;
constexpr uint16_t kTagSamplesPerPixel = 277, kTagXResolution = 282, kTagYResolution = 283;
constexpr uint16_t kTagResolutionUnit = 296;
constexpr uint16_t kTypeShort = 3, kTypeLong = 4, kTypeRational = 5;
constexpr uint16_t kUnitCentimetre = 3;
constexpr double kCentimetresPerInch = 2.54;
constexpr size_t kEntrySize = 12;
constexpr int kMaxPages = 100000;  // a directory chain longer than this is taken as a loop

class Reader {
public:
    Reader(const std::vector<BYTE>& bytes, bool bigEndian) : m_b(bytes), m_big(bigEndian) {}
    bool Has(size_t at, size_t n) const { return at <= m_b.size() && n <= m_b.size() - at; }
    uint16_t U16(size_t at) const {
        return m_big ? static_cast<uint16_t>(m_b[at] << 8 | m_b[at + 1]) : static_cast<uint16_t>(m_b[at + 1] << 8 | m_b[at]);
    }
    uint32_t U32(size_t at) const {
        return m_big ? static_cast<uint32_t>(U16(at)) << 16 | U16(at + 2) : static_cast<uint32_t>(U16(at + 2)) << 16 | U16(at);
    }

private:
    const std::vector<BYTE>& m_b;
    bool m_big;
};

// The value of a SHORT or LONG entry, or the resolution of a RATIONAL one.
double EntryValue(const Reader& r, size_t entry) {
    const uint16_t type = r.U16(entry + 2);
    if (type == kTypeShort) return r.U16(entry + 8);
    if (type == kTypeLong) return r.U32(entry + 8);
    if (type == kTypeRational) {
        const size_t at = r.U32(entry + 8);
        if (!r.Has(at, 8) || r.U32(at + 4) == 0) return 0;
        return static_cast<double>(r.U32(at)) / r.U32(at + 4);
    }
    return 0;
}

}  // namespace

bool ReadTiffFacts(const std::vector<BYTE>& file, TiffFacts& facts) {
    if (file.size() < 8) return false;
    const bool big = file[0] == 'M' && file[1] == 'M';
    if (!big && !(file[0] == 'I' && file[1] == 'I')) return false;
    const Reader r(file, big);
    if (r.U16(2) != 42) return false;
    uint32_t ifd = r.U32(4);
    std::set<uint32_t> seen;
    facts = TiffFacts{};
    double xRes = 0, yRes = 0;
    int samples = 1, bits = 1, unit = 2;
    while (ifd != 0 && facts.pages < kMaxPages && seen.insert(ifd).second) {
        if (!r.Has(ifd, 2)) return facts.pages > 0;
        const uint16_t count = r.U16(ifd);
        if (!r.Has(ifd + 2, count * kEntrySize + 4)) return facts.pages > 0;
        if (facts.pages == 0) {
            for (uint16_t i = 0; i < count; ++i) {
                const size_t entry = ifd + 2 + i * kEntrySize;
                const double value = EntryValue(r, entry);
                switch (r.U16(entry)) {
                case kTagWidth: facts.width = static_cast<uint32_t>(value); break;
                case kTagLength: facts.height = static_cast<uint32_t>(value); break;
                // Several samples store their sizes elsewhere; pages here have equal sizes, so the
                // first one (or the value itself for one sample) is enough.
                case kTagBitsPerSample: bits = r.U32(entry + 4) == 1 ? static_cast<int>(value) : 8; break;
                case kTagSamplesPerPixel: samples = static_cast<int>(value); break;
                case kTagCompression: facts.compression = static_cast<int>(value); break;
                case kTagXResolution: xRes = value; break;
                case kTagYResolution: yRes = value; break;
                case kTagResolutionUnit: unit = static_cast<int>(value); break;
                }
            }
        }
        ++facts.pages;
        ifd = r.U32(ifd + 2 + count * kEntrySize);
    }
    const double scale = unit == kUnitCentimetre ? kCentimetresPerInch : 1.0;
    facts.bitsPerPixel = bits * samples;
    facts.xDpi = static_cast<int>(xRes * scale + 0.5);
    facts.yDpi = static_cast<int>(yRes * scale + 0.5);
    return facts.pages > 0;
}

}  // namespace twprint
