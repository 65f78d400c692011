// The job's fonts: the embedded fonts of pages the selection leaves out, the browser's cached
// fonts of each page, and their removal at the end of the document.
#include "emfimage/EmfPageReader.h"
#include "emfimage/FontResource.h"
#include "emfimage/TemporaryFonts.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace tw {

std::wstring CTWJob::TemporaryFontFolder() const { return tw::TemporaryFontFolder(DevMode()); }

// Each end of page: the page's own fonts are not registered yet; the browser's cached fonts live
// for this page only.
void CTWJob::StartPageFonts() {
    m_bFontsRegistered = false;
    m_pageFonts.reset();
    if (!m_bHasDevMode || !(m_sDevMode.Read<BYTE>(dmoff::FontOptions) & dmfont::FromLowIntegrityBrowser)) return;
    m_pageFonts = std::make_unique<CFontResource>();
    AddBrowserFonts(*m_pageFonts);
}

// A page left out still brings its embedded fonts for the pages that follow.
BOOL CTWJob::RegisterPageFonts(HGLOBAL hData) {
    if (m_bFontsRegistered || !hData) return TRUE;
    TW_TRACE(L"> CTWJob::RegisterPageFonts");
    UniqueEnhMetaFile emf;
    EmfPageInfo page;
    if (ReadMetaFile(hData, m_dwPageDataSize, emf, page) != EmfReadResult::Ok) return TRUE;
    RegisterMetafileFonts(emf.get(), m_fonts);
    m_bFontsRegistered = true;
    return TRUE;
}

void CTWJob::ReleaseFonts() {
    m_pageFonts.reset();
    m_fonts.Clear();
    m_bFontsRegistered = false;
}

}  // namespace tw
