// Reading the words of a page from its text records.
#include "emfimage/PageTextReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "emfimage/EmfRecordWalk.h"
#include "emfimage/EmfTextRecords.h"
#include "emfimage/EmfTextRuns.h"
#include "emfimage/TemporaryFonts.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr int kBoldWeight = 700;
constexpr int kPointsPerInch = 72;

// Records that only draw: following the page's text needs none of them.
bool OnlyDraws(DWORD type) {
    switch (type) {
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON:
    case EMR_SETPIXELV: case EMR_ELLIPSE: case EMR_RECTANGLE: case EMR_ROUNDRECT: case EMR_ARC: case EMR_CHORD:
    case EMR_PIE: case EMR_EXTFLOODFILL: case EMR_FILLPATH: case EMR_STROKEANDFILLPATH: case EMR_STROKEPATH:
    case EMR_GDICOMMENT: case EMR_FILLRGN: case EMR_FRAMERGN: case EMR_INVERTRGN: case EMR_PAINTRGN:
    case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_MASKBLT: case EMR_PLGBLT: case EMR_SETDIBITSTODEVICE:
    case EMR_STRETCHDIBITS: case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16:
    case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT:
    case EMR_GRADIENTFILL:
        return true;
    }
    return false;
}

// Length of the device vector of the logical vector (dx, dy).
double DeviceLength(HDC dc, int dx, int dy) {
    POINT p[2] = {{0, 0}, {dx, dy}};
    ::LPtoDP(dc, p, 2);
    return std::hypot(static_cast<double>(p[1].x - p[0].x), static_cast<double>(p[1].y - p[0].y));
}

struct WordContext {
    WordContext(size_t size, PlaybackBudget& budget, PageTextState& s, const PageTextSettings& set)
        : records(size, budget), state(s), settings(set), filter(s.markers) {}
    CheckedRecords records;
    PageTextState& state;
    const PageTextSettings& settings;
    MarkerFilter filter;
    TemporaryFontLoader* tempFonts = nullptr;
    std::vector<BYTE> scratch;
};

// Logical advances of `text` on `dc` when the record gave none.
std::vector<INT> MeasureAdvances(HDC dc, const std::wstring& text, bool glyphs) {
    std::vector<INT> ends(text.size(), 0), advances(text.size(), 0);
    SIZE size{};
    int fit = 0;
    const int n = static_cast<int>(text.size());
    const BOOL ok = glyphs ? ::GetTextExtentExPointI(dc, reinterpret_cast<LPWORD>(const_cast<wchar_t*>(text.data())), n,
                                                    0, &fit, ends.data(), &size)
                           : ::GetTextExtentExPointW(dc, text.data(), n, 0, &fit, ends.data(), &size);
    if (!ok) return advances;
    for (size_t i = 0; i < text.size(); ++i) advances[i] = ends[i] - (i ? ends[i - 1] : 0);
    return advances;
}

// Where the characters of a run lie along it, in logical units from its origin.
struct RunLayout {
    std::vector<long long> start;  // each character's left end
    std::vector<INT> width;        // each character's width
    bool negative = false;         // the spacing moves to the left: the run is drawn backwards
};

// A run is laid out by its spacing array: positive advances lay the characters to the right of
// each other; negative ones (a run drawn backwards) put each next character further left, where
// it is drawn as wide as the font makes it. A right-to-left run of positive advances starts
// from the right end.
RunLayout LayOutRun(HDC dc, const std::wstring& source, const std::vector<INT>& spacing, bool glyphs, bool fromRight) {
    RunLayout r;
    long long sum = 0;
    for (INT a : spacing) sum += a;
    r.negative = sum < 0;
    const size_t n = spacing.size();
    r.start.resize(n);
    if (r.negative) {
        r.width = MeasureAdvances(dc, source, glyphs);
        long long at = 0;
        for (size_t i = 0; i < n; ++i) {
            r.start[i] = at;
            at += spacing[i];
        }
        return r;
    }
    r.width.resize(n);
    long long total = 0;
    for (size_t i = 0; i < n; ++i) total += r.width[i] = std::abs(spacing[i]);
    long long at = 0;
    for (size_t i = 0; i < n; ++i) {
        r.start[i] = fromRight ? total - at - r.width[i] : at;
        at += r.width[i];
    }
    return r;
}

void AddRunWords(HDC dc, const EmfTextRun& run, const std::vector<bool>& keep, WordContext& ctx) {
    const bool glyphs = (run.options & ETO_GLYPH_INDEX) != 0;
    if (glyphs && ctx.settings.filterJunk) {
        TW_TRACE(L"GLYPH - Skipping textout");
        return;
    }
    const std::vector<INT> recorded = run.dx.size() == run.text.size() ? run.dx : MeasureAdvances(dc, run.text, glyphs);
    std::wstring source;
    std::vector<INT> spacing;
    for (size_t i = 0; i < run.text.size(); ++i) {
        if (i < keep.size() && !keep[i]) continue;
        source += run.text[i];
        spacing.push_back(recorded[i]);
    }
    if (source.empty()) return;
    const std::wstring text =
        glyphs ? ctx.state.glyphs.Convert(dc, source, ctx.settings.glyphMethod, ctx.settings.encoding) : source;

    TEXTMETRICW tm{};
    if (!::GetTextMetricsW(dc, &tm)) return;
    // Right-to-left text in logical order is drawn from the right: its first word is the
    // rightmost. (Glyph text stays in visual order for ANSI output.)
    const bool fromRight = StartsRightToLeft(text) && (!glyphs || ctx.settings.encoding != TextEncoding::Ansi);
    const RunLayout layout = LayOutRun(dc, source, spacing, glyphs, fromRight);
    long long runLeft = 0, runRight = 0, logicalWidth = 0;
    for (size_t i = 0; i < layout.start.size(); ++i) {
        runLeft = std::min(runLeft, layout.start[i]);
        runRight = std::max(runRight, layout.start[i] + layout.width[i]);
        logicalWidth += layout.width[i];
    }
    // Which way logical x and y run on the device.
    POINT axes[3] = {{0, 0}, {1, 0}, {0, 1}};
    ::LPtoDP(dc, axes, 3);
    const int sx = axes[1].x < axes[0].x ? -1 : 1;
    const int sy = axes[2].y < axes[0].y ? -1 : 1;
    POINT origin = run.reference;
    const UINT align = ::GetTextAlign(dc);
    if ((align & TA_BASELINE) == TA_BASELINE) origin.y -= sy * tm.tmAscent;
    else if ((align & TA_BOTTOM) == TA_BOTTOM) origin.y -= sy * (tm.tmAscent + tm.tmDescent);
    if ((align & TA_CENTER) == TA_CENTER) origin.x -= static_cast<LONG>(logicalWidth / 2);
    else if ((align & TA_RIGHT) == TA_RIGHT) origin.x -= static_cast<LONG>(logicalWidth);

    TextWord pattern;
    const double height = DeviceLength(dc, 0, tm.tmHeight - tm.tmExternalLeading);
    const double internal = DeviceLength(dc, 0, tm.tmInternalLeading);
    pattern.height = static_cast<int>(height + 0.5);
    pattern.charWidth = static_cast<int>(DeviceLength(dc, tm.tmAveCharWidth, 0) + 0.5);
    pattern.style.points = std::max(
        1, static_cast<int>((height - internal) * kPointsPerInch / std::max(1, ctx.settings.yDpi) + 0.5));
    pattern.style.bold = tm.tmWeight >= kBoldWeight;
    pattern.style.underline = tm.tmUnderlined != 0;
    pattern.style.italic = tm.tmItalic != 0;
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    pattern.style.face = face;
    // The device span of the whole run: legacy coordinates place its words from the record's bounds.
    POINT span[2] = {{origin.x + sx * static_cast<LONG>(runLeft), origin.y},
                     {origin.x + sx * static_cast<LONG>(runRight), origin.y}};
    ::LPtoDP(dc, span, 2);
    const LONG runDeviceLeft = std::min(span[0].x, span[1].x);
    const double scale = DeviceLength(dc, 1000, 0) / 1000.0;

    for (const auto& [begin, end] : SplitTextTokens(text)) {
        long long left = layout.start[begin], right = left;
        for (size_t i = begin; i < end; ++i) {
            left = std::min(left, layout.start[i]);
            right = std::max(right, layout.start[i] + layout.width[i]);
        }
        POINT p[2] = {{origin.x + sx * static_cast<LONG>(left), origin.y},
                      {origin.x + sx * static_cast<LONG>(right), origin.y}};
        ::LPtoDP(dc, p, 2);
        TextWord word = pattern;
        word.x = std::min(p[0].x, p[1].x);
        word.y = p[0].y;
        if (ctx.settings.legacyCoordinates) {
            word.x = run.bounds.left + (word.x - runDeviceLeft);
            word.y = run.bounds.top;
        }
        word.width = std::abs(p[1].x - p[0].x);
        word.text = text.substr(begin, end - begin);
        // The advances go from the left: a word drawn backwards gives them last character first.
        word.backwards = layout.negative || (fromRight && StartsRightToLeft(word.text));
        for (size_t k = begin; k < end; ++k) {
            const size_t i = word.backwards ? end - 1 - (k - begin) : k;
            word.advances.push_back(static_cast<int>(layout.width[i] * scale + 0.5));
        }
        ctx.state.collector->AddWord(std::move(word));
    }
}

int CALLBACK WordRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* given, int handles, LPARAM param) {
    auto* ctx = reinterpret_cast<WordContext*>(param);
    const CheckedRecords::Step step = ctx->records.Next(given, dc);
    if (step == CheckedRecords::Step::Stop) return 0;
    const ENHMETARECORD* record = ctx->records.Record();
    if (IsTextRecord(given->iType)) {
        // Positions advance over every text record, played or not, as the marker pass counted them.
        const auto* bytes = reinterpret_cast<const BYTE*>(given);
        const bool blank = IsBlankTextRecord(bytes, given->nSize);
        for (const EmfTextRun& run : ReadTextRuns(bytes, given->nSize)) {
            const std::vector<bool> keep = ctx->filter.Next(run.text.size());
            if (step == CheckedRecords::Step::Play && !blank) AddRunWords(dc, run, keep, *ctx);
        }
        // Only text that moves the current position changes what follows.
        if (step == CheckedRecords::Step::Play && (::GetTextAlign(dc) & TA_UPDATECP))
            PlayCheckedRecord(dc, table, record, handles);
        return 1;
    }
    if (step == CheckedRecords::Step::Skip || OnlyDraws(record->iType)) return 1;
    if (record->iType == EMR_EXTCREATEFONTINDIRECTW && ctx->tempFonts) {
        const auto* bytes = reinterpret_cast<const BYTE*>(record);
        ctx->scratch.assign(bytes, bytes + record->nSize);
        ctx->tempFonts->OnFontRecord(ctx->scratch);
        ::PlayEnhMetaFileRecord(dc, table, reinterpret_cast<const ENHMETARECORD*>(ctx->scratch.data()), handles);
        return 1;
    }
    PlayCheckedRecord(dc, table, record, handles);
    return 1;
}

}  // namespace

void ScanPageMarkers(HENHMETAFILE emf, MarkerScanner& scanner) {
    scanner.Reset();
    ForEachEmfRecord(emf, [&](DWORD type, const BYTE* record, size_t size) {
        if (!IsTextRecord(type)) return;
        for (const EmfTextRun& run : ReadTextRuns(record, static_cast<DWORD>(size))) scanner.Feed(run.text);
    });
}

PlaybackStats CollectPageWords(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex, PageTextState& state,
                               const PageTextSettings& settings, PlaybackBudget& budget,
                               TemporaryFontLoader* tempFonts) {
    TW_TRACE(L"> CollectPageWords");
    if (!state.collector) return {};
    WordContext ctx(::GetEnhMetaFileBits(emf, 0, nullptr), budget, state, settings);
    ctx.tempFonts = tempFonts;
    const int savedDc = ::SaveDC(dc);
    {
        GdiMutexLock lock(gdiMutex);
        ::EnumEnhMetaFile(dc, emf, WordRecord, &ctx, &rect);
    }
    ::RestoreDC(dc, savedDc);
    TW_TRACE(L"< CollectPageWords: %d records, %zu rows", ctx.records.stats.played, state.collector->Rows());
    return ctx.records.stats;
}

}  // namespace tw
