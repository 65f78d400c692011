#include "MetafileTestSupport.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "emfimage/PagePlayer.h"

namespace twtest {
namespace {

constexpr size_t kHeaderBytesOffset = 48;
constexpr size_t kHeaderRecordsOffset = 52;

void PutDword(std::string& s, DWORD v) { s.append(reinterpret_cast<const char*>(&v), sizeof(v)); }
void PutLong(std::string& s, LONG v) { s.append(reinterpret_cast<const char*>(&v), sizeof(v)); }
void Pad(std::string& s) { s.resize((s.size() + 3) / 4 * 4, '\0'); }
void FixSize(std::string& record) { WriteDword(record, 4, static_cast<DWORD>(record.size())); }

// An EMRTEXT whose string and spacing array sit at the given record offsets.
void PutEmrText(std::string& s, int x, int y, DWORD chars, DWORD offString, DWORD options, DWORD offDx) {
    PutLong(s, x);
    PutLong(s, y);
    PutDword(s, chars);
    PutDword(s, offString);
    PutDword(s, options);
    for (int i = 0; i < 4; ++i) PutLong(s, 0);
    PutDword(s, offDx);
}

void PutText(std::string& s, const std::wstring& text) {
    s.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    Pad(s);
    for (size_t i = 0; i < text.size(); ++i) PutLong(s, 12);
}

}  // namespace

DWORD ReadDword(const std::string& bytes, size_t offset) {
    DWORD v = 0;
    std::memcpy(&v, bytes.data() + offset, sizeof(v));
    return v;
}

void WriteDword(std::string& bytes, size_t offset, DWORD value) { std::memcpy(bytes.data() + offset, &value, sizeof(value)); }

std::string EmfBits(HENHMETAFILE emf) {
    std::string bits(::GetEnhMetaFileBits(emf, 0, nullptr), '\0');
    ::GetEnhMetaFileBits(emf, static_cast<UINT>(bits.size()), reinterpret_cast<BYTE*>(bits.data()));
    return bits;
}

std::vector<EmfRecordBytes> EmfRecords(HENHMETAFILE emf) {
    const std::string bits = EmfBits(emf);
    std::vector<EmfRecordBytes> records;
    for (size_t offset = 0; offset + 8 <= bits.size();) {
        const DWORD size = ReadDword(bits, offset + 4);
        if (size < 8 || offset + size > bits.size()) break;
        records.push_back({ReadDword(bits, offset), bits.substr(offset, size)});
        offset += size;
    }
    return records;
}

std::string SpliceRecords(const std::string& emf, const std::vector<std::string>& records) {
    std::string out;
    size_t offset = 0;
    DWORD count = 0;
    while (offset + 8 <= emf.size()) {
        const DWORD type = ReadDword(emf, offset), size = ReadDword(emf, offset + 4);
        if (type == EMR_EOF)
            for (const std::string& r : records) out += r, ++count;
        out += emf.substr(offset, size);
        ++count;
        offset += size;
    }
    WriteDword(out, kHeaderBytesOffset, static_cast<DWORD>(out.size()));
    WriteDword(out, kHeaderRecordsOffset, count);
    return out;
}

tw::UniqueEnhMetaFile EmfFromBits(const std::string& bits) {
    return tw::UniqueEnhMetaFile(::SetEnhMetaFileBits(static_cast<UINT>(bits.size()),
                                                      reinterpret_cast<const BYTE*>(bits.data())));
}

std::string ExtTextOutWRecord(int x, int y, DWORD options, const std::wstring& text) {
    std::string r;
    PutDword(r, EMR_EXTTEXTOUTW);
    PutDword(r, 0);
    for (int i = 0; i < 4; ++i) PutLong(r, 0);  // rclBounds
    PutDword(r, GM_COMPATIBLE);
    PutDword(r, 0);
    PutDword(r, 0);
    const DWORD offString = 76;
    const DWORD offDx = offString + static_cast<DWORD>((text.size() * 2 + 3) / 4 * 4);
    PutEmrText(r, x, y, static_cast<DWORD>(text.size()), offString, options, offDx);
    PutText(r, text);
    FixSize(r);
    return r;
}

std::string PolyTextOutWRecord(const std::vector<std::wstring>& texts, DWORD options) {
    std::string r;
    PutDword(r, EMR_POLYTEXTOUTW);
    PutDword(r, 0);
    for (int i = 0; i < 4; ++i) PutLong(r, 0);
    PutDword(r, GM_COMPATIBLE);
    PutDword(r, 0);
    PutDword(r, 0);
    PutDword(r, static_cast<DWORD>(texts.size()));
    DWORD offset = 40 + 40 * static_cast<DWORD>(texts.size());
    std::string tails;
    for (size_t i = 0; i < texts.size(); ++i) {
        const DWORD offString = offset + static_cast<DWORD>(tails.size());
        const DWORD offDx = offString + static_cast<DWORD>((texts[i].size() * 2 + 3) / 4 * 4);
        PutEmrText(r, 10, 20 + 20 * static_cast<int>(i), static_cast<DWORD>(texts[i].size()), offString, options, offDx);
        PutText(tails, texts[i]);
    }
    r += tails;
    FixSize(r);
    return r;
}

std::string SmallTextOutRecord(int x, int y, DWORD options, const std::wstring& text) {
    std::string r;
    PutDword(r, 108);
    PutDword(r, 0);
    PutLong(r, x);
    PutLong(r, y);
    PutDword(r, static_cast<DWORD>(text.size()));
    PutDword(r, options | 0x100);  // no clipping rectangle
    PutDword(r, GM_COMPATIBLE);
    PutDword(r, 0);
    PutDword(r, 0);
    r.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    Pad(r);
    FixSize(r);
    return r;
}

std::string AsymmetricPage(int widthMm, int heightMm) {
    return RecordPage(widthMm, heightMm, [](HDC dc) {
        HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
        const RECT a{10, 10, 90, 50}, b{200, 20, 260, 140}, c{20, 300, 60, 420};
        ::FillRect(dc, &a, black);
        ::FillRect(dc, &b, black);
        ::FillRect(dc, &c, black);
    });
}

Raster PlayInto(HENHMETAFILE emf, LONG width, LONG height) {
    const RECT rect{0, 0, width, height};
    return PlayWhole(emf, width, height, 1, rect);
}

tw::UniqueHGlobal PackedDibFromRaster(const Raster& r) {
    const size_t palette = r.bitCount == 1 ? 2 : 0;
    tw::UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                          sizeof(BITMAPINFOHEADER) + palette * sizeof(RGBQUAD) + r.bits.size()));
    tw::GlobalLockGuard<BYTE> p(block.get());
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), r.width, r.height, 1, r.bitCount, BI_RGB,
                       static_cast<DWORD>(r.bits.size()), 0, 0, static_cast<DWORD>(palette), 0};
    std::memcpy(p.get(), &h, sizeof(h));
    if (palette) {
        const RGBQUAD bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        std::memcpy(p.get() + sizeof(h), bw, sizeof(bw));
    }
    std::memcpy(p.get() + sizeof(h) + palette * sizeof(RGBQUAD), r.bits.data(), r.bits.size());
    return block;
}

size_t BlackPixels(const Raster& r) {
    size_t n = 0;
    for (LONG y = 0; y < r.height; ++y)
        for (LONG x = 0; x < r.width; ++x) n += !r.Pixel(x, y);
    return n;
}

RECT BlackBounds(const Raster& r) {
    RECT b{LONG_MAX, LONG_MAX, -1, -1};
    for (LONG y = 0; y < r.height; ++y)
        for (LONG x = 0; x < r.width; ++x)
            if (!r.Pixel(x, y)) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
            }
    return b.right < 0 ? RECT{} : b;
}

std::vector<BYTE> PlayPageBits(HENHMETAFILE emf, LONG width, LONG height, const tw::MarkerScanner* markers) {
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    void* bits = nullptr;
    tw::UniqueGdiObject bitmap(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return {};
    tw::SelectGuard select(dc.get(), bitmap.get());
    ::PatBlt(dc.get(), 0, 0, width, height, WHITENESS);
    tw::PlaybackBudget budget;
    tw::FontQualityRule fonts;
    tw::PlayPage(dc.get(), emf, RECT{0, 0, width - 1, height - 1}, nullptr, fonts, budget, markers);
    ::GdiFlush();
    const auto* p = static_cast<const BYTE*>(bits);
    return std::vector<BYTE>(p, p + static_cast<size_t>((width * 3 + 3) / 4 * 4) * height);
}

}  // namespace twtest
