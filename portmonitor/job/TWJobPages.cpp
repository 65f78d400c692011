// The pages of a document: StartPage, EndPage and EndPageRaw.
#include <cstring>
#include <vector>

#include "base/IniFile.h"
#include "base/WideString.h"
#include "job/JobOptions.h"
#include "job/JobTexts.h"
#include "job/PrinterIniNames.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "twfile/BlFile.h"
#include "twfile/FileFormats.h"

namespace tw {
namespace {

constexpr wchar_t kCancelWasPressed[] = L"Cancel was pressed";

// Formats that cannot hold more than one page in a file.
bool RefusesMultipage(DWORD format) {
    switch (format) {
    case 20: case 35: case 36: case 38: case 40: case 41:
        return true;
    }
    return false;
}

}  // namespace

bool CTWJob::PageIsSelected() const {
    const PageSelection& sel = m_settings.pageSelection;
    return !sel.Active() || sel.Contains(m_dwReceivedPages);
}

BOOL CTWJob::SaveAsCancelled() {
    DWORD abort = 0, cancel = 0;
    std::wstring jobGroup = settings::JobGroupFormat(m_dwJobID);
    bool aborted = settings::ReadDword(HKEY_CURRENT_USER, &m_sDevMode, settings::kRoot, jobGroup.c_str(),
                                       settings::kAbortJob, abort) && abort != 0;
    bool cancelled = m_sDevMode.HasFlag(dmflag::PrintedFromSession0) &&
                     settings::ReadSaveAsDword(&m_sDevMode, kCancelWasPressed, m_dwJobID, cancel) && cancel != 0;
    return aborted || cancelled;
}

// The document's password must occur in its name; it is then cut out of the name. Once found it
// stays accepted for the document: the later pages no longer carry it in the cleaned name.
bool CTWJob::CheckDocumentPassword() {
    if (m_bPasswordAccepted || m_szPrinterIniFile.empty()) return true;
    std::wstring password = IniFile(m_szPrinterIniFile).GetString(printerini::kDefaultSettings, printerini::kPassword, L"");
    if (password.empty()) return true;
    size_t pos = m_szDocumentName.find(password);
    if (pos == std::wstring::npos) return false;
    m_szDocumentName.erase(pos, password.size());
    m_bPasswordAccepted = true;
    return true;
}

BOOL CTWJob::StartPage() {
    TW_TRACE(L"> CTWJob::StartPage");
    auto done = [&](BOOL result, const wchar_t* step) {
        ReportOperation(L"StartPage", step, result);
        if (!result) TW_TRACE(L"< CTWJob::StartPage[!%s]: FALSE", step);
        return result;
    };
    ++m_dwReceivedPages;
    m_bPageLeftOut = !PageIsSelected();
    if (m_bPageLeftOut) return done(TRUE, L"left out");
    const DWORD errorsBefore = m_dwErrorReports;
    // A page that fails here is lost: the user learns why, unless a cancelled Save As dialog
    // or a plug-in that took the document over has ended it on purpose.
    auto failed = [&](const wchar_t* step) {
        const unsigned long page = m_dwReceivedPages;
        ReportSilentFailure(errorsBefore, FormatW(jobtext::kPageNotProduced, page, step));
        return done(FALSE, step);
    };

    const DWORD previous = m_dwActPage;
    ++m_dwActPage;
    m_dwGroupIndex = previous;
    m_outputFileNames.emplace_back();
    StartPageText();
    m_szPrinterIniFile = GetPrinterINIFile();

    if (SaveAsCancelled()) {
        if (!MainGroupFile().empty()) ::DeleteFileW(MainGroupFile().c_str());
        settings::DeleteSaveAsRecord(&m_sDevMode, m_dwJobID);
        return done(FALSE, L"Save As cancelled");
    }
    if (!CheckDocumentPassword()) return failed(L"password");
    if (m_bAbortPrinting) return done(FALSE, L"printing aborted");
    if (m_plugin.Loaded()) {
        BOOL accepted = m_plugin.StartPage(m_sDevMode);
        ReportOperation(L"Plugin", L"TwStartPage", accepted);
        if (!accepted) return failed(L"TwStartPage");
        if (m_pBlFile) m_pBlFile->CopyDevMode(m_sDevMode);
    }

    const int perSheet = m_settings.pagesPerSheet;
    const bool opensGroup = perSheet < 2 || m_dwGroupIndex % static_cast<DWORD>(perSheet) == 0;
    const bool multipage = IsMultipageOutput();
    if (opensGroup && !multipage) m_szCurrentOutputFile.clear();
    // Cover pages made before the document took the name StartDoc gave it.
    const bool firstPage = m_dwActPage == m_dwCoverPages + 1 && !m_bCoverPagesTookFirstName;
    if (!firstPage && opensGroup && !GenerateFilenames(false)) return failed(L"GenerateFilenames");
    m_outputFileNames.back() = m_szImageFileName;
    if (m_szCurrentOutputFile.empty()) m_szCurrentOutputFile = m_szImageFileName;
    if (opensGroup) PostWindowMessage(2, m_szCurrentOutputFile);
    return done(TRUE, L"");
}

// The raster branch of a page: the checks of the monochrome build, then the writer.
BOOL CTWJob::ProducePage(HGLOBAL hData, bool raw) {
    const bool memory = m_settings.bOutputInMemory;
    if (m_settings.bImageGenerationDisabled && !memory) return CollectPageText(hData, raw);
    const unsigned long page = m_dwReceivedPages;
    const int bits = EffectiveBitsPerPixel(&m_sDevMode, m_dwJobID);
    if (bits != 1) {
        TW_TRACE(L"CTWJob: a page of %d bits per pixel cannot be produced", bits);
        HandleError(FormatW(jobtext::kNotMonochrome, page, bits).c_str(), __FILE__, __LINE__);
        return FALSE;
    }
    const DWORD format = m_settings.dwEffectiveFormat;
    if (RefusesMultipage(format) && IsMultiPageOutput(&m_sDevMode, m_dwJobID)) {
        HandleError(FormatW(jobtext::kNoMultipageFormat, page, FormatName(format), static_cast<unsigned long>(format)).c_str(),
                    __FILE__, __LINE__);
        return FALSE;
    }
    return SavePageImage(hData, raw) && WritePageText();
}

// The work after a page's image: forwarding, the file group, the plug-in and the records
// that follow every produced page. Shared by EMF pages and raw pages.
BOOL CTWJob::FinishPage(HGLOBAL hData, bool raw) {
    const wchar_t* operation = raw ? L"EndPageRaw" : L"EndPage";
    TW_TRACE(L"> CTWJob::%s %u bytes", operation, m_dwPageDataSize);
    const DWORD errorsBefore = m_dwErrorReports;
    auto done = [&](BOOL result, const wchar_t* step) {
        ReportOperation(operation, step[0] ? step : std::to_wstring(m_dwPageDataSize).c_str(), result);
        if (!result) {
            TW_TRACE(L"< CTWJob::%s[!%s]: FALSE", operation, step);
            // A page lost without a word would pass for printed.
            ReportSilentFailure(errorsBefore,
                                FormatW(jobtext::kPageNotProduced, static_cast<unsigned long>(m_dwReceivedPages), step));
        }
        return result;
    };
    StartPageFonts();
    if (m_bPageLeftOut) {
        // Fonts embedded in skipped EMF pages may still be needed by later ones.
        if (!raw && m_dwReceivedPages < m_settings.pageSelection.Highest()) RegisterPageFonts(hData);
        return done(TRUE, L"left out");
    }
    if (!hData) return done(FALSE, L"no page data");
    DumpPageData(hData, raw);
    if (!ProducePage(hData, raw)) return done(FALSE, L"ProducePage");
    ForwardPage(hData, raw);
    const int perSheet = m_settings.pagesPerSheet;
    if ((perSheet < 2 || (m_dwGroupIndex + 1) % static_cast<DWORD>(perSheet) == 0) && !CloseFileGroup(raw))
        return done(FALSE, L"CloseFileGroup");
    if (m_plugin.Loaded()) {
        BOOL accepted = m_plugin.EndPage(m_sDevMode, m_dwActPage);
        ReportOperation(L"Plugin", L"TwEndPage", accepted);
        if (!accepted) return done(FALSE, L"TwEndPage");
    }
    UpdateBatesNumber(false);
    SetLastOutputFile();
    if (m_dwEndPageDelay) ::Sleep(m_dwEndPageDelay);
    return done(TRUE, L"");
}

BOOL CTWJob::EndPage(HGLOBAL hData) { return FinishPage(hData, false); }
BOOL CTWJob::EndPageRaw(HGLOBAL hData) { return FinishPage(hData, true); }

// A document without pages still gives one page: an empty EMF recorded for the printer.
BOOL CTWJob::PrintEmptyPage() {
    TW_TRACE(L"> CTWJob::PrintEmptyPage");
    UniqueDC reference(Spooler().CreatePrinterDC(m_szPrinterName.c_str(), m_sDevMode.AsDevModeW()));
    HDC recorder = ::CreateEnhMetaFileW(reference.get(), nullptr, nullptr, nullptr);
    if (!recorder) return FALSE;
    UniqueEnhMetaFile emf(::CloseEnhMetaFile(recorder));
    if (!emf) return FALSE;
    UINT size = ::GetEnhMetaFileBits(emf.get(), 0, nullptr);
    UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!block) return FALSE;
    {
        GlobalLockGuard<BYTE> bytes(block.get());
        if (!bytes || ::GetEnhMetaFileBits(emf.get(), size, bytes.get()) != size) return FALSE;
    }
    PageSelection saved = m_settings.pageSelection;
    m_settings.pageSelection = PageSelection();
    m_dwPageDataSize = size;
    BOOL result = StartPage() && EndPage(block.get());
    m_settings.pageSelection = saved;
    return result;
}

}  // namespace tw
