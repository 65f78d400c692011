// Checked, record-by-record playback of page metafiles.
#include "emfimage/PagePlayer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <vector>

#include "emfimage/DitheredFills.h"
#include "emfimage/EmfBitmapRecords.h"
#include "emfimage/EmfLayout.h"
#include "emfimage/EmfRecordCheck.h"
#include "emfimage/EmfTextRecords.h"
#include "emfimage/EmfTextRuns.h"
#include "emfimage/MarkerScanner.h"
#include "emfimage/TemporaryFonts.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr int kAntialiasNone = 0;
constexpr int kAntialiasOn = 1;
constexpr int kAntialiasClearType = 2;
constexpr int kAntialiasAsRecorded = 3;
constexpr int kAntialiasMinDpi = 150;
constexpr size_t kFontQualityOffset = offsetof(EMREXTCREATEFONTINDIRECTW, elfw.elfLogFont.lfQuality);

struct PlayContext {
    PlayContext(size_t size, PlaybackBudget& budget) : records(size, budget) {}
    CheckedRecords records;
    const FontQualityRule* fonts = nullptr;
    std::vector<BYTE> scratch;
    POINT brushBase{};  // the DC's brush origin when playback began
    std::optional<MarkerFilter> markers;  // hides the page's markers
    TemporaryFontLoader* tempFonts = nullptr;
    std::optional<DitheredFills> fills;
};

int CALLBACK PlayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* given, int handles, LPARAM param) {
    auto* ctx = reinterpret_cast<PlayContext*>(param);
    const CheckedRecords::Step step = ctx->records.Next(given, dc);
    if (step == CheckedRecords::Step::Stop) return 0;
    if (ctx->markers && IsTextRecord(given->iType)) {
        // Every text record counts towards the marker positions, even one that is not played.
        const auto* bytes = reinterpret_cast<const BYTE*>(given);
        ctx->scratch.assign(bytes, bytes + given->nSize);
        if (FilterTextRecord(ctx->scratch, *ctx->markers) && step == CheckedRecords::Step::Play) {
            PlayCheckedRecord(dc, table, reinterpret_cast<const ENHMETARECORD*>(ctx->scratch.data()), handles);
            return 1;
        }
    }
    if (step == CheckedRecords::Step::Skip) return 1;
    const ENHMETARECORD* record = ctx->records.Record();
    ctx->fills->Observe(record);
    if (ctx->fills->Play(dc, table, record, handles)) return 1;
    if (record->iType == EMR_SETBRUSHORGEX && record->nSize >= sizeof(EMRSETBRUSHORGEX)) {
        // Brush origins are device coordinates: a page drawn in bands keeps them relative to
        // the page, so dithered and hatched fills run on across band seams.
        POINT origin;
        std::memcpy(&origin, reinterpret_cast<const BYTE*>(record) + offsetof(EMRSETBRUSHORGEX, ptlOrigin), sizeof(origin));
        ::SetBrushOrgEx(dc, ctx->brushBase.x + origin.x, ctx->brushBase.y + origin.y, nullptr);
        return 1;
    }
    if (record->iType == EMR_EXTCREATEFONTINDIRECTW && record->nSize > kFontQualityOffset) {
        // The record belongs to GDI's copy of the page: change a private copy for this playback.
        ctx->scratch.assign(reinterpret_cast<const BYTE*>(record), reinterpret_cast<const BYTE*>(record) + record->nSize);
        BYTE& quality = ctx->scratch[kFontQualityOffset];
        quality = ctx->fonts->Apply(quality);
        if (ctx->tempFonts) ctx->tempFonts->OnFontRecord(ctx->scratch);
        ::PlayEnhMetaFileRecord(dc, table, reinterpret_cast<const ENHMETARECORD*>(ctx->scratch.data()), handles);
        return 1;
    }
    PlayCheckedRecord(dc, table, record, handles);
    return 1;
}

DWORD ReadDword(const BYTE* p, size_t offset) {
    DWORD v;
    std::memcpy(&v, p + offset, sizeof(v));
    return v;
}

}  // namespace

PlaybackBudget::PlaybackBudget(const PlaybackLimits& limits)
    : m_limits(limits), m_deadline(::GetTickCount64() + limits.timeMs), m_recordsLeft(limits.records) {}

bool PlaybackBudget::Spend() {
    if (m_exhausted) return false;
    if (m_recordsLeft == 0 || ::GetTickCount64() > m_deadline) {
        m_exhausted = true;
        TW_TRACE(L"PlaybackBudget: the page used up its %u ms or %zu records", m_limits.timeMs, m_limits.records);
        return false;
    }
    --m_recordsLeft;
    return true;
}

void PlaybackStats::Add(const PlaybackStats& other) {
    played += other.played;
    skipped += other.skipped;
    truncated = truncated || other.truncated;
    exhausted = exhausted || other.exhausted;
}

// Saved DC states nest no deeper than the limit; a RESTOREDC names a depth relative to the
// current one (negative) or from the bottom (positive).
bool CheckedRecords::SavedDcAllowed(const ENHMETARECORD* record) {
    if (record->iType == EMR_SAVEDC) {
        if (m_savedDcDepth >= m_budget.Limits().savedDcDepth) return false;
        ++m_savedDcDepth;
    } else if (record->iType == EMR_RESTOREDC) {
        const LONG level = static_cast<LONG>(ReadDword(reinterpret_cast<const BYTE*>(record), emf::kHandleOffset));
        if (level < 0) m_savedDcDepth = std::max<LONG>(0, m_savedDcDepth + level);
        else if (level > 0 && level <= m_savedDcDepth) m_savedDcDepth = level - 1;
    }
    return true;
}

CheckedRecords::Step CheckedRecords::Next(const ENHMETARECORD* record, HDC dc) {
    if (!m_budget.Spend()) {
        stats.exhausted = true;
        return Step::Stop;
    }
    const size_t available = m_offset < m_size ? m_size - m_offset : 0;
    EmfRecordVerdict verdict = m_checker.Check(record, available);
    m_record = record;
    if (verdict == EmfRecordVerdict::ShortColourTable &&
        RepairShortColourTable(reinterpret_cast<const BYTE*>(record), record->nSize, m_repaired)) {
        m_record = reinterpret_cast<const ENHMETARECORD*>(m_repaired.data());
        verdict = EmfRecordVerdict::Safe;
    }
    if (verdict == EmfRecordVerdict::BadSize) {
        stats.truncated = true;
        return Step::Stop;
    }
    m_offset += record->nSize;
    if (verdict == EmfRecordVerdict::Safe && !SavedDcAllowed(record)) {
        TW_TRACE(L"EMF record %d: saved DC states nest deeper than %d", stats.played + stats.skipped,
                 m_budget.Limits().savedDcDepth);
        ++stats.skipped;
        return Step::Skip;
    }
    if (verdict != EmfRecordVerdict::Safe) {
        TW_TRACE(L"EMF record %d of type %u skipped: %s", stats.played + stats.skipped, record->iType,
                 EmfRecordVerdictName(verdict));
        ++stats.skipped;
        return Step::Skip;
    }
    const DrawingVerdict drawing = m_drawing.Check(dc, record);
    if (drawing != DrawingVerdict::Fine) {
        TW_TRACE(L"EMF record %d of type %u skipped: %s", stats.played + stats.skipped, record->iType,
                 DrawingVerdictName(drawing));
        ++stats.skipped;
        return Step::Skip;
    }
    ++stats.played;
    return Step::Play;
}

GdiMutexLock::GdiMutexLock(HANDLE mutex) : m_mutex(mutex) {
    if (!mutex) return;
    const DWORD wait = ::WaitForSingleObject(mutex, kWaitMs);
    m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (!m_owned) TW_TRACE(L"GdiMutexLock: wait ended with %u, playing without the mutex", wait);
}

GdiMutexLock::~GdiMutexLock() {
    if (m_owned) ::ReleaseMutex(m_mutex);
}

BYTE FontQualityRule::Apply(BYTE recorded) const {
    switch (setting) {
    case kAntialiasNone: return NONANTIALIASED_QUALITY;
    case kAntialiasOn: return ANTIALIASED_QUALITY;
    case kAntialiasClearType: return CLEARTYPE_QUALITY;
    case kAntialiasAsRecorded: return recorded;
    }
    if (outputBits == 1) return NONANTIALIASED_QUALITY;
    if (xDpi < kAntialiasMinDpi || recorded == NONANTIALIASED_QUALITY) return recorded;
    if (greyOutput) return ANTIALIASED_QUALITY;
    if (recorded == CLEARTYPE_QUALITY || recorded == CLEARTYPE_NATURAL_QUALITY) return CLEARTYPE_QUALITY;
    return ANTIALIASED_QUALITY;
}

void PlayCheckedRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(record);
    if (IsPatternPenRecord(bytes, record->nSize)) {
        // GDI's player would hand the brush field to ExtCreatePen as the bitmap's address.
        const DWORD slot = ReadDword(bytes, emf::kHandleOffset);
        if (slot >= static_cast<DWORD>(handles)) return;
        if (table->objectHandle[slot]) ::DeleteObject(table->objectHandle[slot]);
        table->objectHandle[slot] = CreateRecordPatternPen(bytes, record->nSize);
        return;
    }
    if ((record->iType == EMR_STRETCHDIBITS || record->iType == EMR_SETDIBITSTODEVICE) &&
        ::GetObjectType(dc) == OBJ_ENHMETADC) {
        std::vector<BYTE> copy;
        if (StateColourCount(bytes, record->nSize, copy)) {
            ::PlayEnhMetaFileRecord(dc, table, reinterpret_cast<const ENHMETARECORD*>(copy.data()), handles);
            return;
        }
    }
    ::PlayEnhMetaFileRecord(dc, table, record, handles);
}

PlaybackStats PlayPage(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex, const FontQualityRule& fonts,
                       PlaybackBudget& budget, const MarkerScanner* markers, TemporaryFontLoader* tempFonts) {
    PlayContext ctx(::GetEnhMetaFileBits(emf, 0, nullptr), budget);
    ctx.fonts = &fonts;
    if (markers && markers->HasMarks()) ctx.markers.emplace(*markers);
    ctx.tempFonts = tempFonts;
    ::GetBrushOrgEx(dc, &ctx.brushBase);
    ctx.fills.emplace(dc);
    {
        GdiMutexLock lock(gdiMutex);
        ::EnumEnhMetaFile(dc, emf, PlayRecord, &ctx, &rect);
    }
    if (ctx.records.stats.skipped || ctx.records.stats.truncated || ctx.records.stats.exhausted)
        TW_TRACE(L"PlayPage: %d records played, %d skipped%s%s", ctx.records.stats.played, ctx.records.stats.skipped,
                 ctx.records.stats.truncated ? L", rest dropped" : L"",
                 ctx.records.stats.exhausted ? L", budget used up" : L"");
    return ctx.records.stats;
}

}  // namespace tw
