#include "annotate/PageAnnotator.h"

#include "annotate/AlphaPicture.h"
#include "annotate/AnnotationTexts.h"
#include "annotate/MetafileWatermark.h"
#include "annotate/TextAnnotations.h"
#include "annotate/WatermarkPicture.h"
#include "base/WideString.h"
#include "emfimage/PageGeometry.h"
#include "job/JobOptions.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "notify/PathExpansion.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

// Formats whose writers copy the watermark through a compatible bitmap.
constexpr DWORD kFirstBitmapCopyFormat = 36;
constexpr DWORD kLastBitmapCopyFormat = 41;

int BatesIndex(const TarnwellDEVMODE& dm) { return dm.Read<BYTE>(dmoff::BatesFormatIndex); }

}  // namespace

void CPageAnnotator::StartPageIfNew() {
    const DWORD page = m_job.OutputPageNumber();
    const DWORD copy = m_job.RenderingCopy();
    if (page == m_page && copy == m_copy) return;
    if (page != m_page) {
        m_page = page;
        m_firstPage = Picture{};  // the first page's picture lives for its page only
        m_batesLoaded = m_batesValid = m_pageNumberTaken = false;
    }
    // Each copy of a page has its own texts (the COPY token); its Bates number stays the page's.
    m_copy = copy;
    StartPageDrawing();
}

void CPageAnnotator::StartPageDrawing() {
    for (auto& texts : m_pageTexts) texts.reset();
}

const AnnotationTextSettings& CPageAnnotator::PageText(const AnnotationContext& ctx, PageTextKind kind) {
    std::optional<AnnotationTextSettings>& slot = m_pageTexts[static_cast<size_t>(kind)];
    if (!slot) slot = ReadPageText(ctx, kind);
    return *slot;
}

AnnotationContext CPageAnnotator::Context(const TarnwellDEVMODE& dm) {
    StartPageIfNew();
    if (!m_printingTime) {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        m_printingTime = now;
    }
    AnnotationContext ctx;
    ctx.dm = &dm;
    ctx.environment = &m_job.Environment();
    ctx.documentName = m_job.DocumentName();
    ctx.printerName = m_job.PrinterName();
    ctx.pageNumber = m_job.OutputPageNumber();
    ctx.copy = m_job.RenderingCopy();
    ctx.firstPage = m_job.PageIndexInDocument() == 0;
    ctx.printingTime = *m_printingTime;
    ctx.xDpi = DmXDpi(&dm);
    ctx.yDpi = DmYDpi(&dm);
    return ctx;
}

void CPageAnnotator::LoadInto(Picture& slot, const PictureChoice& choice, const TarnwellDEVMODE& dm, bool keepAlpha) {
    slot.position = choice.position;
    if (slot.path == choice.path && slot.brightness == choice.brightness && !choice.path.empty()) return;
    slot = Picture{choice.path, choice.brightness, choice.position, {}};
    if (choice.path.empty()) return;
    std::wstring expanded;
    if (!ExpandPath(m_job.Environment(), &dm, choice.path, expanded)) expanded = choice.path;
    std::wstring error;
    UniqueHGlobal picture = LoadWatermarkPicture(expanded, dm, error, keepAlpha);
    LONG w = 0, h = 0;
    if (picture && ReadAlphaShape(picture.get(), w, h)) slot.dib = std::move(picture);  // blended, not lightened
    else if (picture) slot.dib = LightenPicture(picture.get(), choice.brightness);
    if (!slot.dib) {
        // Once per picture: the page goes on without it.
        if (error.empty()) error = expanded;
        m_job.HandleError(FormatW(annottext::kPictureNotLoaded, error.c_str()).c_str(), __FILE__, __LINE__);
    }
}

std::optional<CPageAnnotator::PictureChoice> CPageAnnotator::ChoosePicture(const TarnwellDEVMODE& dm) {
    StartPageIfNew();
    const DWORD jobId = m_job.JobId();
    const bool landscape = IsLandscape(&dm);
    const WatermarkOrientation o = landscape ? WatermarkOrientation::Landscape : WatermarkOrientation::Portrait;
    const bool first = m_job.PageIndexInDocument() == 0;
    if (first && IsFirstImageWatermarkEnabled(&dm, jobId)) {
        std::optional<std::wstring> path = FirstImagePath(&dm, jobId, o);
        if (!path || path->empty()) {
            TW_TRACE(annottext::kUniqueWatermarkPath, landscape ? annottext::kLandscape : annottext::kPortrait);
            return std::nullopt;
        }
        return PictureChoice{*path, FirstImageBrightness(&dm, jobId, o), FirstImagePosition(&dm, jobId, o), true};
    }
    if (first || !IsWatermarkFirstPageOnly(&dm, jobId))
        return PictureChoice{WatermarkImagePath(&dm, jobId, o), WatermarkBrightness(&dm, jobId, o),
                             WatermarkPosition(&dm, jobId, o), false};
    return std::nullopt;
}

const CPageAnnotator::Picture* CPageAnnotator::PagePicture(const TarnwellDEVMODE& dm) {
    const std::optional<PictureChoice> choice = ChoosePicture(dm);
    if (!choice) return nullptr;
    Picture& slot = choice->firstPage ? m_firstPage : IsLandscape(&dm) ? m_landscape : m_portrait;
    LoadInto(slot, *choice, dm, false);
    return slot.dib ? &slot : nullptr;
}

const CPageAnnotator::Picture* CPageAnnotator::OverlayPicture(const TarnwellDEVMODE& dm) {
    const std::optional<PictureChoice> choice = ChoosePicture(dm);
    if (!choice) return nullptr;
    LoadInto(m_overlay, *choice, dm, true);
    return m_overlay.dib ? &m_overlay : nullptr;
}

void CPageAnnotator::DrawWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    if (!IsPrintImageWatermark(&dm, m_job.JobId(), m_job.Merge())) return;
    const Picture* picture = PagePicture(dm);
    if (!picture) return;
    const DWORD format = m_job.Settings().dwEffectiveFormat;
    const bool stretchBlt = format >= kFirstBitmapCopyFormat && format <= kLastBitmapCopyFormat;
    DrawWatermarkPicture(dc, picture->dib.get(), picture->position, width, height, stretchBlt);
}

bool CPageAnnotator::HasMetafileWatermark(const TarnwellDEVMODE& dm) {
    return IsPrintImageWatermark(&dm, m_job.JobId(), m_job.Merge()) && OverlayPicture(dm) != nullptr;
}

void CPageAnnotator::DrawMetafileWatermark(HDC dc, const MetafileWatermarkPage& page, const TarnwellDEVMODE& dm) {
    const Picture* picture = OverlayPicture(dm);
    if (picture) DrawMetafileWatermarkPicture(dc, picture->dib.get(), picture->position, page, picture->brightness);
}

bool CPageAnnotator::HasTextWatermark(const TarnwellDEVMODE& dm, bool firstPage) {
    if (!IsPrintTextWatermark(&dm, m_job.JobId())) return false;
    return firstPage || settings::ReadNumberText(&dm, settings::kTextWatermarkStampSettings,
                                                 settings::kStampFirstPageOnly, 0) == 0;
}

void CPageAnnotator::DrawTextWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    const AnnotationContext ctx = Context(dm);
    ::tw::DrawTextStamp(dc, width, height, ctx, PageText(ctx, PageTextKind::Stamp));
}

void CPageAnnotator::DrawAnnotationText(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    TW_TRACE(annottext::kAnnotationEnabled);
    DrawDevModeAnnotation(dc, width, height, Context(dm));
}

void CPageAnnotator::DrawHeader(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    const AnnotationContext ctx = Context(dm);
    DrawHeaderOrFooter(dc, width, height, ctx, PageText(ctx, PageTextKind::Header));
}

void CPageAnnotator::DrawFooter(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    const AnnotationContext ctx = Context(dm);
    DrawHeaderOrFooter(dc, width, height, ctx, PageText(ctx, PageTextKind::Footer));
}

void CPageAnnotator::DrawTextStamp(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    const AnnotationContext ctx = Context(dm);
    ::tw::DrawTextStamp(dc, width, height, ctx, PageText(ctx, PageTextKind::Stamp));
}

void CPageAnnotator::TakeBatesNumber(const TarnwellDEVMODE& dm) {
    const std::wstring printer = settings::PrinterRegistryName(&dm);
    const int index = BatesIndex(dm);
    if (m_batesFormat.resetAtEveryPrinting) {
        m_batesNumber = m_job.OutputPageNumber() + m_batesFormat.resetStart - 1;
    } else if (m_batesFormat.increaseOnEachDocument) {
        if (!m_documentNumberTaken) {
            m_documentNumber = ::tw::TakeBatesNumber(index, printer);
            m_documentNumberTaken = true;
        }
        m_batesNumber = m_documentNumber;
    } else {
        m_batesNumber = ::tw::TakeBatesNumber(index, printer);
        m_pageNumberTaken = true;
    }
    if (!m_firstBates) m_firstBates = m_batesNumber;
    m_lastBates = m_batesNumber;
}

bool CPageAnnotator::DocumentBatesRange(std::wstring& first, std::wstring& last) const {
    if (!m_firstBates || !m_batesValid) return false;
    first = BatesText(m_batesFormat, *m_firstBates);
    last = BatesText(m_batesFormat, m_lastBates);
    return true;
}

BOOL CPageAnnotator::LoadBatesNumbering(const TarnwellDEVMODE& dm) {
    StartPageIfNew();
    if (!m_batesLoaded) {
        m_batesLoaded = true;
        m_batesValid = LoadBatesFormatFromRegistry(BatesIndex(dm), m_batesFormat, settings::PrinterRegistryName(&dm));
        if (m_batesValid) TakeBatesNumber(dm);
    }
    return m_batesValid ? TRUE : FALSE;
}

void CPageAnnotator::DrawBatesNumber(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    if (!LoadBatesNumbering(dm)) {
        TW_TRACE(annottext::kBatesLoadError);
        return;
    }
    ::tw::DrawBatesNumber(dc, width, height, Context(dm), m_batesFormat, m_batesNumber);
}

std::wstring CPageAnnotator::BatesNameText(const TarnwellDEVMODE& dm) {
    if (!dm.HasFlag(dmflag::BatesNumberingEnabled) || !LoadBatesNumbering(dm)) return {};
    return BatesDigits(m_batesFormat, m_batesNumber);
}

void CPageAnnotator::UpdateBatesNumber(const TarnwellDEVMODE& dm, bool endOfDocument) {
    if (!dm.HasFlag(dmflag::BatesNumberingEnabled)) return;
    StartPageIfNew();
    BatesFormat format{};
    const std::wstring printer = settings::PrinterRegistryName(&dm);
    const int index = BatesIndex(dm);
    if (!LoadBatesFormatFromRegistry(index, format, printer)) return;
    const bool perDocument = format.increaseOnEachDocument != 0;
    if (endOfDocument != perDocument) return;
    if (perDocument) {
        if (!m_documentNumberTaken) UpdateBatesNumberInRegistry(index, printer, TRUE);
        m_documentNumberTaken = false;
    } else if (!m_pageNumberTaken) {
        UpdateBatesNumberInRegistry(index, printer, FALSE);
        m_pageNumberTaken = true;
    }
}

}  // namespace tw
