// Where a document's output goes and what it is called: the naming methods, the Save-As
// answers, the unique-name generator, the explicit-name path and the image file name itself.
#include <functional>
#include <optional>
#include <string>

#include "base/WideString.h"
#include "job/JobOptions.h"
#include "job/JobOptionsRead.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "notify/PathExpansion.h"
#include "portcmd/DevModeLayout.h"
#include "twfile/FileFormats.h"
#include "twfile/FileNameRules.h"
#include "twfile/NameSources.h"
#include "twfile/NamingTexts.h"
#include "twfile/UniqueName.h"

namespace tw {
namespace {

// The naming methods of the record's FileGenerationMethod.
enum NamingMethod : DWORD {
    kUniqueFromDevMode = 0,
    kUniqueFromRegistry = 1,
    kUniqueFromIni = 2,
    kExplicitFromDevMode = 3,
    kExplicitFromRegistry = 4,
    kExplicitFromIni = 5,
    kFromDocument = 6,
    kFromTemplate = 7,
    kFromDocumentIniDirectory = 8,
    kFromContent = 9,
};

// The HTML code whose pages are one file unless "Separate pages" is set.
constexpr DWORD kFormatHtml = 37;
// Save-As answers are texts of at most 260 characters.
constexpr DWORD kSaveAsTextBytes = 520;

bool IsMultipageTiffCode(DWORD code) {
    return (code >= 3 && code <= 10) || (code >= 21 && code <= 23) || code == 30 || code == 42 || code == 44 ||
           code == 46;
}

std::wstring TempDirectory() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    return n && n <= MAX_PATH ? std::wstring(temp, n) : std::wstring();
}

}  // namespace

bool CTWJob::IsSilent() const { return m_settings.bOutputInMemory || m_settings.bImageGenerationDisabled; }

bool CTWJob::IsFirstDocumentPage() const { return m_dwActPage == m_dwCoverPages + 1; }

DWORD CTWJob::SheetNumber() const {
    return tw::SheetNumber(m_dwActPage ? m_dwActPage - 1 : 0, m_settings.pagesPerSheet);
}

const wchar_t* CTWJob::OutputExtension() const {
    return FormatExtension(m_settings.dwEffectiveFormat, m_bUppercaseExtensions);
}

// The always multi-page TIFF codes write one file whatever the flag says, so the document is
// named, locked and listed as one file too.
bool CTWJob::IsMultipageOutput() const {
    if (UsesMultiPageTiff(m_settings.dwEffectiveFormat, m_settings.bOutputInMemory, false)) return true;
    return IsMultiPageOutput(&m_sDevMode, m_dwJobID);
}

void CTWJob::SetContentDocumentName(const std::wstring& name) { m_szContentDocumentName = name; }

bool CTWJob::IsContentNamingActive() const {
    if (m_szContentDocumentName.empty()) return false;
    return DmFileGenerationMethod(&m_sDevMode) == kFromContent || IsContentBasedEmail(&m_sDevMode, m_dwJobID);
}

std::wstring CTWJob::ExpandedOutputDirectory(const std::wstring& directory) const {
    std::wstring expanded;
    if (ExpandPath(m_environment, &m_sDevMode, directory, expanded)) return expanded;
    TW_TRACE(L"CTWJob::ExpandedOutputDirectory: %s cannot be expanded; the temporary directory is used",
             directory.c_str());
    return TempDirectory();
}

std::wstring CTWJob::NameSource() const {
    return m_bHasDevMode ? m_sDevMode.GetText(dmtext::NameSource) : std::wstring(naming::kDefaultNameSource);
}

BOOL CTWJob::GenerateFilenames(bool newDocument) {
    TW_TRACE(L"> CTWJob::GenerateFilenames %d", newDocument ? 1 : 0);
    auto done = [](BOOL result, const wchar_t* step) {
        if (!result) TW_TRACE(L"< CTWJob::GenerateFilenames[!%s]: FALSE", step);
        else TW_TRACE_RESULT(L"CTWJob::GenerateFilenames", result);
        return result;
    };
    if (IsContentNamingActive()) {
        // The name comes from the page text: it may name a file of the output directory, nothing else.
        if (!IsSafeDocumentFileName(m_szContentDocumentName)) {
            if (!IsSilent())
                HandleError(FormatW(naming::kMsgUnsafeDocumentName, m_szContentDocumentName.c_str()).c_str(), __FILE__,
                            __LINE__);
            return done(FALSE, L"ContentName");
        }
        return done(GenerateExplicitName(m_szContentDocumentName), L"ContentName");
    }
    if (!newDocument && m_dwActPage != 1 && IsMultipageOutput()) return done(TRUE, L"");

    if (IsSaveAsInUse(&m_sDevMode)) {
        DWORD cancelled = 0;
        settings::ReadSaveAsDword(&m_sDevMode, naming::kSaveAsCancel, m_dwJobID, cancelled);
        if (cancelled == 0) {
            std::optional<std::wstring> folder =
                jobopt::SaveAsText(&m_sDevMode, m_dwJobID, settings::SaveAsTextIndex(naming::kSaveAsOutputPath), kSaveAsTextBytes);
            if (!folder) {
                HandleError(naming::kLogSaveAsFolder, __FILE__, __LINE__);
                return done(FALSE, L"SaveAsFolder");
            }
            std::optional<std::wstring> file =
                jobopt::SaveAsText(&m_sDevMode, m_dwJobID, settings::SaveAsTextIndex(naming::kSaveAsFilename), kSaveAsTextBytes);
            if (!file) {
                HandleError(naming::kLogSaveAsFilename, __FILE__, __LINE__);
                return done(FALSE, L"SaveAsFilename");
            }
            return done(GenerateExplicitName(WithTrailingBackslash(*folder) + *file), L"SaveAs");
        }
    }

    const std::wstring devmodeDirectory = m_sDevMode.GetText(dmtext::OutputDirectory);
    const std::wstring source = NameSource();
    const DWORD method = DmFileGenerationMethod(&m_sDevMode);
    BOOL result = FALSE;
    switch (method) {
    case kUniqueFromDevMode:
        result = GenerateUniqueName(ExpandedOutputDirectory(devmodeDirectory), m_sDevMode.GetText(dmtext::FileNamePrefix),
                                    m_sDevMode.GetText(dmtext::FileExtension));
        break;
    case kUniqueFromRegistry: {
        std::wstring directory = ReadNameSourceValue(source, naming::kOutputDirectory)
                                     .value_or(ExpandedOutputDirectory(devmodeDirectory));
        result = GenerateUniqueName(directory, ReadNameSourceValue(source, naming::kFileNamePrefix).value_or(L""),
                                    ReadNameSourceValue(source, naming::kFileNameExtension).value_or(L""));
        break;
    }
    case kUniqueFromIni: {
        std::wstring directory = ReadNameSourceIni(source, m_szPrinterName.c_str(), naming::kOutputDirectory);
        if (directory.empty()) directory = ExpandedOutputDirectory(devmodeDirectory);
        result = GenerateUniqueName(directory, ReadNameSourceIni(source, m_szPrinterName.c_str(), naming::kFileNamePrefix),
                                    ReadNameSourceIni(source, m_szPrinterName.c_str(), naming::kFileNameExtension));
        break;
    }
    case kExplicitFromDevMode:
        result = GenerateExplicitName(m_sDevMode.GetText(dmtext::ImageFileName));
        break;
    case kExplicitFromRegistry:
        result = GenerateExplicitName(ReadNameSourceValue(source, naming::kFileName).value_or(L""));
        break;
    case kExplicitFromIni:
        result = GenerateExplicitName(ReadNameSourceIni(source, m_szPrinterName.c_str(), naming::kFileName));
        break;
    case kFromTemplate:
        result = BuildCustomFileNames();
        break;
    case kFromDocumentIniDirectory: {
        std::wstring directory = NameSourceIniDirectory(source, m_szPrinterName);
        if (directory.empty()) directory = devmodeDirectory;
        directory = WithTrailingBackslash(ExpandedOutputDirectory(directory));
        result = GenerateExplicitName(directory + CleanDocumentFileName(m_szDocumentName, OutputExtension()));
        break;
    }
    default:  // kFromDocument, kFromContent without a name from the content
        result = GenerateExplicitName(CleanDocumentFileName(m_szDocumentName, OutputExtension()));
        break;
    }
    return done(result, L"Method");
}

// Methods 0 to 2: a name the system makes up in the directory, with the prefix's first three
// characters.
BOOL CTWJob::GenerateUniqueName(std::wstring directory, std::wstring prefix, std::wstring extension) {
    TW_TRACE(L"> CTWJob::GenerateUniqueName %s %s %s", directory.c_str(), prefix.c_str(), extension.c_str());
    if (prefix.size() > naming::kMaxPrefixChars) prefix = naming::kDefaultPrefix;
    if (extension.size() > naming::kMaxExtensionChars) extension = OutputExtension();
    if (!ValidateOutputDirectory(naming::kCannotAccessDirectory, directory, !IsSilent())) {
        TW_TRACE_FAILED(L"CTWJob::GenerateUniqueName", L"ValidateOutputDirectory");
        return FALSE;
    }
    m_dwNamingError = 0;
    for (int attempt = 0; attempt < naming::kNameAttempts; ++attempt) {
        std::wstring name;
        if (DWORD error = MakeTemporaryName(directory, prefix, name)) {
            if (!IsSilent()) ReportCreationFailure(directory, error);
            TW_TRACE_FAILED(L"CTWJob::GenerateUniqueName", L"GetTempFileName");
            return FALSE;
        }
        if (SetImageFileName(ReplaceExtension(name, extension), true) && FormCompanionNames()) {
            TW_TRACE_RESULT(L"CTWJob::GenerateUniqueName", TRUE);
            return TRUE;
        }
    }
    if (IsSilent()) return TRUE;
    ReportCreationFailure(directory, m_dwNamingError);
    TW_TRACE_FAILED(L"CTWJob::GenerateUniqueName", L"Attempts");
    return FALSE;
}

// Methods 3 to 6, 8 and 9, Save-As and content-based names: the name as given, or names the
// system makes up in its directory when it cannot be used.
BOOL CTWJob::GenerateExplicitName(const std::wstring& name) {
    TW_TRACE(L"> CTWJob::GenerateExplicitName %s", name.c_str());
    if (HasInvalidNameCharacter(name)) {
        if (!IsSilent()) HandleError(FormatW(naming::kMsgInvalidCharacter, name.c_str()).c_str(), __FILE__, __LINE__);
        TW_TRACE_FAILED(L"CTWJob::GenerateExplicitName", L"Characters");
        return FALSE;
    }
    std::wstring directory, file;
    SplitDirectory(name, directory, file);
    if (directory.empty()) directory = ExpandedOutputDirectory(m_sDevMode.GetText(dmtext::OutputDirectory));
    if (!ValidateOutputDirectory(naming::kCannotAccessDirectory, directory, !IsSilent())) {
        TW_TRACE_FAILED(L"CTWJob::GenerateExplicitName", L"ValidateOutputDirectory");
        return FALSE;
    }
    m_dwNamingError = 0;
    if (!file.empty() && SetImageFileName(directory + file, false) && FormCompanionNames()) {
        TW_TRACE_RESULT(L"CTWJob::GenerateExplicitName", TRUE);
        return TRUE;
    }
    // The name cannot be used: the user is told, and the output goes to a made-up name beside it.
    if (!IsSilent()) ReportCreationFailure(directory, m_dwNamingError);
    for (int attempt = 0; attempt < naming::kNameAttempts; ++attempt) {
        std::wstring generated;
        if (MakeTemporaryName(directory, naming::kDefaultPrefix, generated) != 0) {
            TW_TRACE_FAILED(L"CTWJob::GenerateExplicitName", L"GetTempFileName");
            return IsSilent() ? TRUE : FALSE;
        }
        if (SetImageFileName(ReplaceExtension(generated, OutputExtension()), true) && FormCompanionNames()) {
            TW_TRACE_RESULT(L"CTWJob::GenerateExplicitName", TRUE);
            return TRUE;
        }
    }
    TW_TRACE_FAILED(L"CTWJob::GenerateExplicitName", L"Attempts");
    return FALSE;
}

BOOL CTWJob::SetImageFileName(const std::wstring& name, bool checkExisting) {
    TW_TRACE(L"> CTWJob::SetImageFileName %s %d", name.c_str(), checkExisting ? 1 : 0);
    const std::wstring previous = m_szImageFileName;
    const bool multipage = IsMultipageOutput();
    const bool firstOrSingle = IsFirstDocumentPage() || !multipage;
    const DWORD method = DmFileGenerationMethod(&m_sDevMode);
    const DWORD action = ExistingFileMode(&m_sDevMode, m_dwJobID);
    const DWORD format = m_settings.dwEffectiveFormat;
    const bool contentNaming = IsContentNamingActive();

    std::wstring image = ApplyExtensionRule(name, OutputExtension(), contentNaming);
    const bool onePageFile = format == kFormatHtml && HtmlSeparatePages(&m_sDevMode, m_dwJobID) == 0;
    NumberingRequest numbering;
    numbering.sheet = SheetNumber();
    numbering.pageNumbering = !contentNaming && !multipage && !image.empty() && !onePageFile;
    numbering.collisionNumbering = (method == kFromDocument || method == kFromDocumentIniDirectory ||
                                    method == kFromContent) &&
                                   action == kExistingFileNewNumberedName && !image.empty();
    numbering.pageStyleCollision = !multipage && !onePageFile;
    if (image.size() > naming::kMaxNameChars) return NameTooLong(image, previous);
    bool reserved = false;
    // Memory output and disabled images write no file: their names are only looked at.
    const bool reserve = firstOrSingle && !IsSilent();
    image = ApplyNumbering(image, numbering, numbering.collisionNumbering && reserve ? ReservingTest(reserved) : FileExists);
    if (image.size() > naming::kMaxNameChars) return NameTooLong(image, previous);

    // A name made up here (methods 0 to 2, or the fallback of an explicit name) is reserved the
    // same way; a name another job holds is tried again with a new one.
    if (checkExisting && firstOrSingle && !reserve && method <= kUniqueFromIni && FileIsReadWrite(image)) {
        TW_TRACE_FAILED(L"CTWJob::SetImageFileName", L"Exists");
        return FALSE;
    }
    if (checkExisting && reserve && !reserved) {
        const DWORD error = ReserveImageName(image);
        if (error != 0) {
            if (!IsNameTaken(error)) m_dwNamingError = error;
            TW_TRACE_FAILED(L"CTWJob::SetImageFileName", L"Exists");
            return FALSE;
        }
        reserved = true;
    }
    TakeImageFileName(image, reserved);
    TW_TRACE_RESULT(L"CTWJob::SetImageFileName", TRUE);
    return TRUE;
}

BOOL CTWJob::NameTooLong(const std::wstring& image, const std::wstring& previous) {
    TW_TRACE(L"%s", naming::kLogNameTooLong);
    WriteStatusIni(naming::kStatusPrintStatus, FormatW(naming::kMsgNameTooLong, image.c_str()));
    m_dwNamingError = ERROR_FILENAME_EXCED_RANGE;
    m_szImageFileName = previous;
    TW_TRACE_FAILED(L"CTWJob::SetImageFileName", L"Length");
    return FALSE;
}

bool CTWJob::HoldsNameReservation(const std::wstring& fileName) const {
    return !fileName.empty() && EqualsNoCase(m_nameReservation.Name(), fileName);
}

DWORD CTWJob::ReserveImageName(const std::wstring& image) { return m_nameReservation.Reserve(image, m_writtenFiles); }

// A numbered name is taken by creating it: between finding a free number and writing the page,
// another job could otherwise find the same one. `reserved` tells whether the last name tried
// is now this job's.
std::function<bool(const std::wstring&)> CTWJob::ReservingTest(bool& reserved) {
    return [this, &reserved](const std::wstring& candidate) {
        if (candidate.size() > naming::kMaxNameChars) return false;
        const DWORD error = ReserveImageName(candidate);
        reserved = error == 0;
        return IsNameTaken(error);
    };
}

// The chosen name becomes the image file name: an existing file is deleted for overwriting, the
// multi-page TIFF file is held open, and a kept file is checked for writing.
void CTWJob::TakeImageFileName(const std::wstring& image, bool reserved) {
    const bool firstOrSingle = IsFirstDocumentPage() || !IsMultipageOutput();
    m_szImageFileName = image;
    // The job's own reservation is the empty file it will write; deleting it would free the name.
    if (!reserved && ExistingFileMode(&m_sDevMode, m_dwJobID) == kExistingFileOverwrite && firstOrSingle)
        ::DeleteFileW(image.c_str());
    if (IsFirstDocumentPage()) m_szFirstImageFileName = image;
    if (IsMultipageTiffCode(m_settings.dwEffectiveFormat) && IsMultipageOutput() && !IsSilent()) {
        LockFile(image);
    } else if (!reserved && firstOrSingle && !IsSilent() && FileExists(image)) {
        // A file that is kept (appended to) or could not be deleted must take the new output:
        // the user hears now why it cannot, instead of an internal error from the writer.
        ValidateOutputFile(naming::kCannotWriteFile, image.c_str(), true);
    }
}

}  // namespace tw
