#pragma once
// One printed document, from StartDocPort to EndDocPort. It receives every byte written to the
// port, cuts it into driver commands and acts on them.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/FontResource.h"
#include "emfimage/PageTextState.h"
#include "job/ContentMail.h"
#include "emfimage/PagesPerSheet.h"
#include "job/JobOptions.h"
#include "job/JobSettings.h"
#include "job/Plugin.h"
#include "job/TextOutputSettings.h"
#include "job/TWJobTextRun.h"
#include "monitor/DebugSwitches.h"
#include "notify/JobEnvironment.h"
#include "notify/MessagingReporter.h"
#include "notify/PrnMessage.h"
#include "notify/UploaderRecords.h"
#include "ocr/OCR.h"
#include "portcmd/PortCmdLayout.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "twfile/OutputFileLock.h"
#include "twfile/UniqueName.h"

namespace tw {

class CPortCmd;
class IniSectionBatch;
class CBlFile;
class CPageAnnotator;
class CBarcodeWriter;
class CFormFiller;
class CMergeWindow;
class IMergeWindowHost;

inline constexpr wchar_t kGdiMutexName[] = L"Global\\TW_GDI_CBEC44B2-7451-47DD-ACAC-CC6C28C563D6";

class CTWJob {
public:
    CTWJob();
    ~CTWJob();
    CTWJob(const CTWJob&) = delete;
    CTWJob& operator=(const CTWJob&) = delete;

    void SetJobId(DWORD jobId) { m_dwJobID = jobId; }
    DWORD JobId() const { return m_dwJobID; }
    void SetPrinterName(const wchar_t* printerName);
    const std::wstring& PrinterName() const { return m_szPrinterName; }
    void SetDocumentName(const wchar_t* documentName);
    const std::wstring& DocumentName() const { return m_szDocumentName; }
    // Local time at which the spooler received the job.
    void SetSubmissionTime(const SYSTEMTIME& localTime) { m_stSubmitted = localTime; }
    const SYSTEMTIME& SubmissionTime() const { return m_stSubmitted; }

    // Consumes a WritePort buffer; FALSE makes the port cancel the spooler job.
    BOOL WritePort(const BYTE* pBuffer, DWORD cbBuf, DWORD* pcbDone);
    // The command whose header has arrived but not yet all of its data; null between commands.
    const CPortCmd* ActiveCommand() const { return m_pActCmd.get(); }

    // The operations the driver's commands run.
    BOOL SetDevMode(const BYTE* devmode, DWORD cb, BOOL bStartOfDocument);
    BOOL StartDoc();
    BOOL StartPage();
    // hData is the command's block: read it during the call, never keep it.
    BOOL EndPage(HGLOBAL hData);
    BOOL EndPageRaw(HGLOBAL hData);
    BOOL EndDoc();
    BOOL AddTextRun(TWTextRun run);

    // dwDataSize of the last END_PAGE or END_PAGE_RAW.
    void SetPageDataSize(DWORD cb) { m_dwPageDataSize = cb; }
    DWORD PageDataSize() const { return m_dwPageDataSize; }
    // The job's DEVMODE as last given by SetDevMode; null before the first one.
    const TarnwellDEVMODE* DevMode() const { return m_bHasDevMode ? &m_sDevMode : nullptr; }
    const std::vector<TWTextRun>& TextRuns() const { return m_textRuns; }
    // The "Add Space" setting given to text runs.
    DWORD AddSpace() const { return m_textOutput.addSpace; }

    // ---- Page text (TWJobPageText.cpp): text output, markers and content-based naming.
    // A page's text must be read: text output, mail merge, content-based e-mail or naming.
    bool PageTextNeeded() const;
    PageTextState& PageText() { return m_pageText; }
    PageTextSettings TextReadingSettings() const;
    // The collector of the page's words, made on first use with the page size of the DEVMODE.
    TCTextOut& TextCollector();
    // The markers of the page being rendered, for the playback that hides them.
    const MarkerScanner* PageMarkers() const { return &m_pageText.markers; }
    // Takes the fields of the page's markers: mail fields, P1 and P2, the content's file name.
    void NotePageMarkerFields();
    // Whether this page's mail fields are taken, and taking them.
    bool TakesPageMailFields() const;
    void NotePageMailFields(const ContentMailFields& page);
    // Each page's text as laid out, in page order.
    const std::vector<std::wstring>& PageTexts() const { return m_pageTexts; }
    using FieldValues = std::pair<std::wstring, std::vector<std::wstring>>;
    // The named marker fields of the document, by name in order of appearance.
    const std::vector<FieldValues>& MarkerFields() const { return m_markerFields; }
    // The values content-based e-mail takes from the page text, for the post-print records: of
    // the first page, or with "Multipage Content Based Email" of the pages of the current file.
    const ContentMailFields& MailFields() const { return m_mailFields; }
    // The text the job handed to the clients in memory.
    const std::wstring& MemoryText() const { return m_szMemoryText; }

    // ---- Fonts the job installed for its pages (embedded and temporary fonts), from the page
    // that brought them to the end of the document.
    CFontResource& Fonts() { return m_fonts; }
    // The page's embedded fonts are installed (cleared at each end of page).
    bool FontsRegistered() const { return m_bFontsRegistered; }
    void SetFontsRegistered() { m_bFontsRegistered = true; }
    // The printing user's temporary folder, where temporary font files are looked up.
    std::wstring TemporaryFontFolder() const;

    // ---- The document's progress.
    DWORD ReceivedPages() const { return m_dwReceivedPages; }
    // Pages produced so far, cover pages included.
    DWORD OutputPageNumber() const { return m_dwActPage; }
    DWORD DocumentNumber() const { return m_dwDocNumber; }
    // The page's place in the document (0 for the first page after the cover pages' start).
    DWORD PageIndexInDocument() const { return m_dwGroupIndex; }
    // The driver's own cover page: its switches are on and this is the first page after the
    // form filler's cover pages.
    bool IsDriverCoverPage() const;
    bool IsFormFillerCoverPage() const { return m_dwCoverPages > 0 && m_dwActPage <= m_dwCoverPages; }
    PagesPerSheet& Sheet() { return m_sheet; }
    const PagesPerSheet& Sheet() const { return m_sheet; }
    // Files written for this job, in order, each once.
    const std::vector<std::wstring>& WrittenFiles() const { return m_writtenFiles; }

    // Services of the job to its writer.
    // A file a writer has finished writing.
    void NoteOutputFile(const std::wstring& fileName);
    // The encoded file of an in-memory writer, for the client applications.
    void SendMemoryPageImage(HGLOBAL file, SIZE_T size);
    // "Always Reopen TIFF File" of the printer's data file, read at StartDoc.
    bool AlwaysReopenTiff() const { return m_bAlwaysReopenTiff; }
    // The page just saved is a cover page made after the document that must move to its front.
    bool IsLeadingCoverPage() const;
    // The encoded output of the in-memory TIFF writer, made (1 byte) on first use; null when it
    // cannot be allocated. The job sends it at EndDoc with multi-page output.
    HGLOBAL MemoryOutputBlock();
    // Whether `fileName` is the empty file with which the job holds the name of its next output.
    bool HoldsNameReservation(const std::wstring& fileName) const;
    // The page being saved is the document's first (cover pages apart).
    bool IsFirstPageOfDocument() const { return IsFirstDocumentPage(); }
    // Content-based naming: replaces `fileName` by the name the page's content gives; FALSE
    // stops the page.
    BOOL RenameByContent(std::wstring& fileName);
    // The plug-in declined the document: every later page fails and nothing is produced.
    bool AbortPrinting() const { return m_bAbortPrinting; }
    const TextOutputSettings& TextOutput() const { return m_textOutput; }
    // Serialises rendering across jobs and processes.
    HANDLE GdiMutex() const { return m_hGdiMutex.get(); }

    // What SetDevMode settled for the document.
    const JobSettings& Settings() const { return m_settings; }
    // What the merge utility decided for the job (not joined when it prints alone).
    const MergeState& Merge() const { return m_merge; }
    // The copy (from 1) whose annotations are being drawn: forwarded pages are drawn per copy.
    DWORD RenderingCopy() const { return m_dwRenderingCopy; }
    // Pages handed to printer forwarding so far.
    DWORD ForwardedPages() const { return m_dwForwardedPages; }
    const JobEnvironment& Environment() const { return m_environment; }
    // The printer driver's data file, looked up again at each record.
    const std::wstring& PrinterIniFile() const { return m_szPrinterIniFile; }
    // Corrects the job's DEVMODE; returns the effective file format.
    DWORD CorrectDevMode();
    // The temporary group files of the upload routes (empty when a route has none).
    const std::wstring& HttpGroupFile() const { return m_szHttpGroupFile; }
    const std::wstring& DatabaseGroupFile() const { return m_szDatabaseGroupFile; }
    const std::wstring& MFilesGroupFile() const { return m_szMFilesGroupFile; }

    BOOL AbortDoc();
    // EndDocPort found the spooler job being deleted: the document ends as aborted.
    void OnSpoolerJobDeleted();

    // ---- The order of the document's commands (TWJobCommandOrder.cpp). A command that cannot
    // act in the document's present state is dropped and reported once; the end of the job's
    // data finishes, as failed, a document that the stream left open.
    // Whether the complete command `cmd` acts on the job: Dropped has been reported (and fails
    // the write), Skipped costs nothing (an empty page the selection leaves out).
    enum class Admission { Run, Dropped, Skipped };
    Admission AdmitCommand(const CPortCmd& cmd);
    // Bytes that are no command header; `dropped` bytes went with them. Reported once until a
    // command is read again.
    void ReportInvalidHeader(const PortCmdHeader& header, DWORD dropped);
    // EndDocPort: no more data will come for this job.
    void EndOfData();
    // Between START_DOC and the end of the document.
    bool DocumentOpen() const { return m_docState == DocState::Started || m_docState == DocState::PageOpen; }
    // A command of the stream had to be refused: reported like any error the user must see.
    void ReportCommandError(const wchar_t* text);
    // True once an error has been reported for this document.
    bool HasError() const { return m_bError; }
    const std::wstring& StatusText() const { return m_szStatus; }

    // ---- Errors the user must see: status text, "Print status" in the group files, one status
    // message to the client, and the event log (TWJobErrors.cpp).
    void HandleError(const wchar_t* text, const char* sourceFile, int line);
    void HandleError(int code, const char* sourceFile, int line);
    void HandleTiffError(int code, const char* sourceFile, int line, int tiffCode, const char* tiffText);
    // The cover page form filler's reporters.
    void FormFillerWarning(const char* sourceFile, int line, const wchar_t* format, ...);
    void FormFillerError(const char* sourceFile, int line, const wchar_t* format, ...);
    // The event reports of the document's end, gated by the printer's "Event Logging Level".
    void ReportFinishedEvent();
    void ReportAbortedEvent();
    void ReportWarningEvent(const wchar_t* text);
    // Writes `key` = `value` into the printer's section of every enabled group file.
    void WriteGroupFileEntry(const wchar_t* key, const wchar_t* value);
    // Status message of kind 5 to the client; a job sends one at most, later ones are dropped.
    void PostStatusMessage(const wchar_t* text);
    // Every status message the job has sent, in order (one at most): what the client was told.
    const std::vector<std::wstring>& StatusMessages() const { return m_statusMessages; }
    // The output file checks have shown the user why the document fails (a message numbered 25):
    // the internal errors that follow from it are not reported a second time.
    void NoteValidationError() { m_bValidationReported = true; }
    // A message of the output directory and file checks: through HandleError when `asError`, else
    // to the event log only; either way the event leaves the finish date and time empty.
    void ReportValidationError(const wchar_t* text, bool asError, const char* sourceFile, int line);
    // "Event Logging Level" of the printer's troubleshooting settings (default 2).
    void SetEventLoggingLevel(int level) { m_nEventLoggingLevel = level; }
    // Replaces the "Debug" switch the error reporters read, for every job of the process (tests);
    // RestoreDebugSwitch goes back to the switch file.
    static void OverrideDebugSwitch(int debug);
    static void RestoreDebugSwitch();

private:
    void HandleErrorText(const wchar_t* text, const char* sourceFile, int line, bool leaveFinishTimeEmpty);
    void WriteErrorLocation(const char* sourceFile, int line);
    void FinishErrorReport(const std::wstring& text, const wchar_t* eventText, bool leaveFinishTimeEmpty);
    void ReportErrorEvent(const wchar_t* text, bool leaveFinishTimeEmpty);
    std::vector<std::wstring> m_statusMessages;
    bool m_bValidationReported = false;

public:
    bool StatusMessageSent() const { return m_bStatusMessageSent; }
    int EventLoggingLevel() const { return m_nEventLoggingLevel; }

    // ---- Client messaging (notify/TWJobMessaging.cpp). Client failures never fail the job: they
    // are logged, and the first of the document becomes its "Message Capture Warning".
    // Messages 1 to 5 to the client's pipe and, for output in memory, 1, 4 and 5 to the enabled
    // uploader pipes.
    BOOL PostWindowMessage(int kind, const std::wstring& text);
    // One message 1 to 5 to one pipe; `secondary` for an uploader pipe.
    BOOL PostWindowMessage(int kind, const std::wstring& text, const std::wstring& pipeName, bool secondary);
    // Message 7: `dm` offered to the client for editing, replaced by a whole record it answers.
    BOOL SendDEVMODEPipeMessage(TarnwellDEVMODE* dm, BOOL bFirstSet);
    // Message 8: an output file's image, a moveable block whose allocated size is the image's.
    BOOL SendMemImageThroughPipe(const TarnwellDEVMODE* dm, HGLOBAL hImage, const std::wstring& pipeName,
                                 bool secondary);
    // ... to the client's pipe, then to the HTTP, database and M-Files pipes that upload.
    BOOL SendMemImageThroughPipe(const TarnwellDEVMODE* dm, HGLOBAL hImage);
    BOOL SendMemImageThroughWMCOPYDATA(const TarnwellDEVMODE* dm, HGLOBAL hImage);
    // Messages 9 and 10: a page's OCR text and extracted text; the wrappers send to the client's
    // pipe, then to the database and M-Files pipes that upload.
    BOOL SendOCRDataThroughPipe(const TarnwellDEVMODE* dm, const wchar_t* text, DWORD ocrFormat,
                                const std::wstring& pipeName, bool secondary);
    BOOL SendOCRDataThroughPipe(const TarnwellDEVMODE* dm, const wchar_t* text, DWORD ocrFormat);
    BOOL SendTextDataThroughPipe(const TarnwellDEVMODE* dm, const wchar_t* text, const std::wstring& pipeName,
                                 bool secondary);
    BOOL SendTextDataThroughPipe(const TarnwellDEVMODE* dm, const wchar_t* text);
    // The job's statistics, from the spooler's record of the job; the port calls it at EndDocPort.
    BOOL SendStatisticsThroughThePipe(const JOB_INFO_1W* info, HANDLE hPrinter);
    // The in-memory output of a multi-page document, sent at EndDoc (the job takes ownership).
    void SetMemoryImage(HGLOBAL hImage) { m_hMemoryImage.reset(hImage); }
    // Logs a client failure; the first of the document is kept.
    void ReportMessagingWarning(const std::wstring& text, const std::wstring& detail);
    // A client that let a message time out gets none of the document's later messages.
    void NoteUnresponsiveClient(const std::wstring& pipe);
    bool IsUnresponsiveClient(const std::wstring& pipe) const;
    const std::wstring& MessageCaptureWarning() const { return m_szMessageCaptureWarning; }
    // The job's post-print ID: none when nothing is handed off after printing.
    const std::optional<DWORD>& PostPrintId() const { return m_postPrintId; }

    // ---- Group files: the main one and up to three more, each with its switch.
    static constexpr size_t kGroupFileCount = 4;
    void SetGroupFile(size_t index, const std::wstring& path, bool enabled);
    bool HasGroupFile() const;
    const std::wstring& MainGroupFile() const { return m_groupFiles[0].path; }

    // ---- Output names (TWJobNaming.cpp, TWJobCompanionNames.cpp). The writers write the page to
    // ImageFileName(); a writer that cannot create or open its file calls ValidateOutputFile with
    // its prefix text, so that the user learns why (a message numbered 25) and the internal
    // error that follows is not reported a second time.
    // Names the document (`newDocument`, at StartDoc and after a content-based rename) or the file
    // group a page opens. FALSE when no name could be formed; the user has been told unless the
    // job is silent.
    BOOL GenerateFilenames(bool newDocument);
    // The name a writer found in the page text for content-based naming. Only a plain file name
    // is taken: a path, a drive or a device name fails the naming with an error.
    void SetContentDocumentName(const std::wstring& name);
    bool IsContentNamingActive() const;
    BOOL SetImageFileName(const std::wstring& name, bool checkExisting);
    BOOL BuildCustomFileNames();
    // May append a backslash to `directory`.
    BOOL ValidateOutputDirectory(const wchar_t* prefixText, std::wstring& directory, bool reportAsError);
    BOOL ValidateOutputFile(const wchar_t* prefixText, const wchar_t* fileName, bool reportAsError = true);
    // The multi-page output file, held open (shared for reading and writing) from its naming to
    // the end of the document; ReleaseFile removes it when the lock created it and it stayed empty.
    BOOL LockFile(const std::wstring& fileName);
    void ReleaseFile();
    // Memory output or no image generation: naming problems are not reported.
    bool IsSilent() const;
    bool IsMultipageOutput() const;
    // The sheet number of the current page (pages per sheet taken into account), from 1.
    DWORD SheetNumber() const;
    // The format's extension, upper case when "Uppercase Extensions" is set.
    const wchar_t* OutputExtension() const;
    // ---- Page annotations (annotate/): the watermark pictures, the printing time and the Bates
    // numbering of the document, kept for the job's life.
    CPageAnnotator& Annotator();
    // The barcode of the job's pages (annotate/), made at its first use.
    CBarcodeWriter& Barcodes();
    // The page's text as the barcode takes it: the collected words line by line, each line
    // ending in a space, then the texts of the page's barcode markers.
    std::wstring BarcodePageText() const;

    const std::wstring& ImageFileName() const { return m_szImageFileName; }
    const std::wstring& GroupFileName() const { return MainGroupFile(); }
    const std::wstring& TextFileName() const { return m_szTextFileName; }
    const std::wstring& MailMergeFileName() const { return m_szMailMergeFileName; }
    const std::wstring& OCRTextFileName() const { return m_szOCRTextFileName; }
    const std::wstring& OCRImageFileName() const { return m_szOCRImageFileName; }
    // OCR of a rendered page (ocr/TWJobOcr.cpp): recognised into the OCR output, or sent to the
    // client as message 9 with "Generate In Memory". The page stays the caller's.
    void RecognisePage(HGLOBAL pageDib);
    const COCR& Ocr() const { return m_ocr; }
    const std::wstring& FirstImageFileName() const { return m_szFirstImageFileName; }
    const std::wstring& FirstTextFileName() const { return m_szFirstTextFileName; }
    const std::wstring& CurrentOutputFile() const { return m_szCurrentOutputFile; }
    // One entry per output page: the file the page went to.
    const std::vector<std::wstring>& OutputFileNames() const { return m_outputFileNames; }

    // ---- Group files and the status INI file (TWJobGroupFile.cpp).
    // After every saved sheet: the document keys on the first sheet, the sheet's page section,
    // the page count and a pending status. Write failures are ignored.
    BOOL UpdateGroupFile();
    // TRUE only when every group file in use took the value.
    BOOL WriteGroupValue(const wchar_t* section, const wchar_t* key, const wchar_t* value);
    // The batch into every group file in use (see WriteGroupValue).
    BOOL WriteGroupBatch(const IniSectionBatch& batch);
    // The first messaging warning of the job, written into the group file with the page it
    // was raised on and once for the document.
    void SetMessageCaptureWarning(const std::wstring& text);
    std::wstring StatusIniFile() const;

private:
    bool IsFirstDocumentPage() const;
    std::wstring ExpandedOutputDirectory(const std::wstring& directory) const;
    std::wstring NameSource() const;
    BOOL GenerateUniqueName(std::wstring directory, std::wstring prefix, std::wstring extension);
    BOOL GenerateExplicitName(const std::wstring& name);
    // `reserved`: the naming created the file exclusively for this job.
    void TakeImageFileName(const std::wstring& image, bool reserved);
    // 0 when `image` is now this job's, or the Windows error (taken: see IsNameTaken).
    DWORD ReserveImageName(const std::wstring& image);
    BOOL NameTooLong(const std::wstring& image, const std::wstring& previous);
    std::function<bool(const std::wstring&)> ReservingTest(bool& reserved);
    void ReportCreationFailure(const std::wstring& directory, DWORD error);
    BOOL FormCompanionNames();
    BOOL FormGroupFileName();
    void FormTextNames();
    void FormOcrNames();
    std::wstring CompanionName(const std::wstring& imageName, const wchar_t* extension, DWORD action) const;
    bool UnicodeGroupFileWanted() const;
    std::wstring BatesNameText();
    void WriteStatusIni(const wchar_t* key, const std::wstring& value);

    std::wstring m_szImageFileName;
    std::wstring m_szTextFileName, m_szMailMergeFileName;
    std::wstring m_szOCRTextFileName, m_szOCRImageFileName;
    COCR m_ocr{this};
    std::wstring m_szFirstImageFileName, m_szFirstTextFileName;
    std::wstring m_szContentDocumentName;
    // Declared before the lock: destroyed after it, when the held file is closed.
    CNameReservation m_nameReservation;
    COutputFileLock m_lockedFile;
    DWORD m_dwNamingError = 0;  // Windows error of the last name step that failed
    std::unique_ptr<CPageAnnotator> m_pAnnotator;
    std::unique_ptr<CBarcodeWriter> m_pBarcodeWriter;
    std::wstring m_szMessageCaptureWarning;
    bool m_bPageWarning = false;
    bool m_bDocumentWarningWritten = false;

private:
    enum class DocState { None, Started, PageOpen, Ended };
    void DropCommand(const std::wstring& text, DWORD type);
    // The open page will get no data: its number and file name go back to the next page.
    void AbandonOpenPage(const std::wstring& text);
    // Empty files named for this document and never written (a failed document leaves none).
    void RemoveEmptyOutputFiles();
    // Reports `step` of a page or document that failed without saying why.
    void ReportSilentFailure(DWORD errorsBefore, const std::wstring& text);
    void MarkFailed() { m_bError = true; ++m_dwErrorReports; }
    DocState m_docState = DocState::None;
    bool m_bPageDropped = false;   // the open page's START_PAGE was dropped: its END_PAGE goes quietly
    bool m_bStreamLost = false;    // invalid bytes were reported; quiet until a command is read
    bool m_bDataCut = false;       // EndOfData is ending the document
    DWORD m_dwErrorReports = 0;    // errors reported so far
    std::vector<std::wstring> m_abandonedFiles;
    std::vector<std::wstring> m_unresponsivePipes;

    BOOL RefuseActiveCommand(const std::wstring& text);
    std::wstring GetPrinterINIFile() const;
    void ReplaceWithPrinterDefault(const TarnwellDEVMODE& incoming);
    void ReadDataType(const TarnwellDEVMODE& dm);
    void RevertToSpoolerForJob();
    void ReadPageSelection();
    // ---- The merge window (TWJobMergeWindow.cpp).
    void CheckMergeWindow();
    void JoinMergeWindow(std::wstring utility);
    // The joined job's naming, again over every page's record.
    void ApplyMergeNaming();
    // The joined job's entry becomes done and the next job's turn comes.
    void LeaveMergeWindow();
    void ReadMessagingNames();
    void ReadTimeouts();
    void CreateTemporaryGroupFiles();
    void ReadStartDocSettings();
    bool PageIsSelected() const;
    bool CheckDocumentPassword();
    BOOL SaveAsCancelled();
    BOOL ProducePage(HGLOBAL hData, bool raw);
    BOOL FinishPage(HGLOBAL hData, bool raw);
    // The page's data into the EDF debug files the printer and the debug switch file ask for.
    void DumpPageData(HGLOBAL hData, bool raw);
    BOOL PrintEmptyPage();

    // Call points of the subsystems that produce and hand off the output (TWJobCallPoints.cpp).
    BOOL CreateOutputFile();
    BOOL OpenDocumentOutput();
    BOOL OpenMultipageTiff();
    void WriteFileHandOffRecords(bool raw);
    void WriteStartRecords();
    void StartOcrDocument();
    void FinishOcrDocument();
    BOOL AddFormFillerCoverPages();
    // ---- Cover pages of the form filler (formfiller/TWJobCoverPages.cpp).
    bool IsCoverPageEnabled() const;
    // At the start of the document: the libraries, the template and, when the editor is started
    // before printing, the hand-off.
    void SetUpCoverPages();
    // After the document: the hand-off, then the cover pages, moved in front of it.
    BOOL AddCoverPagesAfterDocument();
    // Takes the editor's pages; false when the wait failed.
    bool WaitForCoverPages();
    BOOL AddCoverPage(int index);
    UniqueHGlobal RecordCoverPage(int index);
    BOOL RegisterPageFonts(HGLOBAL hData);
    BOOL SavePageImage(HGLOBAL hData, bool raw);
    BOOL CollectPageText(HGLOBAL hData, bool raw);
    void StartPageText();
    BOOL WritePageText();
    TextLayoutOptions TextLayout() const;
    void ForwardPage(HGLOBAL hData, bool raw);
    BOOL CloseFileGroup(bool raw);
    void UpdateBatesNumber(bool endOfDocument);
    void SetLastOutputFile();
    BOOL CloseMultipageTiff();
    BOOL FlushPendingSheet();
    void DeleteTemporaryFiles();
    void StartPostPrintApplication();
    void WriteHandOffEndRecords();
    // ---- Post-print hand-off (notify/TWJobPostPrint.cpp).
    bool IsStartApplicationOn() const;
    bool IsOcrOutputOpened() const;
    bool IsFtpRouteOn() const;
    DWORD PostPrintActionFlags() const;
    bool AnyPostPrintRoute() const;
    bool NeedsApplicationStarter() const;
    // Allocates the post-print ID, marks its record "Job Started" and starts the application starter.
    void InitApplicationStarter();
    // Writes the post-print record; true when the start application was (or will be) started.
    bool StartApplication(bool beforePrinting, bool forMessaging);
    std::wstring StartParameterList() const;
    std::wstring FileNameForStartApp() const;
    bool StartsApplicationForMessaging() const;
    void CreateReadyEvent();
    // Waits for the ready event only for a program that was started; closes the event.
    void WaitForStartedApplication(bool started);
    void StartForMessaging();
    void StartBeforePrinting();
    // "Aborted" when `aborted`, then the per-job key goes (once per job).
    void ClosePostPrint(bool aborted);
    // ---- Printer forwarding (notify/TWJobForwarding.cpp): the job record at StartDoc and EndDoc.
    void WriteForwardingStartRecord();
    void WriteForwardingEndRecord();
    // ---- Uploader records (notify/TWJobUploaders.cpp).
    uploader::UploaderJob UploaderFacts() const;
    bool IsContentEmailChosen() const;
    // CreateProcess; `failureText` logs a failure with the program and the error.
    bool LaunchProcess(const wchar_t* application, std::wstring commandLine, const std::wstring& directory, WORD show,
                       bool inherit, bool waitForIdle, const wchar_t* failureText);
    void SendMemoryImage();
    void CleanUp(bool aborted);
    PrnMessageFields MessageFields(int kind, const std::wstring& text) const;
    MessagingTimeouts Timeouts() const;
    void WriteMessageCaptureWarning();
    void ReportOperation(const wchar_t* operation, const wchar_t* detail, BOOL result);

    DWORD m_dwJobID = 0;
    std::wstring m_szPrinterName;
    std::wstring m_szDocumentName;
    SYSTEMTIME m_stSubmitted{};
    bool m_bError = false;
    std::wstring m_szStatus;

    std::unique_ptr<CPortCmd> m_pActCmd;
    DWORD m_dwPageDataSize = 0;
    TarnwellDEVMODE m_sDevMode{};
    bool m_bHasDevMode = false;
    std::vector<TWTextRun> m_textRuns;
    PageTextState m_pageText;
    std::vector<std::wstring> m_pageTexts;
    std::vector<FieldValues> m_markerFields;
    ContentMailFields m_mailFields;
    std::wstring m_szMemoryText;
    bool m_bTextFileErrorReported = false;
    CFontResource m_fonts;
    std::unique_ptr<CFontResource> m_pageFonts;  // the browser's cached fonts, for one page
    bool m_bFontsRegistered = false;
    void StartPageFonts();
    void ReleaseFonts();

    struct GroupFile {
        std::wstring path;
        bool enabled = false;
    };
    GroupFile m_groupFiles[kGroupFileCount];
    bool m_bStatusMessageSent = false;
    int m_nEventLoggingLevel = 2;

    DWORD m_dwReceivedPages = 0;
    DWORD m_dwActPage = 0;
    DWORD m_dwDocNumber = 0;
    DWORD m_dwCoverPages = 0;  // form-filler cover pages before the document
    std::unique_ptr<CFormFiller> m_pFormFiller;  // while cover pages are enabled and can be made
    bool m_bFormFillerBeforePrinting = false;     // the editor was started at the document's start
    bool m_bCoverPagesTookFirstName = false;      // the first cover page used the document's name
    DWORD m_dwGroupIndex = 0;  // index of the page within the document, for pages per sheet
    bool m_bPageLeftOut = false;  // the current page is outside the page selection
    bool m_bAbortPrinting = false;
    bool m_bHasStatus = false;
    bool m_bDocStarted = false;  // StartDoc ran for this document
    bool m_bPasswordAccepted = false;
    UniqueKernelObject m_hGdiMutex;
    CPlugin m_plugin;
    DWORD m_dwStartDocDelay = 0, m_dwEndPageDelay = 0, m_dwEndDocDelay = 0;
    bool m_bUppercaseExtensions = false;
    bool m_bAlwaysReopenTiff = false;
    bool m_bDuplexCapability = false;
    bool m_bWriteCopiesToGroupFile = true;
    bool m_bDisplayWordCoordinates = false;
    int m_nLineAdjustment = 100;
    int m_nBitmapMergingMode = 0;
    TextOutputSettings m_textOutput;
    std::vector<std::wstring> m_outputFileNames;  // one entry per output page
    std::vector<std::wstring> m_writtenFiles;
    // The debug switch file, read at the job's first page rather than at every page.
    std::optional<DebugSwitches> m_debugSwitches;
    // Held while the writer lives (declared before it, so freed after it).
    std::vector<UniqueModule> m_keptLibraries;
    std::unique_ptr<CBlFile> m_pBlFile;
    bool UsesMultipageTiff() const;
    BOOL SaveTiffPage(HGLOBAL hData, SIZE_T size, BOOL isEMF);
    PagesPerSheet m_sheet;
    std::wstring m_szCurrentOutputFile;

    JobSettings m_settings;
    JobEnvironment m_environment;
    std::wstring m_szPrinterIniFile;
    // The client's token while the job runs as the spooler itself (raw data, shared printers).
    HANDLE m_hClientToken = nullptr;
    UniqueKernelObject m_hMessagingEvent;
    std::wstring m_szHttpGroupFile, m_szDatabaseGroupFile, m_szMFilesGroupFile;
    UniqueHGlobal m_hMemoryImage;
    std::optional<DWORD> m_postPrintId;
    bool m_bStarterStarted = false;
    bool m_bMessagingClientStarted = false;
    bool m_bPostPrintClosed = false;
    bool m_bFileHandedOff = false;  // the first finished file went to the uploader records
    MergeState m_merge;
    std::wstring m_szMergeFileName;  // the output name the merge utility gave, if any
    DWORD m_dwRenderingCopy = 1;
    DWORD m_dwForwardedPages = 0;
    // The host before the window that uses it: destroyed after it.
    std::unique_ptr<IMergeWindowHost> m_pMergeHost;
    std::unique_ptr<CMergeWindow> m_pMergeWindow;
};

}  // namespace tw
