// CEMFImage: reading and sizing the page, then the steps after banding.
#include "emfimage/EMFImage.h"

#include "emfimage/DibRotation.h"
#include "emfimage/DitherImage.h"
#include "emfimage/EmfPageReader.h"
#include "emfimage/ImageErrors.h"
#include "emfimage/MetafileRotation.h"
#include "emfimage/PackedDib.h"
#include "emfimage/PagesPerSheet.h"
#include "job/JobOptions.h"
#include "job/MessagingIdGuard.h"
#include "monitor/SpoolerSeam.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

int RotationCode(const TarnwellDEVMODE& dm) { return PageRotationCode(dm); }

}  // namespace

int CEMFImage::OutputBits(const TarnwellDEVMODE& dm) const {
    return EffectiveBitsPerPixel(&dm, m_pJob->JobId());
}

FontQualityRule CEMFImage::FontRule(const TarnwellDEVMODE& dm) const {
    FontQualityRule rule;
    rule.setting = static_cast<int>(settings::ReadDwordOr(&dm, settings::kPageSettings, settings::kAntialiasing,
                                                          settings::kAntialiasingDefault));
    rule.outputBits = OutputBits(dm);
    rule.greyOutput = DmColorMode(&dm) == dmrule::kColorModeGray;
    rule.xDpi = DmXDpi(&dm);
    return rule;
}

// The page DIB for the header just sized; the sizing's failure or the allocation's is reported.
BOOL CEMFImage::AllocatePageDib(SizingResult sizing) {
    if (sizing != SizingResult::Ok) {
        m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
        return FALSE;
    }
    m_pageDib = AllocatePackedDib(m_info);
    if (!m_pageDib) {
        TW_TRACE(L"Error in GlobalAlloc: %d", static_cast<int>(::GetLastError()));
        m_pJob->HandleError(imgerr::kPageDibAlloc, __FILE__, __LINE__);
        return FALSE;
    }
    m_pageHeight = m_info.header.biHeight;
    return TRUE;
}

// Colour reduction to the output depth, where the depth and the dithering code ask for it.
BOOL CEMFImage::ReduceColours(const TarnwellDEVMODE& dm, bool rawData) {
    if (ReducePageColours(m_pageDib, &dm, m_pJob->JobId(), rawData)) return TRUE;
    m_pJob->HandleError(imgerr::kColourReduction, __FILE__, __LINE__);
    return FALSE;
}

void CEMFImage::Clear() {
    if (m_pageDib) TW_TRACE(L"DeAllocated memory(2): %X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m_pageDib.get())));
    m_pageDib.reset();
    m_pageHeight = 0;
}

BOOL CEMFImage::Create(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm) {
    TW_TRACE(L"> CEMFImage::Create");
    PagesPerSheet& sheet = m_pJob->Sheet();
    // The flush carries no page: the sheet is reduced as the pages on it were rendered.
    if (sheet.Count() > 0 && sheet.FlushPending()) return ComposePendingSheet(dm, sheet.HoldsRawData());

    UniqueEnhMetaFile emf;
    EmfPageInfo page;
    const EmfReadResult read = ReadMetaFile(pageBlock, dataSize, emf, page);
    if (read != EmfReadResult::Ok) {
        TW_TRACE(L"CEMFImage::Create: %s", EmfReadResultName(read));
        m_pJob->HandleError(EmfReadInternalError(read), __FILE__, __LINE__);
        return FALSE;
    }
    RegisterFonts(emf.get());
    const SIZE emfPixels = EmfPageSizeInPixels(page);
    ApplyEmfPageGeometry(dm, emfPixels, m_pJob->Settings().dwEffectiveFormat, m_pJob->Settings().bAllowAnisotropicDpi);
    if (!AllocatePageDib(FillBITMAPINFO(&dm, OutputBits(dm), m_info))) return FALSE;
    // Pixels per metre of the recording device, both from its horizontal measurements.
    const LONG ppm = page.micrometers.cx > 0
                         ? static_cast<LONG>(page.device.cx / (static_cast<float>(page.micrometers.cx) / 1000000.0f))
                         : 0;
    if (!RenderEmfBands(emf.get(), emfPixels, ppm, ppm, dm)) return FALSE;
    return FinishPage(dm, false);
}

BOOL CEMFImage::CreateFromRawData(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm) {
    TW_TRACE(L"> CEMFImage::CreateFromRawData");
    PagesPerSheet& sheet = m_pJob->Sheet();
    if (sheet.Count() > 0 && sheet.FlushPending()) return ComposePendingSheet(dm, sheet.HoldsRawData());
    if (!pageBlock) {
        m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
        return FALSE;
    }
    if (!AllocatePageDib(FillRawDataBITMAPINFO(&dm, OutputBits(dm), m_info))) return FALSE;
    BOOL rendered;
    {
        GlobalLockGuard<BYTE> raw(pageBlock);
        if (!raw) {
            m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
            return FALSE;
        }
        const SIZE_T size = dataSize && dataSize <= raw.size() ? dataSize : raw.size();
        rendered = RenderRawBands(raw.get(), size, dm);
    }
    if (!rendered) return FALSE;
    return FinishPage(dm, true);
}

BOOL CEMFImage::FinishPage(TarnwellDEVMODE& dm, bool rawData) {
    if (!m_pageDib) {
        m_pJob->HandleError(imgerr::kNoPageDib, __FILE__, __LINE__);
        return FALSE;
    }
    if (!m_pJob->IsDriverCoverPage()) RecognisePageText(dm);

    const int rotation = RotationCode(dm);
    if (rotation != kRotateNone) {
        UniqueHGlobal turned = RotatePackedDib(m_pageDib.get(), rotation);
        if (!turned) {
            m_pJob->HandleError(imgerr::kRotation, __FILE__, __LINE__);
            return FALSE;
        }
        m_pageDib = std::move(turned);
    }

    PagesPerSheet& sheet = m_pJob->Sheet();
    if (sheet.Count() > 0) {
        const DWORD pageNumber = m_pJob->OutputPageNumber();
        const DWORD index = m_pJob->PageIndexInDocument();
        if (pageNumber > sheet.LastSheetPage() && !sheet.AddPage(pageNumber, index, m_pageDib.get(), rawData)) {
            m_pJob->HandleError(imgtext::kOutOfMemory, __FILE__, __LINE__);
            return FALSE;
        }
        if (!sheet.IsLastCell(index) && sheet.Count() > 1 && !sheet.FlushPending()) {
            m_pageDib.reset();  // the sheet is not full yet: no output page
            return TRUE;
        }
        return ComposePendingSheet(dm, rawData);
    }
    return ReduceColours(dm, rawData);
}

BOOL CEMFImage::ComposePendingSheet(TarnwellDEVMODE& dm, bool rawData) {
    PagesPerSheet& sheet = m_pJob->Sheet();
    settings::MessagingIdGuard keepId(&dm);
    UniqueDC reference(Spooler().CreatePrinterDC(m_pJob->PrinterName().c_str(), dm.AsDevModeW()));
    keepId.Restore();
    const bool blank = m_pJob->IsDriverCoverPage() || m_pJob->IsFormFillerCoverPage();
    UniqueHGlobal composed = sheet.Compose(reference.get(), blank);
    if (!composed) {
        m_pJob->HandleError(imgerr::kNoPageDib, __FILE__, __LINE__);
        return FALSE;
    }
    m_pageDib = std::move(composed);
    return ReduceColours(dm, rawData);
}

}  // namespace tw
