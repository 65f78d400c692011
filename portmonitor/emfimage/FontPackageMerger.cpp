// Merging subset and delta font packages.
#include "emfimage/FontPackageMerger.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "emfimage/InstalledFont.h"
#include "emfimage/TTFHandler.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr wchar_t kFontSubLibrary[] = L"fontsub.dll";
constexpr char kMergeFontPackage[] = "MergeFontPackage";

constexpr size_t kOffsetTableSize = 12;
constexpr size_t kTableRecordSize = 16;
constexpr size_t kHeadIndexToLocFormat = 50;
constexpr size_t kHeadCheckSumAdjustment = 8;
constexpr size_t kMaxpNumGlyphs = 4;
constexpr WORD kLongLoca = 1;

WORD Be16(const BYTE* p) { return static_cast<WORD>((p[0] << 8) | p[1]); }
DWORD Be32(const BYTE* p) { return (DWORD(p[0]) << 24) | (DWORD(p[1]) << 16) | (DWORD(p[2]) << 8) | p[3]; }
void Put16(std::vector<BYTE>& v, size_t at, WORD x) { v[at] = BYTE(x >> 8), v[at + 1] = BYTE(x); }
void Put32(std::vector<BYTE>& v, size_t at, DWORD x) {
    v[at] = BYTE(x >> 24), v[at + 1] = BYTE(x >> 16), v[at + 2] = BYTE(x >> 8), v[at + 3] = BYTE(x);
}

struct Table {
    const BYTE* data = nullptr;
    size_t length = 0;
};

// The tables of an sfnt, each inside the data; false for anything else.
bool ReadTables(const BYTE* font, size_t size, std::map<std::string, Table>& tables, std::vector<std::string>& order) {
    if (!TTFHandler::LooksLikeFont(font, size)) return false;
    const size_t count = Be16(font + 4);
    for (size_t i = 0; i < count; ++i) {
        const BYTE* rec = font + kOffsetTableSize + i * kTableRecordSize;
        const size_t offset = Be32(rec + 8), length = Be32(rec + 12);
        if (offset > size || size - offset < length) return false;
        const std::string tag(reinterpret_cast<const char*>(rec), 4);
        tables[tag] = {font + offset, length};
        order.push_back(tag);
    }
    return true;
}

// Glyph i of a font: its bytes in glyf through loca (empty when it has none).
struct Glyphs {
    const BYTE* glyf = nullptr;
    size_t glyfLength = 0;
    const BYTE* loca = nullptr;
    size_t locaLength = 0;
    bool longLoca = false;
    size_t count = 0;
    bool Read(std::map<std::string, Table>& t) {
        if (!t.count("head") || !t.count("maxp") || !t.count("loca") || !t.count("glyf")) return false;
        if (t["head"].length < kHeadIndexToLocFormat + 2 || t["maxp"].length < kMaxpNumGlyphs + 2) return false;
        longLoca = Be16(t["head"].data + kHeadIndexToLocFormat) == kLongLoca;
        count = Be16(t["maxp"].data + kMaxpNumGlyphs);
        glyf = t["glyf"].data, glyfLength = t["glyf"].length;
        loca = t["loca"].data, locaLength = t["loca"].length;
        return locaLength >= (count + 1) * (longLoca ? 4 : 2);
    }
    size_t Offset(size_t i) const { return longLoca ? Be32(loca + 4 * i) : 2 * size_t(Be16(loca + 2 * i)); }
    bool Glyph(size_t i, const BYTE*& data, size_t& length) const {
        if (i >= count) return false;
        const size_t begin = Offset(i), end = Offset(i + 1);
        if (end < begin || end > glyfLength) return false;
        data = glyf + begin, length = end - begin;
        return true;
    }
};

DWORD Checksum(const std::vector<BYTE>& data, size_t begin, size_t length) {
    DWORD sum = 0;
    for (size_t i = 0; i < length; i += 4) {
        DWORD word = 0;
        for (size_t k = 0; k < 4; ++k) word = (word << 8) | (i + k < length ? data[begin + i + k] : 0);
        sum += word;
    }
    return sum;
}

bool MergeDelta(const std::vector<BYTE>& base, const BYTE* delta, size_t deltaSize, std::vector<BYTE>& result) {
    std::map<std::string, Table> baseTables, deltaTables;
    std::vector<std::string> order, unused;
    if (!ReadTables(base.data(), base.size(), baseTables, order) || !ReadTables(delta, deltaSize, deltaTables, unused))
        return false;
    Glyphs a, b;
    if (!a.Read(baseTables) || !b.Read(deltaTables) || b.count > a.count) return false;
    // The glyphs of the delta replace the empty ones of the font so far.
    std::vector<BYTE> glyf, loca;
    for (size_t i = 0; i < a.count; ++i) {
        const BYTE* data = nullptr;
        size_t length = 0;
        if (!(b.Glyph(i, data, length) && length > 0) && !a.Glyph(i, data, length)) return false;
        loca.resize(loca.size() + 4);
        Put32(loca, loca.size() - 4, static_cast<DWORD>(glyf.size()));
        glyf.insert(glyf.end(), data, data + length);
        glyf.resize((glyf.size() + 3) & ~size_t(3));
    }
    loca.resize(loca.size() + 4);
    Put32(loca, loca.size() - 4, static_cast<DWORD>(glyf.size()));

    std::map<std::string, std::vector<BYTE>> tables;
    for (const std::string& tag : order) tables[tag].assign(baseTables[tag].data, baseTables[tag].data + baseTables[tag].length);
    tables["glyf"] = std::move(glyf);
    tables["loca"] = std::move(loca);
    Put16(tables["head"], kHeadIndexToLocFormat, kLongLoca);
    Put32(tables["head"], kHeadCheckSumAdjustment, 0);

    result.assign(base.begin(), base.begin() + kOffsetTableSize + order.size() * kTableRecordSize);
    for (size_t i = 0; i < order.size(); ++i) {
        const std::vector<BYTE>& t = tables[order[i]];
        const size_t rec = kOffsetTableSize + i * kTableRecordSize;
        const size_t offset = result.size();
        result.insert(result.end(), t.begin(), t.end());
        result.resize((result.size() + 3) & ~size_t(3));
        Put32(result, rec + 4, Checksum(result, offset, t.size()));
        Put32(result, rec + 8, static_cast<DWORD>(offset));
        Put32(result, rec + 12, static_cast<DWORD>(t.size()));
    }
    return true;
}

}  // namespace

FontPackageMerger::FontPackageMerger() {
    // Wine's fontsub.dll exports MergeFontPackage as a stub that raises an exception when called.
    if (!InstalledFont::RunsOnWine()) m_fontsub.reset(::LoadLibraryW(kFontSubLibrary));
    if (m_fontsub) m_merge = reinterpret_cast<MergeFn>(::GetProcAddress(m_fontsub.get(), kMergeFontPackage));
    if (!m_merge)
        TW_TRACE(L"CFontResource::CFontResource: Could not load %S from %s", kMergeFontPackage, kFontSubLibrary);
}

bool FontPackageMerger::MergeOwn(const std::vector<BYTE>& merged, const BYTE* package, size_t packageSize,
                                 FontMergeMode mode, std::vector<BYTE>& result) {
    if (mode == FontMergeMode::Subset) {
        if (!TTFHandler::LooksLikeFont(package, packageSize)) return false;
        result.assign(package, package + packageSize);
        return true;
    }
    return MergeDelta(merged, package, packageSize, result);
}

bool FontPackageMerger::Merge(const std::vector<BYTE>& merged, const BYTE* package, size_t packageSize,
                              FontMergeMode mode, std::vector<BYTE>& result) const {
    if (!package || packageSize == 0 || packageSize > ULONG_MAX || merged.size() > ULONG_MAX) return false;
    if (m_merge) {
        UCHAR* out = nullptr;
        ULONG outSize = 0, written = 0;
        const ULONG status =
            m_merge(merged.empty() ? nullptr : merged.data(), static_cast<ULONG>(merged.size()), package,
                    static_cast<ULONG>(packageSize), &out, &outSize, &written, static_cast<USHORT>(mode), std::malloc,
                    std::realloc, std::free, nullptr);
        TW_TRACE(L"CFontResource::AddFontRecord: MergeFontPackage returned %d", static_cast<int>(status));
        if (status == 0 && out && written > 0 && written <= outSize) {
            result.assign(out, out + written);
            std::free(out);
            return true;
        }
        std::free(out);
    }
    return MergeOwn(merged, package, packageSize, mode, result);
}

}  // namespace tw
