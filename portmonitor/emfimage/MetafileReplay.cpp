// Checked record replay with text redrawn without ETO_IGNORELANGUAGE.
#include "emfimage/MetafileReplay.h"

#include <vector>

#include "emfimage/EmfRecordCheck.h"
#include "emfimage/EmfTextRecords.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

struct ReplayContext {
    ReplayContext(size_t size, PlaybackBudget& budget) : records(size, budget) {}
    CheckedRecords records;
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

int CALLBACK ReplayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* given, int handles, LPARAM param) {
    auto* ctx = reinterpret_cast<ReplayContext*>(param);
    switch (ctx->records.Next(given, dc)) {
    case CheckedRecords::Step::Stop: return 0;
    case CheckedRecords::Step::Skip: return 1;
    case CheckedRecords::Step::Play: break;
    }
    const ENHMETARECORD* record = ctx->records.Record();
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
        PlayCheckedRecord(dc, table, record, handles);
        return 1;
    }
}

}  // namespace

PlaybackStats ReplayMetafile(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex) {
    TW_TRACE(L"> ReplayMetafile");
    PlaybackBudget budget;
    ReplayContext ctx(::GetEnhMetaFileBits(emf, 0, nullptr), budget);
    {
        GdiMutexLock lock(gdiMutex);
        ::EnumEnhMetaFile(dc, emf, ReplayRecord, &ctx, &rect);
    }
    TW_TRACE(L"< ReplayMetafile: %d played, %d skipped%s%s", ctx.records.stats.played, ctx.records.stats.skipped,
             ctx.records.stats.truncated ? L", rest dropped" : L"", ctx.records.stats.exhausted ? L", budget used up" : L"");
    return ctx.records.stats;
}

}  // namespace tw
