// Checked record replay with text redrawn without ETO_IGNORELANGUAGE.
#include "emfimage/MetafileReplay.h"

#include <vector>

#include "emfimage/EmfRecordCheck.h"
#include "emfimage/EmfTextRecords.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

struct ReplayContext {
    EmfRecordChecker checker;
    size_t size = 0;
    size_t offset = 0;
    PlaybackStats stats;
    std::vector<BYTE> copy;
    ExtTextOutCall text;
};

void RedrawExtTextOut(HDC dc, const ExtTextOutCall& t) {
    const RECT* rect = (t.options & (ETO_CLIPPED | ETO_OPAQUE)) ? &t.rect : nullptr;
    const INT* dx = t.dx.empty() ? nullptr : t.dx.data();
    if (t.wide)
        ::ExtTextOutW(dc, t.reference.x, t.reference.y, t.options, rect, t.wideText.data(),
                      static_cast<UINT>(t.wideText.size()), dx);
    else
        ::ExtTextOutA(dc, t.reference.x, t.reference.y, t.options, rect, t.ansiText.data(),
                      static_cast<UINT>(t.ansiText.size()), dx);
}

int CALLBACK ReplayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles, LPARAM param) {
    auto* ctx = reinterpret_cast<ReplayContext*>(param);
    const size_t available = ctx->offset < ctx->size ? ctx->size - ctx->offset : 0;
    const EmfRecordVerdict verdict = ctx->checker.Check(record, available);
    if (verdict == EmfRecordVerdict::BadSize) {
        ctx->stats.truncated = true;
        return 0;
    }
    ctx->offset += record->nSize;
    if (verdict != EmfRecordVerdict::Safe) {
        TW_TRACE(L"ReplayMetafile: record of type %u skipped: %s", record->iType, EmfRecordVerdictName(verdict));
        ++ctx->stats.skipped;
        return 1;
    }
    ++ctx->stats.played;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(record);
    switch (record->iType) {
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        if (ReadExtTextOut(bytes, record->nSize, ctx->text)) RedrawExtTextOut(dc, ctx->text);
        return 1;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW:
    case emftext::kSmallTextOut:
        // The record is GDI's own copy of the page: the flag is cleared on ours.
        ctx->copy.assign(bytes, bytes + record->nSize);
        ClearIgnoreLanguage(ctx->copy);
        ::PlayEnhMetaFileRecord(dc, table, reinterpret_cast<const ENHMETARECORD*>(ctx->copy.data()), handles);
        return 1;
    default:
        ::PlayEnhMetaFileRecord(dc, table, record, handles);
        return 1;
    }
}

}  // namespace

PlaybackStats ReplayMetafile(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex) {
    TW_TRACE(L"> ReplayMetafile");
    ReplayContext ctx;
    ctx.size = ::GetEnhMetaFileBits(emf, 0, nullptr);
    {
        GdiMutexLock lock(gdiMutex);
        ::EnumEnhMetaFile(dc, emf, ReplayRecord, &ctx, &rect);
    }
    TW_TRACE(L"< ReplayMetafile: %d played, %d skipped%s", ctx.stats.played, ctx.stats.skipped,
             ctx.stats.truncated ? L", rest dropped" : L"");
    return ctx.stats;
}

}  // namespace tw
