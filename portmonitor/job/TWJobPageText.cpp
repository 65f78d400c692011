// The job's side of page text: the text page each StartPage opens, the words the renderer
// collects, the fields of the page's markers, and the text written to the text file or handed
// to the clients in memory (message 10).
#include <algorithm>

#include "annotate/BarcodeOptions.h"
#include "annotate/BarcodeWriter.h"
#include "base/WideString.h"
#include "emfimage/EMFImage.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "twfile/BlFile.h"

namespace tw {
namespace {

constexpr wchar_t kPageHeading[] = L"Page %d:";
constexpr wchar_t kCannotWriteTextFile[] = L"Cannot write text file: ";
constexpr DWORD kNamingFromContent = 9;

// Marker names content-based e-mail and naming take, and how their values are joined.
constexpr wchar_t kFieldEmailTo[] = L"EmailTo";
constexpr wchar_t kFieldEmailCc[] = L"EmailCC";
constexpr wchar_t kFieldEmailBcc[] = L"EmailBCC";
constexpr wchar_t kFieldSubject[] = L"ES";
constexpr wchar_t kFieldBody[] = L"EB";
constexpr wchar_t kFieldAttachment[] = L"Attachment";
constexpr wchar_t kFieldFilename[] = L"Filename";
constexpr wchar_t kFieldP1[] = L"P1";
constexpr wchar_t kFieldP2[] = L"P2";
}  // namespace

bool CTWJob::PageTextNeeded() const {
    if (!m_bHasDevMode) return false;
    return m_sDevMode.HasFlag(dmflag::IsWriteTextEnabled) || m_sDevMode.HasFlag(dmflag::IsMailMergeEnabled) ||
           IsContentBasedEmail(&m_sDevMode, m_dwJobID) || IsSimpleContentBasedEmail(&m_sDevMode, m_dwJobID) ||
           DmFileGenerationMethod(&m_sDevMode) == kNamingFromContent || BarcodeNeedsPageText(m_sDevMode);
}

std::wstring CTWJob::BarcodePageText() const {
    std::wstring text = m_pageText.collector ? m_pageText.collector->PlainText() : std::wstring();
    for (const MarkerField& f : m_pageText.markers.Fields())
        if (f.kind == MarkerField::Kind::Barcode) text += f.value;
    return text;
}

PageTextSettings CTWJob::TextReadingSettings() const {
    PageTextSettings s;
    s.legacyCoordinates = m_textOutput.useLegacyCoordinates;
    s.filterJunk = m_textOutput.filterJunkCharacters;
    s.glyphMethod = m_textOutput.glyphConversionMethod;
    s.encoding = DmTextEncoding(DevMode());
    s.yDpi = DmYDpi(&m_sDevMode);
    return s;
}

TextLayoutOptions CTWJob::TextLayout() const {
    TextLayoutOptions o;
    o.mode = DmTextLayoutMode(DevMode());
    o.addSpace = m_textOutput.addSpace;
    o.lineBreaks = m_textOutput.lineBreaks;
    o.unicode = DmTextEncoding(DevMode()) != TextEncoding::Ansi;
    o.wordCoordinates = m_bDisplayWordCoordinates;
    o.lineAdjustment = m_nLineAdjustment;
    o.yDpi = DmYDpi(&m_sDevMode);
    // A landscape page that the paper rotation turns: its words are placed on the turned page.
    if (m_bHasDevMode && m_sDevMode.HasFlag(dmflag::IsRotatePaperEnabled) && IsLandscape(&m_sDevMode))
        o.turnedPageHeight = m_sDevMode.Read<LONG>(dmoff::PageHeightInPixels);
    return o;
}

TCTextOut& CTWJob::TextCollector() {
    if (!m_pageText.collector) {
        m_pageText.collector = std::make_unique<TCTextOut>();
        if (m_bHasDevMode)
            m_pageText.collector->SetPageSize(m_sDevMode.Read<LONG>(dmoff::PageWidthInPixels),
                                              m_sDevMode.Read<LONG>(dmoff::PageHeightInPixels));
    }
    return *m_pageText.collector;
}

// StartPage: the page's text, the driver's text runs, the markers and the OCR text start empty.
void CTWJob::StartPageText() {
    m_textRuns.clear();
    m_pageText.markers.Reset();
    m_pageText.heading.clear();
    m_pageText.pageText.clear();
    m_pageText.wordsRead = false;
    m_ocr.ClearResultText();
    if (m_pBarcodeWriter) m_pBarcodeWriter->ClearText();
    if (m_pageText.collector) m_pageText.collector->StartPage();
    if (!m_sDevMode.HasFlag(dmflag::IsWriteTextEnabled)) return;
    TCTextOut& collector = TextCollector();
    collector.SetPageSize(m_sDevMode.Read<LONG>(dmoff::PageWidthInPixels), m_sDevMode.Read<LONG>(dmoff::PageHeightInPixels));
    collector.StartPage();
    if (IsMultipageOutput() && m_textOutput.pageHeadings)
        m_pageText.heading = FormatW(kPageHeading, static_cast<int>(m_dwActPage)) + LineBreakText(m_textOutput.lineBreaks);
}

void CTWJob::NotePageMarkerFields() {
    const MarkerScanner& markers = m_pageText.markers;
    for (const MarkerField& f : markers.Fields()) {
        if (f.kind != MarkerField::Kind::Named) continue;
        auto known = std::find_if(m_markerFields.begin(), m_markerFields.end(),
                                  [&](const FieldValues& e) { return e.first == f.name; });
        if (known == m_markerFields.end()) m_markerFields.push_back({f.name, {f.value}});
        else known->second.push_back(f.value);
    }
    if (!TakesPageMailFields()) return;
    TW_TRACE(L"Calling ExtractMailMerge() 6");
    ContentMailFields page;
    page.p1 = JoinValues(markers.Values(kFieldP1), kJoinWords);
    page.p2 = JoinValues(markers.Values(kFieldP2), kJoinWords);
    page.to = JoinValues(markers.Values(kFieldEmailTo), kJoinAddresses);
    page.cc = JoinValues(markers.Values(kFieldEmailCc), kJoinAddresses);
    page.bcc = JoinValues(markers.Values(kFieldEmailBcc), kJoinAddresses);
    page.subject = JoinValues(markers.Values(kFieldSubject), kJoinWords);
    page.body = JoinValues(markers.Values(kFieldBody), kJoinWords);
    page.attachment = JoinValues(markers.Values(kFieldAttachment), kJoinList);
    NotePageMailFields(page);
    const std::wstring name = JoinValues(markers.Values(kFieldFilename), kJoinList);
    if (!name.empty()) SetContentDocumentName(name);
}

// The first page gives the document's mail fields; with "Multipage Content Based Email" every
// page adds to those of the file it goes to (the hand-off of each file starts them afresh).
bool CTWJob::TakesPageMailFields() const {
    return IsFirstDocumentPage() || IsMultipageContentBasedEmail(&m_sDevMode, m_dwJobID);
}

void CTWJob::NotePageMailFields(const ContentMailFields& page) {
    if (IsMultipageContentBasedEmail(&m_sDevMode, m_dwJobID)) m_mailFields.Append(page);
    else if (IsFirstDocumentPage()) m_mailFields = page;
}

// Content-based naming: the page goes to the file its text names, inside the output directory.
BOOL CTWJob::RenameByContent(std::wstring& fileName) {
    if (!IsContentNamingActive()) return TRUE;
    TW_TRACE(L"> CTWJob::RenameByContent %s", m_szContentDocumentName.c_str());
    if (!GenerateFilenames(true)) return FALSE;
    fileName = m_szImageFileName;
    if (!m_outputFileNames.empty()) m_outputFileNames.back() = m_szImageFileName;
    m_szCurrentOutputFile = m_szImageFileName;
    return TRUE;
}

// Image generation is off: the page is still rendered when its text is wanted (text output,
// mail fields, OCR), and nothing but the text is kept.
BOOL CTWJob::CollectPageText(HGLOBAL hData, bool raw) {
    const bool ocr = IsOcrEnabled(&m_sDevMode, m_dwJobID, m_merge);
    if (!PageTextNeeded() && !ocr) return TRUE;
    TW_TRACE(L"> CTWJob::CollectPageText");
    TarnwellDEVMODE dm = m_sDevMode;
    CEMFImage image(this);
    const BOOL built = raw ? image.CreateFromRawData(hData, m_dwPageDataSize, dm) : image.Create(hData, m_dwPageDataSize, dm);
    if (!built) return FALSE;
    return WritePageText();
}

// The page's words, with the driver's text runs, laid out and written where the settings say.
BOOL CTWJob::WritePageText() {
    if (!m_pageText.collector || !PageTextNeeded()) return TRUE;
    TCTextOut& collector = *m_pageText.collector;
    for (const TWTextRun& run : m_textRuns) {
        TextWord word;
        word.x = run.x;
        word.y = run.y;
        word.width = run.nWidth;
        word.charWidth = run.aLayoutValues[0];
        word.height = run.aLayoutValues[2];
        word.text = run.text;
        word.advances.assign(run.text.size(), run.aLayoutValues[1]);
        collector.AddWord(std::move(word));
    }
    m_textRuns.clear();
    const std::wstring text = m_pageText.heading + collector.Layout(TextLayout());
    m_pageText.pageText = text;
    m_pageTexts.push_back(text);
    if (IsSimpleContentBasedEmail(&m_sDevMode, m_dwJobID) && TakesPageMailFields()) {
        // Simple content-based e-mail writes to the addresses the page shows.
        const std::wstring found = JoinValues(FindMailAddresses(text), kJoinAddresses);
        m_mailFields.addresses = IsMultipageContentBasedEmail(&m_sDevMode, m_dwJobID)
                                     ? JoinTwo(m_mailFields.addresses, found, kJoinAddresses)
                                     : found;
    }
    TW_TRACE(L"Saving the TCTextOut object into a text file");
    if (IsDriverCoverPage()) return TRUE;
    if (m_textOutput.generateInMemory) {
        m_szMemoryText += text;
        SendTextDataThroughPipe(&m_sDevMode, text.c_str());
        return TRUE;
    }
    if (!m_sDevMode.HasFlag(dmflag::IsWriteTextEnabled) || m_szTextFileName.empty()) return TRUE;
    if (AppendTextFile(m_szTextFileName, text, DmTextEncoding(&m_sDevMode))) {
        NoteOutputFile(m_szTextFileName);
        return TRUE;
    }
    if (!m_bTextFileErrorReported) {
        m_bTextFileErrorReported = true;
        ReportValidationError((kCannotWriteTextFile + m_szTextFileName).c_str(), true, __FILE__, __LINE__);
    }
    return FALSE;
}

}  // namespace tw
