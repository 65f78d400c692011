// CEMFImage: the fonts a page carries in its GDI comments, installed before the page is played.
#include "emfimage/EMFImage.h"
#include "emfimage/EmfRecordWalk.h"
#include "emfimage/FontResource.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

void RegisterMetafileFonts(HENHMETAFILE emf, CFontResource& fonts) {
    ForEachEmfRecord(emf, [&](DWORD, const BYTE* record, size_t size) {
        size_t fontSize = 0;
        if (const BYTE* font = FontRecordOfComment(record, size, fontSize)) fonts.AddFontRecord(font, fontSize);
    });
}

void CEMFImage::RegisterFonts(HENHMETAFILE emf) {
    if (m_pJob->FontsRegistered()) {
        TW_TRACE(L"CEMFImage::RegisterFonts: fonts already registered");
        return;
    }
    RegisterMetafileFonts(emf, m_pJob->Fonts());
    m_pJob->SetFontsRegistered();
}

}  // namespace tw
