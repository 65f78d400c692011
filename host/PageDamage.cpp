// Damaged pages for the page fuzzers.
#include "host/PageDamage.h"

#include <algorithm>
#include <cstring>

#include "base/UniqueHandle.h"
#include "base/WideString.h"

namespace twhost {
namespace {

constexpr size_t kRecordHeader = 8;
constexpr size_t kHeaderBytesOffset = 48;
constexpr size_t kHeaderRecordsOffset = 52;
constexpr size_t kHeaderHandlesOffset = 56;
constexpr size_t kHeaderFrameOffset = 24;
constexpr size_t kHeaderDeviceOffset = 72;
constexpr size_t kHeaderMillimetersOffset = 80;
constexpr uint32_t kRawPageShare = 5;  // one case in this many is a raw page

const uint32_t kExtremes[] = {0u, 1u, 2u, 0x7FFFFFF0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFF8u,
                              0x10000u, 0x40000000u, 0x3FFFFFFFu, 0xC0000000u, 0x00FFFFFFu, 0x7F7FFFFFu /* FLT_MAX */,
                              0x7F800000u /* +inf */, 0x7FC00000u /* NaN */, 0x4E800000u /* 2^30 as float */};

uint32_t Get32(const Bytes& b, size_t at) {
    uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

void Put32(Bytes& b, size_t at, uint32_t v) {
    if (at + 4 <= b.size()) std::memcpy(b.data() + at, &v, 4);
}

void Append32(Bytes& b, uint32_t v) {
    const size_t at = b.size();
    b.resize(at + 4);
    std::memcpy(b.data() + at, &v, 4);
}

void AppendFloat(Bytes& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    Append32(b, v);
}

// Builds one record: type, size filled in by End().
class Rec {
public:
    explicit Rec(DWORD type) { Append32(m_b, type), Append32(m_b, 0); }
    Rec& U(uint32_t v) { return Append32(m_b, v), *this; }
    Rec& I(int32_t v) { return Append32(m_b, static_cast<uint32_t>(v)), *this; }
    Rec& F(float f) { return AppendFloat(m_b, f), *this; }
    Rec& Raw(const Bytes& more) { return m_b.insert(m_b.end(), more.begin(), more.end()), *this; }
    Rec& Bounds() { return I(0).I(0).I(1000).I(1000); }
    Rec& Identity() { return F(1).F(0).F(0).F(1).F(0).F(0); }
    size_t Size() const { return m_b.size(); }
    Bytes End() {
        while (m_b.size() % 4) m_b.push_back(0);
        Put32(m_b, 4, static_cast<uint32_t>(m_b.size()));
        return m_b;
    }

private:
    Bytes m_b;
};

// A BITMAPINFO (header and colour table) and rows for a small patterned bitmap.
struct SmallDib {
    Bytes info, bits;
};

SmallDib MakeSmallDib(LONG w, LONG h, WORD bits) {
    Bytes page = MakeRawPage(w, h, bits, false, false, 0x5A);
    BITMAPINFOHEADER hdr;
    std::memcpy(&hdr, page.data(), sizeof(hdr));
    const size_t infoBytes = sizeof(hdr) + hdr.biClrUsed * sizeof(RGBQUAD);
    return {Bytes(page.begin(), page.begin() + infoBytes), Bytes(page.begin() + infoBytes, page.end())};
}

// The four bitmap fields at the end of `r` pointing at `bmiAt` and the bits after the info.
Rec& BitmapFields(Rec& r, size_t bmiAt, const SmallDib& d) {
    return r.U(static_cast<uint32_t>(bmiAt))
        .U(static_cast<uint32_t>(d.info.size()))
        .U(static_cast<uint32_t>(bmiAt + d.info.size()))
        .U(static_cast<uint32_t>(d.bits.size()));
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Select(DWORD slot) { return Rec(EMR_SELECTOBJECT).U(slot).End(); }
Bytes Rectangle() { return Rec(EMR_RECTANGLE).I(50).I(50).I(400).I(300).End(); }

// A blit with the BITBLT layout (STRETCHBLT, ALPHABLEND and TRANSPARENTBLT add cxSrc, cySrc).
Bytes Blit(DWORD type, DWORD rop, const SmallDib& d, bool sourceSize) {
    Rec r(type);
    r.Bounds().I(20).I(20).I(120).I(120).U(rop).I(0).I(0).Identity().U(0).U(DIB_RGB_COLORS);
    const size_t bmiAt = r.Size() + 16 + (sourceSize ? 8 : 0);
    BitmapFields(r, bmiAt, d);
    if (sourceSize) r.I(8).I(8);
    return r.Raw(d.info).Raw(d.bits).End();
}

Bytes MaskBlt() {
    const SmallDib src = MakeSmallDib(8, 8, 24), mask = MakeSmallDib(8, 8, 1);
    Rec r(EMR_MASKBLT);
    r.Bounds().I(20).I(20).I(80).I(80).U(SRCCOPY).I(0).I(0).Identity().U(0).U(DIB_RGB_COLORS);
    const size_t srcAt = 128, maskAt = srcAt + src.info.size() + src.bits.size();
    BitmapFields(r, srcAt, src).I(0).I(0).U(DIB_RGB_COLORS);
    BitmapFields(r, maskAt, mask);
    return r.Raw(src.info).Raw(src.bits).Raw(mask.info).Raw(mask.bits).End();
}

Bytes PlgBlt() {
    const SmallDib src = MakeSmallDib(8, 8, 24), mask = MakeSmallDib(8, 8, 1);
    Rec r(EMR_PLGBLT);
    r.Bounds().I(10).I(10).I(90).I(20).I(20).I(90).I(0).I(0).I(8).I(8).Identity().U(0).U(DIB_RGB_COLORS);
    const size_t srcAt = 140, maskAt = srcAt + src.info.size() + src.bits.size();
    BitmapFields(r, srcAt, src).I(0).I(0).U(DIB_RGB_COLORS);
    BitmapFields(r, maskAt, mask);
    return r.Raw(src.info).Raw(src.bits).Raw(mask.info).Raw(mask.bits).End();
}

Bytes DibRecord(DWORD type) {
    const SmallDib d = MakeSmallDib(16, 8, type == EMR_SETDIBITSTODEVICE ? 8 : 24);
    Rec r(type);
    r.Bounds().I(30).I(30).I(0).I(0).I(16).I(8);
    const size_t bmiAt = type == EMR_STRETCHDIBITS ? 80 : 76;
    BitmapFields(r, bmiAt, d).U(DIB_RGB_COLORS);
    if (type == EMR_STRETCHDIBITS) r.U(SRCCOPY).I(160).I(80);
    else r.U(0).U(8);
    return r.Raw(d.info).Raw(d.bits).End();
}

Bytes PatternBrush(DWORD type, DWORD slot) {
    const SmallDib d = MakeSmallDib(8, 8, 1);
    Rec r(type);
    r.U(slot).U(DIB_RGB_COLORS);
    BitmapFields(r, 32, d);
    return Join({r.Raw(d.info).Raw(d.bits).End(), Select(slot), Rectangle()});
}

Bytes PatternPen(DWORD slot) {
    const SmallDib d = MakeSmallDib(8, 8, 1);
    Rec r(EMR_EXTCREATEPEN);
    r.U(slot);
    BitmapFields(r, 52, d);
    r.U(PS_GEOMETRIC | PS_SOLID).U(5).U(BS_DIBPATTERNPT).U(DIB_RGB_COLORS).U(0).U(0);
    return Join({r.Raw(d.info).Raw(d.bits).End(), Select(slot), Rec(EMR_LINETO).I(500).I(400).End()});
}

Bytes Region() {
    Rec r(EMR_EXTSELECTCLIPRGN);
    r.U(32 + 2 * 16).U(RGN_AND).U(32).U(RDH_RECTANGLES).U(2).U(32).I(0).I(0).I(800).I(800);
    r.I(0).I(0).I(400).I(400).I(400).I(400).I(800).I(800);
    return r.End();
}

Bytes Gradient() {
    Rec r(EMR_GRADIENTFILL);
    r.Bounds().U(2).U(1).U(GRADIENT_FILL_RECT_H);
    r.I(10).I(10).U(0).U(0x8000FF00u).I(300).I(200).U(0xFF000000u).U(0x0000FF00u);
    return r.U(0).U(1).End();
}

Bytes FontAndText(DWORD slot) {
    Rec f(EMR_EXTCREATEFONTINDIRECTW);
    f.U(slot).I(-40).I(0).I(0).I(0).I(FW_NORMAL).U(0).U(0);  // height .. weight, italic/underline/strike/charset
    f.U(0);                                                   // out precision .. pitch and family
    const wchar_t face[LF_FACESIZE] = L"Arial";
    Bytes faceBytes(reinterpret_cast<const BYTE*>(face), reinterpret_cast<const BYTE*>(face) + sizeof(face));
    f.Raw(faceBytes);
    Rec t(EMR_EXTTEXTOUTW);
    t.Bounds().U(GM_COMPATIBLE).F(1).F(1);
    t.I(100).I(300).U(2).U(76).U(0).I(0).I(0).I(-1).I(-1).U(84);  // EMRTEXT: 2 chars at 76, dx at 84
    t.U(0x00690048u).U(0).U(20).U(20);
    return Join({f.End(), Select(slot), t.End()});
}

Bytes Transform() { return Rec(EMR_SETWORLDTRANSFORM).F(2).F(0).F(0).F(2).F(10).F(10).End(); }

}  // namespace

std::vector<Bytes> LoadPageCorpus(const std::wstring& repoRoot) {
    std::vector<Bytes> pages;
    for (const wchar_t* folder : {L"\\..\\shared\\testdata\\emf", L"\\examples"}) {
        const std::wstring dir = repoRoot + folder;
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW fd;
        tw::UniqueFindFile find(::FindFirstFileW((dir + L"\\*.emf").c_str(), &fd));
        if (!find) continue;
        do names.push_back(fd.cFileName); while (::FindNextFileW(find.get(), &fd));
        std::sort(names.begin(), names.end());
        for (const std::wstring& name : names) {
            tw::UniqueFile file(::CreateFileW((dir + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
            LARGE_INTEGER size{};
            if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > MAXDWORD) continue;
            Bytes bytes(static_cast<size_t>(size.QuadPart));
            DWORD read = 0;
            if (::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                read == bytes.size())
                pages.push_back(std::move(bytes));
        }
    }
    return pages;
}

std::wstring RepoRootOfProgram() {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = ::GetEnvironmentVariableW(L"TW_ROOT", buf, static_cast<DWORD>(std::size(buf)));
    if (n > 0 && n < std::size(buf)) return buf;
    n = ::GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    std::wstring root(buf, n);
    for (int i = 0; i < 3 && root.find_last_of(L"\\/") != std::wstring::npos; ++i) root.erase(root.find_last_of(L"\\/"));
    return root;
}

uint64_t FuzzRandom::Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint32_t FuzzRandom::Below(uint32_t bound) { return bound ? static_cast<uint32_t>(Next() % bound) : 0; }

Bytes MakeRawPage(LONG width, LONG height, WORD bits, bool clrUsed0, bool topDown, uint32_t pattern) {
    const DWORD entries = bits <= 8 ? (1u << bits) : 0;
    const DWORD stride = static_cast<DWORD>((uint64_t(width) * bits + 31) / 32 * 4);
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), width, topDown ? -height : height, 1, bits, BI_RGB,
                       stride * static_cast<DWORD>(height), 3937, 3937, clrUsed0 ? 0 : entries, 0};
    Bytes out(sizeof(h) + entries * sizeof(RGBQUAD) + size_t(stride) * height);
    std::memcpy(out.data(), &h, sizeof(h));
    for (DWORD i = 0; i < entries; ++i) {
        // Black to white in order: index 0 black, the last white.
        const BYTE v = static_cast<BYTE>(entries > 1 ? i * 255 / (entries - 1) : 0);
        const RGBQUAD q{v, v, v, 0};
        std::memcpy(out.data() + sizeof(h) + i * sizeof(RGBQUAD), &q, sizeof(q));
    }
    BYTE* rows = out.data() + sizeof(h) + entries * sizeof(RGBQUAD);
    for (LONG y = 0; y < height; ++y)
        for (DWORD x = 0; x < stride; ++x)
            rows[size_t(y) * stride + x] = static_cast<BYTE>((x * 7 + y * 13) ^ pattern ^ (y / 9 * 31));
    return out;
}

Bytes MakeSampleRecord(uint32_t kind, DWORD slot) {
    switch (kind) {
        case 0: return DibRecord(EMR_STRETCHDIBITS);
        case 1: return DibRecord(EMR_SETDIBITSTODEVICE);
        case 2: return Blit(EMR_BITBLT, SRCCOPY, MakeSmallDib(8, 8, 1), false);
        case 3: return Blit(EMR_STRETCHBLT, SRCCOPY, MakeSmallDib(8, 8, 4), true);
        case 4: return Blit(EMR_ALPHABLEND, 0x00FF0000u /* AC_SRC_OVER, alpha 255 */, MakeSmallDib(8, 8, 32), true);
        case 5: return Blit(EMR_TRANSPARENTBLT, 0x00FFFFFFu, MakeSmallDib(8, 8, 24), true);
        case 6: return MaskBlt();
        case 7: return PlgBlt();
        case 8: return PatternBrush(EMR_CREATEDIBPATTERNBRUSHPT, slot);
        case 9: return PatternBrush(EMR_CREATEMONOBRUSH, slot);
        case 10: return PatternPen(slot);
        case 11: return Rec(EMR_ELLIPSE).I(100).I(100).I(400).I(250).End();
        case 12: return Rec(EMR_POLYLINE16).Bounds().U(4).U(0x000A000Au).U(0x0064000Au).U(0x00640064u).U(0x0A0064u).End();
        case 13: return Join({Rec(EMR_CREATEPEN).U(slot).U(PS_SOLID).I(3).I(0).U(0).End(), Select(slot),
                              Rec(EMR_ARC).I(100).I(100).I(300).I(300).I(300).I(200).I(100).I(200).End()});
        case 14: return Region();
        case 15: return Gradient();
        case 16: return Transform();
        case 17: return FontAndText(slot);
        case 18: return Rec(EMR_POLYPOLYGON16).Bounds().U(2).U(6).U(3).U(3)
                     .U(0x000A000Au).U(0x0064000Au).U(0x00640064u).U(0x00C800C8u).U(0x012C00C8u).U(0x012C012Cu).End();
        case 19: return Join({Rec(EMR_CREATEBRUSHINDIRECT).U(slot).U(BS_HATCHED).U(0).U(HS_CROSS).End(), Select(slot),
                              Rectangle()});
        case 20: return Rec(EMR_ANGLEARC).I(300).I(300).U(100).F(0).F(270).End();
        case 21: return Rec(EMR_SETVIEWPORTEXTEX).I(1000).I(1000).End();
        case 22: return Rec(EMR_ROUNDRECT).I(100).I(100).I(500).I(300).I(40).I(40).End();
        default: return {};
    }
}

DamagedPage PageDamager::Make(uint64_t seed, uint64_t index) const {
    FuzzRandom rng(seed * 0x100000001B3ull + index);
    if (m_pages.empty() || rng.OneIn(kRawPageShare)) return DamageRaw(rng);
    return DamageEmf(rng, rng.Below(static_cast<uint32_t>(m_pages.size())));
}

namespace {

struct EmfRecords {
    std::vector<Bytes> records;  // the header first; what cannot be split stays in one piece
};

EmfRecords Split(const Bytes& emf) {
    EmfRecords out;
    size_t at = 0;
    while (at < emf.size()) {
        const uint32_t size = Get32(emf, at + 4);
        if (size < kRecordHeader || size % 4 || size > emf.size() - at) {
            out.records.emplace_back(emf.begin() + at, emf.end());
            break;
        }
        out.records.emplace_back(emf.begin() + at, emf.begin() + at + size);
        at += size;
    }
    return out;
}

uint32_t Extreme(FuzzRandom& rng, uint32_t around) {
    switch (rng.Below(4)) {
        case 0: return around + 4 * rng.Below(64);             // just past something
        case 1: return rng.Below(2) ? around - 4 : around * 2;   // just short, or double
        case 2: return static_cast<uint32_t>(rng.Next());
        default: return kExtremes[rng.Below(static_cast<uint32_t>(std::size(kExtremes)))];
    }
}

// One damage to a record list; returns what it did.
std::wstring DamageOnce(FuzzRandom& rng, EmfRecords& emf, DWORD& slot, bool& keepBytes) {
    auto& recs = emf.records;
    const size_t n = recs.size();
    const size_t pick = n > 1 ? 1 + rng.Below(static_cast<uint32_t>(n - 1)) : 0;
    Bytes& rec = recs[pick];
    const uint32_t type = Get32(rec, 0);
    switch (rng.Below(12)) {
        case 0: {  // a bit of the size
            const uint32_t bit = rng.Below(3) ? 2 + rng.Below(10) : rng.Below(32);
            Put32(rec, 4, Get32(rec, 4) ^ (1u << bit));
            return tw::FormatW(L"record %zu (type %u): size bit %u flipped", pick, type, bit);
        }
        case 1: {  // a bit of the type
            const uint32_t bit = rng.Below(8);
            Put32(rec, 0, type ^ (1u << bit));
            return tw::FormatW(L"record %zu: type %u bit %u flipped", pick, type, bit);
        }
        case 2: case 3: {  // a bit of the body
            if (rec.size() <= kRecordHeader) return L"no body";
            const size_t at = kRecordHeader + rng.Below(static_cast<uint32_t>(rec.size() - kRecordHeader));
            rec[at] ^= static_cast<BYTE>(1u << rng.Below(8));
            return tw::FormatW(L"record %zu (type %u): bit flipped at %zu", pick, type, at);
        }
        case 4: case 5: {  // a field set to an extreme
            if (rec.size() < kRecordHeader + 4) return L"no field";
            const size_t at = kRecordHeader + 4 * rng.Below(static_cast<uint32_t>((rec.size() - kRecordHeader) / 4));
            const uint32_t v = Extreme(rng, static_cast<uint32_t>(rec.size()));
            Put32(rec, at, v);
            return tw::FormatW(L"record %zu (type %u): field at %zu = 0x%X", pick, type, at, v);
        }
        case 6: {  // a record carrying a bitmap, brush, pen, region or shape, then maybe damaged
            const uint32_t kind = rng.Below(23);
            Bytes sample = MakeSampleRecord(kind, slot);
            std::wstring what = tw::FormatW(L"sample %u inserted at %zu", kind, pick);
            if (rng.Below(3) && sample.size() > kRecordHeader + 4) {
                const size_t at = kRecordHeader + 4 * rng.Below(static_cast<uint32_t>((Get32(sample, 4) - kRecordHeader) / 4));
                const uint32_t v = Extreme(rng, Get32(sample, 4));
                Put32(sample, at, v);
                what += tw::FormatW(L", field at %zu = 0x%X", at, v);
            }
            recs.insert(recs.begin() + pick, std::move(sample));
            return what;
        }
        case 7: recs.insert(recs.begin() + pick, recs[pick]); return tw::FormatW(L"record %zu duplicated", pick);
        case 8:
            if (n > 1) recs.erase(recs.begin() + pick);
            return tw::FormatW(L"record %zu removed", pick);
        case 9: {
            const size_t other = n > 1 ? 1 + rng.Below(static_cast<uint32_t>(n - 1)) : 0;
            std::swap(recs[pick], recs[other]);
            return tw::FormatW(L"records %zu and %zu swapped", pick, other);
        }
        case 10: {  // the header lies
            Bytes& h = recs[0];
            const size_t fields[] = {kHeaderBytesOffset, kHeaderRecordsOffset, kHeaderHandlesOffset,
                                     kHeaderFrameOffset + 8, kHeaderDeviceOffset, kHeaderMillimetersOffset + 4};
            const size_t at = fields[rng.Below(static_cast<uint32_t>(std::size(fields)))];
            const uint32_t v = Extreme(rng, Get32(h, at));
            Put32(h, at, v);
            if (at == kHeaderBytesOffset) keepBytes = true;
            return tw::FormatW(L"header field at %zu = 0x%X", at, v);
        }
        default: {  // cut short inside a record
            const size_t cut = rec.size() > 4 ? 4 * rng.Below(static_cast<uint32_t>(rec.size() / 4)) : 0;
            rec.resize(cut);
            return tw::FormatW(L"record %zu (type %u) cut to %zu bytes", pick, type, cut);
        }
    }
}

}  // namespace

DamagedPage PageDamager::DamageEmf(FuzzRandom& rng, size_t source) const {
    DamagedPage page;
    page.source = source;
    EmfRecords emf = Split(m_pages[source]);
    // A free handle slot for inserted objects: one more than the page has.
    DWORD slot = 0;
    if (!emf.records.empty() && emf.records[0].size() >= kHeaderHandlesOffset + 2) {
        WORD handles;
        std::memcpy(&handles, emf.records[0].data() + kHeaderHandlesOffset, 2);
        slot = handles;
        if (handles < 0xFFFF) ++handles;
        std::memcpy(emf.records[0].data() + kHeaderHandlesOffset, &handles, 2);
    }
    bool keepBytes = false;
    const uint32_t damages = 1 + rng.Below(3);
    for (uint32_t i = 0; i < damages && !emf.records.empty(); ++i) {
        if (!page.description.empty()) page.description += L"; ";
        page.description += DamageOnce(rng, emf, slot, keepBytes);
    }
    for (const Bytes& r : emf.records) page.bytes.insert(page.bytes.end(), r.begin(), r.end());
    // The header's length follows the damage unless the damage was to lie about it.
    if (!keepBytes) Put32(page.bytes, kHeaderBytesOffset, static_cast<uint32_t>(page.bytes.size()));
    return page;
}

DamagedPage PageDamager::DamageRaw(FuzzRandom& rng) const {
    static const WORD kBits[] = {1, 4, 8, 16, 24, 32};
    DamagedPage page;
    page.raw = true;
    const WORD bits = kBits[rng.Below(6)];
    const LONG w = 1 + rng.Below(300), h = 1 + rng.Below(300);
    const bool clr0 = rng.OneIn(2), topDown = rng.OneIn(2);
    page.bytes = MakeRawPage(w, h, bits, clr0, topDown, static_cast<uint32_t>(rng.Next()));
    page.description = tw::FormatW(L"raw %ldx%ld %u-bit%s%s", w, h, bits, clr0 ? L" clrUsed 0" : L"",
                                   topDown ? L" top-down" : L"");
    if (rng.OneIn(8)) {  // a good page now and then: it must come out whole
        page.intact = true;
        return page;
    }
    // The header's fields: biSize, width, height, planes and bits, compression, image size, ppm, clrUsed.
    const size_t fields[] = {0, 4, 8, 12, 14, 16, 20, 32};
    const uint32_t lies = 1 + rng.Below(2);
    for (uint32_t i = 0; i < lies; ++i) {
        const size_t at = fields[rng.Below(static_cast<uint32_t>(std::size(fields)))];
        if (at == 12 || at == 14) {
            const WORD v = static_cast<WORD>(rng.OneIn(2) ? rng.Below(65) : rng.Next());
            std::memcpy(page.bytes.data() + at, &v, 2);
            page.description += tw::FormatW(L"; word at %zu = %u", at, v);
        } else {
            const uint32_t v = Extreme(rng, Get32(page.bytes, at));
            Put32(page.bytes, at, v);
            page.description += tw::FormatW(L"; field at %zu = 0x%X", at, v);
        }
    }
    if (rng.OneIn(4)) {
        const size_t cut = rng.Below(static_cast<uint32_t>(page.bytes.size()));
        page.bytes.resize(cut);
        page.description += tw::FormatW(L"; cut to %zu bytes", cut);
    }
    return page;
}

}  // namespace twhost
