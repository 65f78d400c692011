// Checked, record-by-record playback of page metafiles.
#include "emfimage/PagePlayer.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "emfimage/EmfRecordCheck.h"
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
    explicit PlayContext(size_t size) : records(size) {}
    CheckedRecords records;
    const FontQualityRule* fonts = nullptr;
    std::vector<BYTE> scratch;
    POINT brushBase{};  // the DC's brush origin when playback began
};

int CALLBACK PlayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles, LPARAM param) {
    auto* ctx = reinterpret_cast<PlayContext*>(param);
    switch (ctx->records.Next(record)) {
    case CheckedRecords::Step::Stop: return 0;
    case CheckedRecords::Step::Skip: return 1;
    case CheckedRecords::Step::Play: break;
    }
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
        ::PlayEnhMetaFileRecord(dc, table, reinterpret_cast<const ENHMETARECORD*>(ctx->scratch.data()), handles);
        return 1;
    }
    ::PlayEnhMetaFileRecord(dc, table, record, handles);
    return 1;
}

}  // namespace

CheckedRecords::Step CheckedRecords::Next(const ENHMETARECORD* record) {
    const size_t available = m_offset < m_size ? m_size - m_offset : 0;
    const EmfRecordVerdict verdict = m_checker.Check(record, available);
    if (verdict == EmfRecordVerdict::BadSize) {
        stats.truncated = true;
        return Step::Stop;
    }
    m_offset += record->nSize;
    if (verdict != EmfRecordVerdict::Safe) {
        TW_TRACE(L"EMF record %d of type %u skipped: %s", stats.played + stats.skipped, record->iType,
                 EmfRecordVerdictName(verdict));
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

PlaybackStats PlayPage(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex, const FontQualityRule& fonts) {
    PlayContext ctx(::GetEnhMetaFileBits(emf, 0, nullptr));
    ctx.fonts = &fonts;
    ::GetBrushOrgEx(dc, &ctx.brushBase);
    {
        GdiMutexLock lock(gdiMutex);
        ::EnumEnhMetaFile(dc, emf, PlayRecord, &ctx, &rect);
    }
    if (ctx.records.stats.skipped || ctx.records.stats.truncated)
        TW_TRACE(L"PlayPage: %d records played, %d skipped%s", ctx.records.stats.played, ctx.records.stats.skipped,
                 ctx.records.stats.truncated ? L", rest dropped" : L"");
    return ctx.records.stats;
}

}  // namespace tw
