// The names that follow the image file name (group file, text, mail merge and OCR outputs),
// and naming from a template.
#include <string>

#include "annotate/PageAnnotator.h"
#include "base/IniFile.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "job/JobOptions.h"
#include "job/PrinterIniNames.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "notify/PathExpansion.h"
#include "portcmd/DevModeLayout.h"
#include "twfile/FileNameRules.h"
#include "twfile/GroupFile.h"
#include "twfile/NameSources.h"
#include "twfile/NameTemplate.h"
#include "twfile/NamingTexts.h"

namespace tw {
namespace {

constexpr DWORD kTextActionDelete = 1;
constexpr DWORD kTextActionNumber = 2;

}  // namespace

bool CTWJob::UnicodeGroupFileWanted() const {
    const bool configured = !m_szPrinterIniFile.empty() &&
                            IniFile(m_szPrinterIniFile).GetInt(printerini::kDefaultSettings, naming::kUnicodeGroupFile, 0) == 1;
    return configured || IsHttpUpload(&m_sDevMode, m_dwJobID, m_merge) || IsDatabaseUpload(&m_sDevMode, m_dwJobID, m_merge) ||
           IsMFilesUpload(&m_sDevMode, m_dwJobID, m_merge);
}

BOOL CTWJob::FormCompanionNames() {
    if (!FormGroupFileName()) return FALSE;
    FormTextNames();
    FormOcrNames();
    return TRUE;
}

// On the document's first page: the image name with "grp", created (UTF-16 when wanted) and
// tested for writing.
BOOL CTWJob::FormGroupFileName() {
    if (!IsFirstDocumentPage()) return TRUE;
    TW_TRACE(L"> CTWJob::FormGroupFileName");
    const std::wstring group =
        ReplaceExtension(m_szImageFileName, m_bUppercaseExtensions ? naming::kGroupExtUpper : naming::kGroupExt);
    const bool disabled = m_sDevMode.HasFlag(dmflag::IsGroupFileDisabled);
    const bool existed = FileExists(group);
    if (!existed && UnicodeGroupFileWanted() && !CreateUnicodeGroupFile(group))
        TW_TRACE(L"%s", naming::kLogUnicodeGroupFile);
    UniqueFile test(::CreateFileW(group.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = test ? 0 : ::GetLastError();
    test.reset();
    if (disabled) {
        // Only what this test made goes again; a file of that name from elsewhere stays.
        if (!existed) ::DeleteFileW(group.c_str());
    } else if (error) {
        m_dwNamingError = error;
        ValidateOutputFile(naming::kCannotWriteGroupFile, group.c_str(), false);
        TW_TRACE_FAILED(L"CTWJob::FormGroupFileName", L"Test");
        return FALSE;
    }
    SetGroupFile(0, group, true);
    TW_TRACE_RESULT(L"CTWJob::FormGroupFileName", TRUE);
    return TRUE;
}

// A text or mail merge name: the image name with `extension`, deleted or numbered by the text
// output's "Action on Existing Files". The image name already carries the page number.
std::wstring CTWJob::CompanionName(const std::wstring& imageName, const wchar_t* extension, DWORD action) const {
    std::wstring name = ReplaceExtension(imageName, extension);
    if (action == kTextActionDelete && (IsFirstDocumentPage() || !IsMultipageOutput())) ::DeleteFileW(name.c_str());
    if (action == kTextActionNumber) {
        NumberingRequest numbering;
        numbering.collisionNumbering = true;
        name = ApplyNumbering(name, numbering, FileExists);
    }
    return name;
}

void CTWJob::FormTextNames() {
    m_szTextFileName.clear();
    m_szMailMergeFileName.clear();
    if (!m_sDevMode.HasFlag(dmflag::IsWriteTextEnabled)) return;
    std::wstring base = m_szImageFileName;
    if (settings::ReadYesFlag(&m_sDevMode, settings::kTextOutputSettings, settings::kSeparateTextOutputDirectory)) {
        auto configured = settings::ReadString(&m_sDevMode, settings::kTextOutputSettings, naming::kTextOutputDirectory);
        std::wstring expanded;
        if (configured && !configured->empty() && ExpandPath(m_environment, &m_sDevMode, *configured, expanded) &&
            DirectoryExists(expanded)) {
            std::wstring directory, file;
            SplitDirectory(m_szImageFileName, directory, file);
            base = WithTrailingBackslash(expanded) + file;
        }
    }
    const DWORD action = settings::ReadDwordOr(&m_sDevMode, settings::kTextOutputSettings,
                                               settings::kTextActionOnExistingFiles,
                                               settings::kTextActionOnExistingFilesDefault);
    m_szTextFileName = CompanionName(base, m_bUppercaseExtensions ? naming::kTextExtUpper : naming::kTextExt, action);
    if (m_sDevMode.HasFlag(dmflag::IsMailMergeEnabled))
        m_szMailMergeFileName =
            CompanionName(base, m_bUppercaseExtensions ? naming::kMailMergeExtUpper : naming::kMailMergeExt, action);
    if (IsFirstDocumentPage()) m_szFirstTextFileName = m_szTextFileName;
}

void CTWJob::FormOcrNames() {
    m_szOCRTextFileName.clear();
    m_szOCRImageFileName.clear();
    if (!IsOcrEnabled(&m_sDevMode, m_dwJobID, m_merge)) return;
    std::wstring directory, file;
    SplitDirectory(m_szImageFileName, directory, file);
    auto configured = settings::ReadString(&m_sDevMode, settings::kOcrSettings, naming::kOcrOutputDirectory);
    if (configured && !configured->empty()) directory = WithTrailingBackslash(*configured);
    const bool text = m_sDevMode.HasFlag(dmflag::IsWriteTextEnabled);
    const wchar_t* extension = text ? (m_bUppercaseExtensions ? naming::kOcrTextExtUpper : naming::kOcrTextExt)
                                    : (m_bUppercaseExtensions ? naming::kTextExtUpper : naming::kTextExt);
    m_szOCRImageFileName = directory + file;
    m_szOCRTextFileName = ReplaceExtension(m_szOCRImageFileName, extension);
}

std::wstring CTWJob::BatesNameText() {
    // The number the page itself carries: taken from the shared counter once per page.
    return Annotator().BatesNameText(m_sDevMode);
}

BOOL CTWJob::BuildCustomFileNames() {
    TW_TRACE(L"> CTWJob::BuildCustomFileNames");
    std::wstring directory;
    if (m_sDevMode.Read<BYTE>(dmoff::ExtraFlags) & dmextra::OutputDirectoryFromIni)
        directory = NameSourceIniDirectory(NameSource(), m_szPrinterName);
    if (directory.empty()) directory = m_sDevMode.GetText(dmtext::OutputDirectory);
    directory = WithTrailingBackslash(ExpandedOutputDirectory(directory));
    if (!ValidateOutputDirectory(naming::kCannotAccessDirectory, directory, !IsSilent())) {
        TW_TRACE(L"%s", naming::kLogTemplateDirectory);
        return FALSE;
    }
    if (MainGroupFile().empty()) SetGroupFile(0, FormatW(naming::kTemplateGroupFileFormat, directory.c_str()), true);

    NameTemplate tpl;
    if (ParseNameTemplate(m_sDevMode.GetText(dmtext::ImageFileName), tpl) != tplcode::kOk)
        ParseNameTemplate(kDefaultNameTemplate, tpl);
    const DWORD action = ExistingFileMode(&m_sDevMode, m_dwJobID);
    std::wstring name;
    bool reserved = false;
    const bool reserve = (IsFirstDocumentPage() || !IsMultipageOutput()) && !IsSilent();
    const int code = GenerateFileNameTW(tpl, name, naming::kMaxNameChars + 1, m_szDocumentName,
                                        m_sDevMode.GetText(dmtext::FileExtension), m_environment.userName,
                                        SheetNumber(), m_dwDocNumber, directory, action, BatesNameText(),
                                        reserve ? ReservingTest(reserved) : nullptr);
    if (code != tplcode::kOk) {
        HandleError(code, __FILE__, __LINE__);
        TW_TRACE(naming::kLogTemplateError, code);
        return FALSE;
    }
    TakeImageFileName(directory + name, reserved && EqualsNoCase(m_nameReservation.Name(), directory + name));
    FormTextNames();
    FormOcrNames();
    // The group file is a report: a template name goes on without it.
    if (IsFirstDocumentPage()) FormGroupFileName();
    TW_TRACE_RESULT(L"CTWJob::BuildCustomFileNames", TRUE);
    return TRUE;
}

}  // namespace tw
