#pragma once
// The page annotations of one job: the picture watermark, the DEVMODE annotation, header,
// footer, text stamp and Bates number, drawn on the raster page and into the vector path's
// annotation metafile. The job owns one; it keeps what lives longer than a page: the loaded
// pictures, the printing time and the Bates numbers handed out.
#include <windows.h>

#include <optional>
#include <string>

#include "annotate/AnnotationContext.h"
#include "annotate/BatesNumbering.h"
#include "annotate/TextAnnotations.h"
#include "base/UniqueHandle.h"

namespace tw {

class CTWJob;
class TarnwellDEVMODE;
struct MetafileWatermarkPage;

class CPageAnnotator {
public:
    explicit CPageAnnotator(CTWJob& job) : m_job(job) {}
    CPageAnnotator(const CPageAnnotator&) = delete;
    CPageAnnotator& operator=(const CPageAnnotator&) = delete;

    // ---- The picture watermark.
    // Beneath the content of a raster page, when the job prints the image watermark.
    void DrawWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    // Whether the page has a picture for the annotation metafile, and drawing it there on
    // `page` (32-bit pictures keep their alpha there).
    bool HasMetafileWatermark(const TarnwellDEVMODE& dm);
    void DrawMetafileWatermark(HDC dc, const MetafileWatermarkPage& page, const TarnwellDEVMODE& dm);

    // ---- The text watermark: the text stamp's text, font and place, beneath the content.
    // Whether the page gets it ("Text Watermark Enable", or the job's answer, and the stamp's
    // first-page rule).
    bool HasTextWatermark(const TarnwellDEVMODE& dm, bool firstPage);
    void DrawTextWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm);

    // ---- The texts, each drawn when its caller has found it enabled for the page.
    void DrawAnnotationText(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawHeader(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawFooter(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawTextStamp(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    // The page's Bates format and number (taken once per page); FALSE for an invalid format.
    BOOL LoadBatesNumbering(const TarnwellDEVMODE& dm);
    void DrawBatesNumber(HDC dc, int width, int height, const TarnwellDEVMODE& dm);

    // ---- The job's side of Bates numbering.
    // The page's number as the BATES token of file names shows it; empty when numbering is off
    // or its format is invalid.
    std::wstring BatesNameText(const TarnwellDEVMODE& dm);
    // After a finished page (`endOfDocument` false) and at the end of the document: the counter
    // advances for every page (or, with "Increase on each document", once per document) even
    // when no number was drawn.
    void UpdateBatesNumber(const TarnwellDEVMODE& dm, bool endOfDocument);
    // The first and last numbers the document's pages were given, as printed (prefix and
    // padding); false when no page was numbered.
    bool DocumentBatesRange(std::wstring& first, std::wstring& last) const;

    // The page is being drawn anew (its first band): its texts' settings are read again.
    void StartPageDrawing();

    // What the texts of the current page are made from.
    AnnotationContext Context(const TarnwellDEVMODE& dm);

private:
    struct Picture {
        std::wstring path;
        DWORD brightness = 0;
        DWORD position = 0;
        UniqueHGlobal dib;  // lightened; null when it could not be loaded
    };
    struct PictureChoice {
        std::wstring path;
        DWORD brightness = 0;
        DWORD position = 0;
        bool firstPage = false;  // the unique first-page picture
    };
    // Which picture the page gets, if any.
    std::optional<PictureChoice> ChoosePicture(const TarnwellDEVMODE& dm);
    // The picture the raster page gets, loaded and lightened; null when none.
    const Picture* PagePicture(const TarnwellDEVMODE& dm);
    // The picture the annotation metafile gets: 32-bit pictures unlightened with their alpha.
    const Picture* OverlayPicture(const TarnwellDEVMODE& dm);
    void LoadInto(Picture& slot, const PictureChoice& choice, const TarnwellDEVMODE& dm, bool keepAlpha);
    void StartPageIfNew();
    const AnnotationTextSettings& PageText(const AnnotationContext& ctx, PageTextKind kind);
    void TakeBatesNumber(const TarnwellDEVMODE& dm);

    CTWJob& m_job;
    DWORD m_page = 0;  // the job's page the page state below belongs to
    DWORD m_copy = 1;  // the copy the page's texts were made for (forwarded copies differ)
    Picture m_portrait, m_landscape, m_firstPage;
    Picture m_overlay;  // kept from page to page while its file and brightness stay
    std::optional<SYSTEMTIME> m_printingTime;
    // The header's, footer's and stamp's settings for the current page.
    std::optional<AnnotationTextSettings> m_pageTexts[3];
    // Bates numbering of the current page and the document.
    bool m_batesLoaded = false, m_batesValid = false, m_pageNumberTaken = false;
    BatesFormat m_batesFormat{};
    DWORD m_batesNumber = 0;
    bool m_documentNumberTaken = false;
    DWORD m_documentNumber = 0;
    // The numbers given to the document's pages, for the post-print hand-off.
    std::optional<DWORD> m_firstBates;
    DWORD m_lastBates = 0;
};

}  // namespace tw
