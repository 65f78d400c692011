#pragma once
// Every fixed text of output naming, the output checks, the group files and the status INI
// file: messages the user sees, log lines, INI sections and keys, and name formats.
#include <windows.h>

namespace tw::naming {

// ---- Limits -------------------------------------------------------------------------------
// Names are kept in buffers of 260 characters: 259 and the terminator.
inline constexpr size_t kMaxNameChars = 259;
inline constexpr size_t kCleanedNameChars = 1024;
inline constexpr size_t kMaxPrefixChars = 8;
inline constexpr size_t kMaxExtensionChars = 4;
// An extension after the last dot shorter than this is cut off a document name.
inline constexpr size_t kDocumentExtensionLimit = 5;
inline constexpr int kNameAttempts = 25;
inline constexpr wchar_t kDefaultPrefix[] = L"AAA";
// A registry name source is read into 1024 bytes: 511 characters and the terminator.
inline constexpr DWORD kNameSourceBytes = 1024;
inline constexpr wchar_t kDefaultNameSource[] = L"TARNWELL.INI";
inline constexpr wchar_t kHklmPrefix[] = L"HKEY_LOCAL_MACHINE\\";
inline constexpr wchar_t kHkcuPrefix[] = L"HKEY_CURRENT_USER\\";

// ---- Name-source values (registry key or INI section = printer name) -----------------------
inline constexpr wchar_t kOutputDirectory[] = L"Output Directory";
inline constexpr wchar_t kOutputDirectoryNoSpace[] = L"OutputDirectory";
inline constexpr wchar_t kFileNamePrefix[] = L"File Name Prefix";
inline constexpr wchar_t kFileNameExtension[] = L"File Name extension";
inline constexpr wchar_t kFileName[] = L"File Name";
inline constexpr wchar_t kDefaultSettingsSection[] = L"Default Settings";

// ---- Save-As answers that name the output ---------------------------------------------------
inline constexpr wchar_t kSaveAsOutputPath[] = L"Output Path";
inline constexpr wchar_t kSaveAsFilename[] = L"Filename";
inline constexpr wchar_t kSaveAsCancel[] = L"Cancel was pressed";

// ---- Formats of numbered names ------------------------------------------------------------
inline constexpr wchar_t kPageNumberFormat[] = L"%s%06lu.%s";            // base, sheet, extension
inline constexpr wchar_t kCollisionFormat[] = L"%s (%lu).%s";            // base, counter, extension
inline constexpr wchar_t kPageCollisionFormat[] = L"%s%06lu (%lu).%s";   // base, sheet, counter, ext
inline constexpr wchar_t kProbeFormat[] = L"%s~TW%lu.tmp";               // directory, thread id
inline constexpr wchar_t kProbeNumberedFormat[] = L"%s~TW%lu_%lu.tmp";   // directory, thread id, n
inline constexpr wchar_t kTemplateGroupFileFormat[] = L"%sGroupFile.grp";

// Companion extensions, lower and upper case.
inline constexpr wchar_t kGroupExt[] = L"grp";
inline constexpr wchar_t kGroupExtUpper[] = L"GRP";
inline constexpr wchar_t kTextExt[] = L"txt";
inline constexpr wchar_t kTextExtUpper[] = L"TXT";
inline constexpr wchar_t kMailMergeExt[] = L"mrg";
inline constexpr wchar_t kMailMergeExtUpper[] = L"MRG";
inline constexpr wchar_t kOcrTextExt[] = L"ocr.txt";
inline constexpr wchar_t kOcrTextExtUpper[] = L"OCR.TXT";

// ---- Messages of the output checks (numbered 25) and of the names -------------------------
inline constexpr wchar_t kCannotAccessDirectory[] = L"Cannot access output directory: ";
inline constexpr wchar_t kCannotWriteGroupFile[] = L"Cannot write GRP file: ";
inline constexpr wchar_t kCannotWriteFile[] = L"Cannot write file: ";
inline constexpr wchar_t kMsgNoDirectory[] = L"25: %s. Directory name not specified.";
inline constexpr wchar_t kMsgDirectoryNotFound[] = L"25: %s\"%s\". Directory not found.";
inline constexpr wchar_t kMsgNoFileName[] = L"25: %s Filename not specified.";
inline constexpr wchar_t kMsgProbeNotFound[] = L"25: %s\"%s\". Directory not found. Windows Error Code: %lu";
inline constexpr wchar_t kMsgProbeDenied[] = L"25: %s\"%s\". Access Denied to Directory. Windows Error Code: %lu";
inline constexpr wchar_t kMsgProbeOther[] = L"25: %s\"%s\". Windows Error Code: %lu";
inline constexpr wchar_t kMsgFileNotWritable[] =
    L"25: %s\"%s\". File already exists but cannot be opened for writing. Windows error code: %lu";
// A write that the file system refused (a full disk): the system's own text, then the code.
inline constexpr wchar_t kMsgWriteFailed[] = L"25: %s\"%s\". %s Windows Error Code: %lu";
inline constexpr wchar_t kMsgCreateNoCode[] = L"25: Could not create file. Please check the access rights of the directory: \"%s\"";
inline constexpr wchar_t kMsgCreateNotFound[] = L"25: Could not create file. Directory not found: \"%s\". Windows Error Code: %lu";
inline constexpr wchar_t kMsgCreateDenied[] =
    L"25: Could not create file. Please check the access rights of the directory: \"%s\". Windows Error Code: %lu";
inline constexpr wchar_t kMsgCreateOther[] = L"25: Could not create file. Cannot access directory: \"%s\". Windows Error Code: %lu";
inline constexpr wchar_t kMsgInvalidCharacter[] =
    L"253: Invalid character in the file name. The following characters are not allowed: <>:*?\\\"|/ File name: %s";
// A name taken from the document that would leave the output directory or name a device.
inline constexpr wchar_t kMsgUnsafeDocumentName[] =
    L"253: The file name taken from the document may not contain a path, a drive or a device name. File name: %s";
inline constexpr wchar_t kMsgNameTooLong[] = L"Filename is longer than 260 characters: %s";

// ---- Log lines ----------------------------------------------------------------------------
inline constexpr wchar_t kLogSaveAsFolder[] = L"GenerateFilenames: Save As option is enabled but error reading the output folder.";
inline constexpr wchar_t kLogSaveAsFilename[] = L"GenerateFilenames: Save As option is enabled but error reading the filename.";
inline constexpr wchar_t kLogNameTooLong[] = L"SetImageFileName: Filename is too long! Aborting.";
inline constexpr wchar_t kLogUnicodeGroupFile[] = L"Error creating UNICODE group file.";
inline constexpr wchar_t kLogTemplateDirectory[] = L"BuildCustomFileNames: ValidateOutputDirectory returns FALSE";
inline constexpr wchar_t kLogTemplateError[] = L"BuildCustomFileNames: Error in GenerateFileNameTW. Error: %d";
inline constexpr wchar_t kLogGroupDisabled[] = L"Group file is disabled";
inline constexpr wchar_t kLogGroupEnabled[] = L"Group file is enabled: %s";

// ---- Printer INI file ---------------------------------------------------------------------
inline constexpr wchar_t kUnicodeGroupFile[] = L"UNICODE Group File";
inline constexpr wchar_t kStatusIniSection[] = L"TwGroup.ini";
inline constexpr wchar_t kStatusIniKey[] = L"INI File";
inline constexpr wchar_t kStatusIniDefault[] = L"tw_group.ini";

// ---- Settings store ("%s\Text Output Settings", "%s\OCR") --------------------------------
inline constexpr wchar_t kTextOutputDirectory[] = L"Text Output Directory";
inline constexpr wchar_t kOcrOutputDirectory[] = L"Output Directory";

// ---- Status INI file, printer section -----------------------------------------------------
inline constexpr wchar_t kStatusGroupFile[] = L"Group File";
inline constexpr wchar_t kStatusLastOutputFile[] = L"Last Output File";
inline constexpr wchar_t kStatusPrintStatus[] = L"Print status";

// ---- Group file ---------------------------------------------------------------------------
inline constexpr wchar_t kGroupImageFormat[] = L"Image Format";
inline constexpr wchar_t kGroupAppendImage[] = L"Append Image Enabled";
inline constexpr wchar_t kGroupBitsPerPixel[] = L"Bits Per Pixel";
inline constexpr wchar_t kGroupDocumentName[] = L"Document name";
inline constexpr wchar_t kGroupCopies[] = L"Number of Copies";
inline constexpr wchar_t kGroupTotalPages[] = L"Total number of pages";
inline constexpr wchar_t kGroupMessageCaptureWarning[] = L"Message Capture Warning";
inline constexpr wchar_t kGroupPageSection[] = L"Page %lu";
inline constexpr wchar_t kGroupFileName[] = L"FileName";
inline constexpr wchar_t kGroupTextFileName[] = L"TextFileName";
inline constexpr wchar_t kGroupOcrTextFileName[] = L"OCRTextFileName";
inline constexpr wchar_t kGroupMailMergeFileName[] = L"MailMergeFileName";
inline constexpr wchar_t kGroupOrientation[] = L"Orientation";
inline constexpr wchar_t kGroupPageWidth[] = L"Page width in pixels";
inline constexpr wchar_t kGroupPageHeight[] = L"Page height in pixels";
inline constexpr wchar_t kGroupXDpi[] = L"X DPI";
inline constexpr wchar_t kGroupYDpi[] = L"Y DPI";
inline constexpr wchar_t kGroupBarcodeError[] = L"Barcode Error";
inline constexpr wchar_t kGroupOcrError[] = L"OCR Error";
inline constexpr wchar_t kYes[] = L"Yes";
inline constexpr wchar_t kNo[] = L"No";
inline constexpr wchar_t kPortrait[] = L"Portrait";
inline constexpr wchar_t kLandscape[] = L"Landscape";

// Fax pages: fixed width and horizontal resolution, two line densities.
inline constexpr int kFaxPageWidth = 1728;
inline constexpr int kFaxXDpi = 204;
inline constexpr int kFaxFineLines = 196;
inline constexpr int kFaxNormalLines = 98;
// Page size without a record.
inline constexpr int kDefaultPageWidth = 1728;
inline constexpr int kDefaultPageHeight = 2200;

}  // namespace tw::naming
