#pragma once
// Value names of the printer's settings and the defaults the monitor uses when a value is
// missing, grouped by the settings group (SettingsStore.h) they live in. The configuration
// programs write these names; they must match character for character.
#include <windows.h>

namespace tw::settings {

// ---- Buffers of the value kinds ----------------------------------------------------------
// Yes-flags and numbers stored as text are read into 16 bytes: seven characters and the
// terminator. Anything longer counts as missing.
inline constexpr DWORD kShortTextBytes = 16;
// Names, paths and the global string reads: 260 characters with the terminator.
inline constexpr DWORD kNameBytes = 520;
inline constexpr size_t kNameChars = kNameBytes / sizeof(wchar_t);
// The device-name fallback of the printer registry name.
inline constexpr size_t kDeviceNameChars = 32;
// The face name of a font, at most 64 bytes with its terminator (LOGFONTW::lfFaceName).
inline constexpr DWORD kFaceNameBytes = LF_FACESIZE * sizeof(wchar_t);
// The limit and default text ReadRegistryInt reads through ReadRegistryString with.
inline constexpr size_t kRegistryIntChars = 260;
inline constexpr wchar_t kRegistryIntDefault[] = L"Error";

// The texts the kinds compare against.
inline constexpr wchar_t kYes[] = L"yes";
inline constexpr wchar_t kNo[] = L"no";

// ---- Directly under the printer key ------------------------------------------------------
inline constexpr wchar_t kPrinterIdValue[] = L"Printer ID";
// The only value the global string writer writes (the Bates counter).
inline constexpr wchar_t kStartWith[] = L"Start with";

// ---- "%s\Page Settings" ------------------------------------------------------------------
inline constexpr wchar_t kForcePaperEnabled[] = L"Force Paper Enabled";
inline constexpr DWORD kForcePaperEnabledDefault = 0;
inline constexpr wchar_t kForcePaperSize[] = L"Force Paper Size";
inline constexpr DWORD kForcePaperSizeDefault = 1;
inline constexpr wchar_t kForcePaperWidth[] = L"Force Paper Width";  // tenths of a millimetre
inline constexpr DWORD kForcePaperWidthDefault = 2159;
inline constexpr wchar_t kForcePaperHeight[] = L"Force Paper Height";
inline constexpr DWORD kForcePaperHeightDefault = 2794;
inline constexpr wchar_t kForcePaperXDpi[] = L"Force Paper X DPI";
inline constexpr DWORD kForcePaperXDpiDefault = 300;
inline constexpr wchar_t kForcePaperYDpi[] = L"Force Paper Y DPI";
inline constexpr DWORD kForcePaperYDpiDefault = 300;
inline constexpr wchar_t kForcePaperWidthInPixels[] = L"Force Paper Width in Pixels";
inline constexpr DWORD kForcePaperWidthInPixelsDefault = 2550;
inline constexpr wchar_t kForcePaperHeightInPixels[] = L"Force Paper Height in Pixels";
inline constexpr DWORD kForcePaperHeightInPixelsDefault = 3300;
inline constexpr wchar_t kAntialiasing[] = L"Antialiasing";
inline constexpr DWORD kAntialiasingDefault = 4;
inline constexpr wchar_t kPageRotation[] = L"Rotation";  // number as text
inline constexpr int kPageRotationDefault = 0;
inline constexpr wchar_t kPrintSelectedPagesOnly[] = L"Print Selected Pages Only";
inline constexpr DWORD kPrintSelectedPagesOnlyDefault = 0;

// ---- "%s\Filename Generation Settings" (read from the default-user hive) -------------------
inline constexpr wchar_t kUseOutputDirectoryFromClient[] = L"Use Output Directory from Client";
inline constexpr DWORD kUseOutputDirectoryFromClientDefault = 0;

// ---- "%s\Messaging Interface Settings" and the per-job key "%s\<job id>" --------------------
inline constexpr wchar_t kMessagingInterfaceId[] = L"Messaging Interface ID";
inline constexpr DWORD kMessagingInterfaceIdDefault = 0;
inline constexpr wchar_t kUseWindowsSessionId[] = L"Use Windows Session ID";  // yes-flag
inline constexpr wchar_t kWindowsSessionId[] = L"Windows Session ID";
inline constexpr DWORD kWindowsSessionIdDefault = 0;
inline constexpr wchar_t kAbortJob[] = L"Abort Job";  // non-zero: abort at the next page
inline constexpr DWORD kAbortJobDefault = 0;
inline constexpr wchar_t kPostPrintId[] = L"PostPrintID";
inline constexpr DWORD kPostPrintIdDefault = 0;

// ---- "%s\Redirect Printing Settings" -----------------------------------------------------
inline constexpr wchar_t kEnableRedirectPrintingLog[] = L"Enable Redirect Printing Log";  // yes-flag
inline constexpr wchar_t kUseNumberOfCopies[] = L"Use number of copies";                  // yes-flag
inline constexpr wchar_t kPrintAsBitmap[] = L"Print as Bitmap";                           // yes-flag
inline constexpr wchar_t kContentBasedRedirection[] = L"Content Based Redirection";       // yes-flag
inline constexpr wchar_t kNumberOfCopies[] = L"Number of copies";
inline constexpr DWORD kNumberOfCopiesDefault = 1;
inline constexpr wchar_t kCollatePages[] = L"Collate pages";  // yes-flag, true when missing
inline constexpr bool kCollatePagesDefault = true;

// ---- "%s\Html Settings" ------------------------------------------------------------------
inline constexpr wchar_t kHtmlSeparatePages[] = L"Separate pages";  // number as text
inline constexpr int kHtmlSeparatePagesDefault = 0;

// ---- "%s\Post Print Settings" (yes-flags) ------------------------------------------------
inline constexpr wchar_t kOpenOutputFolder[] = L"Open output folder";
inline constexpr wchar_t kSendInEmail[] = L"Send in email";
inline constexpr wchar_t kViewInDefaultViewer[] = L"View in default viewer";
inline constexpr wchar_t kFtpUpload[] = L"FTP upload";
inline constexpr wchar_t kHttpUpload[] = L"HTTP upload";
inline constexpr wchar_t kDatabaseUpload[] = L"Database upload";
inline constexpr wchar_t kMFilesUpload[] = L"M-Files upload";

// ---- "%s\Post Print Settings\Email Settings" ---------------------------------------------
inline constexpr wchar_t kDisableAboutBoxLinks[] = L"Disable About Box Links";              // yes-flag
inline constexpr wchar_t kDisableEmailSettings[] = L"Disable Email Settings";               // yes-flag
inline constexpr wchar_t kContentBasedEmail[] = L"Content Based Email";                     // yes-flag
inline constexpr wchar_t kSimpleContentBasedEmail[] = L"Simple Content Based Email";        // yes-flag
inline constexpr wchar_t kMultipageContentBasedEmail[] = L"Multipage Content Based Email";  // yes-flag
inline constexpr wchar_t kMailvaneData[] = L"Mailvane Data";                                // text

// ---- "%s\Post Print Settings\SharePoint Settings" ----------------------------------------
inline constexpr wchar_t kSharePointUpload[] = L"SharePoint Upload";  // yes-flag

// ---- "%s\Post Print Settings\FTP Settings" and its connections "...\FTP Settings\<n>" -------
inline constexpr wchar_t kFtpSelectedConnection[] = L"FTP Selected Connection";  // number as text
inline constexpr int kFtpSelectedConnectionDefault = 0;
// Numbers as text, default 0.
inline constexpr wchar_t kFtpSecurityMode[] = L"Security Mode";
inline constexpr wchar_t kFtpPort[] = L"Port";
inline constexpr wchar_t kFtpProxyPort[] = L"Proxy Port";
inline constexpr wchar_t kFtpProxyType[] = L"Proxy Type";
inline constexpr wchar_t kFtpProxyAuthentication[] = L"Proxy Authentication";
inline constexpr wchar_t kFtpTrustedCertificate[] = L"Trusted Certificate";
inline constexpr wchar_t kFtpTransferMethod[] = L"Transfer Method";
inline constexpr wchar_t kFtpActionOnExistingFiles[] = L"Action on Existing Files";
inline constexpr int kFtpNumberDefault = 0;
// Scrambled texts, read into kNameBytes.
inline constexpr wchar_t kFtpPassword[] = L"Password";
inline constexpr wchar_t kFtpProxyUserPassword[] = L"Proxy User Password";
// Yes-flags.
inline constexpr wchar_t kFtpIsPassive[] = L"Is Passive";
inline constexpr wchar_t kFtpLogging[] = L"Logging";
inline constexpr wchar_t kFtpShowSuccess[] = L"Show Success";
inline constexpr wchar_t kFtpShowError[] = L"Show Error";

// ---- "%s\OCR" ----------------------------------------------------------------------------
// Numbers as text, default 0.
inline constexpr wchar_t kOcrEnabled[] = L"Enabled";
inline constexpr wchar_t kOcrSelectArea[] = L"Select Area";
inline constexpr wchar_t kOcrClosingFilter[] = L"Closing Filter";
inline constexpr wchar_t kOcrOpenOutput[] = L"Open Output";
inline constexpr wchar_t kOcrFirstPageOnly[] = L"First Page Only";
inline constexpr wchar_t kOcrGenerateInMemory[] = L"Generate In Memory";
inline constexpr int kOcrNumberDefault = 0;
// DWORDs.
inline constexpr wchar_t kOcrAreaUnit[] = L"Area Unit";
inline constexpr DWORD kOcrAreaUnitDefault = 1;
inline constexpr wchar_t kOcrFormat[] = L"OCR Format";
inline constexpr wchar_t kOcrAreaTop[] = L"Area Top";
inline constexpr wchar_t kOcrAreaLeft[] = L"Area Left";
inline constexpr wchar_t kOcrAreaWidth[] = L"Area Width";
inline constexpr wchar_t kOcrAreaHeight[] = L"Area Height";
inline constexpr DWORD kOcrDwordDefault = 0;
// Texts: the OCR library's full path and the languages it reads (its own list format).
inline constexpr wchar_t kOcrLibraryPath[] = L"TwOCRx.Dll";
inline constexpr wchar_t kOcrLanguages[] = L"Languages";

// ---- "%s\Header Settings", "%s\Footer Settings" ------------------------------------------
// Numbers as text, default 0.
inline constexpr wchar_t kHeaderEnable[] = L"Header Enable";
inline constexpr wchar_t kHeaderPosition[] = L"Header Position";
inline constexpr wchar_t kHeaderBackgroundMode[] = L"Header Background Mode";
inline constexpr wchar_t kHeaderFirstPageOnly[] = L"Header First Page Only";
inline constexpr wchar_t kFooterEnable[] = L"Footer Enable";
inline constexpr wchar_t kFooterPosition[] = L"Footer Position";
inline constexpr wchar_t kFooterBackgroundMode[] = L"Footer Background Mode";
inline constexpr wchar_t kFooterFirstPageOnly[] = L"Footer First Page Only";
inline constexpr int kHeaderFooterNumberDefault = 0;
// DWORDs, default 0 except the offset units.
inline constexpr wchar_t kHeaderColor[] = L"Header Color";
inline constexpr wchar_t kHeaderOffsetX[] = L"Header Offset X";
inline constexpr wchar_t kHeaderOffsetY[] = L"Header Offset Y";
inline constexpr wchar_t kHeaderOffsetUnits[] = L"Header Offset Units";
inline constexpr wchar_t kFooterColor[] = L"Footer Color";
inline constexpr wchar_t kFooterOffsetX[] = L"Footer Offset X";
inline constexpr wchar_t kFooterOffsetY[] = L"Footer Offset Y";
inline constexpr wchar_t kFooterOffsetUnits[] = L"Footer Offset Units";
inline constexpr DWORD kHeaderFooterDwordDefault = 0;
inline constexpr DWORD kOffsetUnitsDefault = 2;
// Texts, at most 128 characters.
inline constexpr wchar_t kHeaderText[] = L"Header Text";
inline constexpr wchar_t kFooterText[] = L"Footer Text";
inline constexpr size_t kAnnotationSettingChars = 128;

// The font values of the annotation groups: a prefix ("Header ", "Footer " or none for the
// text stamp group) followed by these names.
inline constexpr wchar_t kHeaderPrefix[] = L"Header ";
inline constexpr wchar_t kFooterPrefix[] = L"Footer ";
inline constexpr wchar_t kStampPrefix[] = L"";
inline constexpr wchar_t kFontHeight[] = L"Font Height";
inline constexpr wchar_t kFontWidth[] = L"Font Width";
inline constexpr wchar_t kFontEscapement[] = L"Font Escapement";
inline constexpr wchar_t kFontOrientation[] = L"Font Orientation";
inline constexpr wchar_t kFontWeight[] = L"Font Weight";
// DWORDs of which the low byte is used.
inline constexpr wchar_t kFontItalic[] = L"Font Italic";
inline constexpr wchar_t kFontUnderline[] = L"Font Underline";
inline constexpr wchar_t kFontStrikeout[] = L"Font Strikeout";
inline constexpr wchar_t kFontCharset[] = L"Font Charset";
inline constexpr wchar_t kFontOutPrecision[] = L"Font Outprecisions";
inline constexpr wchar_t kFontClipPrecision[] = L"Font Clipprecisions";
inline constexpr wchar_t kFontQuality[] = L"Font Quality";
inline constexpr wchar_t kFontPitchAndFamily[] = L"Font PinchAndFamily";
inline constexpr wchar_t kFontFaceName[] = L"Font Facename";  // text, kFaceNameBytes

// ---- "%s\Text Watermark Stamp Settings" --------------------------------------------------
// Numbers as text.
inline constexpr wchar_t kTextWatermarkEnable[] = L"Text Watermark Enable";
inline constexpr wchar_t kTextStampEnable[] = L"Text Stamp Enable";
inline constexpr wchar_t kStampBackgroundMode[] = L"Background Mode";
inline constexpr wchar_t kStampFirstPageOnly[] = L"First Page Only";
inline constexpr int kStampNumberDefault = 0;
inline constexpr wchar_t kStampPosition[] = L"Position";
inline constexpr int kStampPositionDefault = 2;
// DWORDs.
inline constexpr wchar_t kStampColor[] = L"Color";
inline constexpr wchar_t kStampOffsetX[] = L"Offset X";
inline constexpr wchar_t kStampOffsetY[] = L"Offset Y";
inline constexpr wchar_t kStampRotation[] = L"Rotation";
inline constexpr DWORD kStampDwordDefault = 0;
inline constexpr wchar_t kStampOffsetUnits[] = L"Offset Units";  // kOffsetUnitsDefault
inline constexpr wchar_t kStampText[] = L"Text";  // kAnnotationSettingChars
inline constexpr wchar_t kVisibility[] = L"Visibility";         // ReadVisibility
inline constexpr int kVisibilityMin = 0;
inline constexpr int kVisibilityMax = 100;
inline constexpr int kVisibilityDefault = 100;

// ---- "%s\Text Output Settings" -----------------------------------------------------------
inline constexpr wchar_t kLineBreaks[] = L"Line Breaks";
inline constexpr DWORD kLineBreaksDefault = 1;
inline constexpr wchar_t kGlyphConversionMethod[] = L"Glyph Conversion Method";
inline constexpr DWORD kGlyphConversionMethodDefault = 0;
inline constexpr wchar_t kTextActionOnExistingFiles[] = L"Action on Existing Files";
inline constexpr DWORD kTextActionOnExistingFilesDefault = 0;
inline constexpr wchar_t kAddSpace[] = L"Add Space";
inline constexpr DWORD kAddSpaceDefault = 2;
// Yes-flags.
inline constexpr wchar_t kTextGenerateInMemory[] = L"Generate In Memory";
inline constexpr wchar_t kUseLegacyCoordinates[] = L"Use Legacy Coordinates";
inline constexpr wchar_t kFilterJunkCharacters[] = L"Filter Junk Characters";
inline constexpr wchar_t kSeparateTextOutputDirectory[] = L"Separate Text Output Directory";
inline constexpr wchar_t kNoPageHeaders[] = L"No Page Headers";  // ReadNoPageHeaders
// DWORDs.
inline constexpr wchar_t kMarginUnits[] = L"Margin Units";
inline constexpr wchar_t kMarginTop[] = L"Margin Top";
inline constexpr wchar_t kMarginLeft[] = L"Margin Left";
inline constexpr wchar_t kMarginBottom[] = L"Margin Bottom";
inline constexpr wchar_t kMarginRight[] = L"Margin Right";
inline constexpr DWORD kMarginDefault = 0;
inline constexpr wchar_t kCharacterRows[] = L"Character Rows";
inline constexpr DWORD kCharacterRowsDefault = 62;
inline constexpr wchar_t kCharacterColumns[] = L"Character Columns";
inline constexpr DWORD kCharacterColumnsDefault = 80;

// ---- "%s\Troubleshooting Settings" -------------------------------------------------------
inline constexpr wchar_t kDebugLoggingEnable[] = L"Debug Logging Enable";  // number as text
inline constexpr int kDebugLoggingEnableDefault = 0;
inline constexpr wchar_t kDebugLoggingDirectory[] = L"Debug Logging Directory";  // text, kNameBytes
inline constexpr wchar_t kReadEmfData[] = L"Read EMF Data";  // emptied at every end of a document

// ---- "%s\Cover Page Settings" (numbers as text, default 0) -------------------------------
inline constexpr wchar_t kEnableCoverPage[] = L"Enable Cover Page";
inline constexpr wchar_t kEnableDefaultCoverPage[] = L"Enable Default Cover Page";
inline constexpr wchar_t kStartBeforePrinting[] = L"Start Before Printing";
inline constexpr int kCoverPageNumberDefault = 0;

// ---- "%s\Watermark": the first-page image, once per orientation ------------------------------
inline constexpr wchar_t kFirstImagePortrait[] = L"First Image Portrait";    // text, kNameBytes
inline constexpr wchar_t kFirstImageLandscape[] = L"First Image Landscape";  // text, kNameBytes
inline constexpr wchar_t kFirstImagePortraitBrightness[] = L"First Image Portrait Brightness";
inline constexpr wchar_t kFirstImageLandscapeBrightness[] = L"First Image Landscape Brightness";
inline constexpr DWORD kFirstImageBrightnessMax = 100;  // above counts as missing
inline constexpr DWORD kFirstImageBrightnessDefault = 40;
inline constexpr wchar_t kFirstImagePortraitPosition[] = L"First Image Portrait Position";
inline constexpr wchar_t kFirstImageLandscapePosition[] = L"First Image Landscape Position";
// One placement bit: 1, 2, 4, 8, 16, 32, 64 or 128; anything else counts as missing.
inline constexpr DWORD kFirstImagePositionMask = 0xFF;
inline constexpr DWORD kFirstImagePositionDefault = 4;

// ---- "%s\BatesNumbering\<format index + 1>": texts; numbers as decimal text -----------------
inline constexpr wchar_t kBatesFormatKey[] = L"%s\\BatesNumbering\\%d";
inline constexpr wchar_t kBatesName[] = L"Name";
inline constexpr wchar_t kBatesUsePrefix[] = L"Use prefix";
inline constexpr wchar_t kBatesPrefix[] = L"Prefix";
inline constexpr wchar_t kBatesTransparent[] = L"Transparent";
inline constexpr wchar_t kBatesPosition[] = L"Position";
inline constexpr wchar_t kBatesXOffset[] = L"X Offset";
inline constexpr wchar_t kBatesYOffset[] = L"Y Offset";
inline constexpr wchar_t kBatesOffsetUnit[] = L"Offset unit";
inline constexpr wchar_t kBatesRotation[] = L"Rotation";
inline constexpr wchar_t kBatesColor[] = L"Color";
inline constexpr wchar_t kBatesNumberLength[] = L"Bates Number Length";
inline constexpr wchar_t kBatesPaddingCharacter[] = L"Bates Padding Character";
inline constexpr wchar_t kBatesResetAtEveryPrinting[] = L"Reset bates number at every printing";
inline constexpr wchar_t kBatesResetNumber[] = L"Reset bates number";
inline constexpr wchar_t kBatesIncreaseOnEachDocument[] = L"Increase on each document";
// A text the format lacks reads as this, and makes the format invalid.
inline constexpr wchar_t kBatesMissingText[] = L"ERROR";

// ---- "%s\Start Application" --------------------------------------------------------------
inline constexpr wchar_t kCustomParameter[] = L"Custom Parameter";  // text

// ---- Lines of the message capture log (level debug) from the global accessors --------------
inline constexpr wchar_t kLogReadOpenFailed[] = L"ReadRegistryString: Error in RegOpenKeyEx";
inline constexpr wchar_t kLogReadQueryFailed[] = L"ReadRegistryString: Error in RegQueryValueEx";
inline constexpr wchar_t kLogReadTooLong[] = L"ReadRegistryString: returns: FALSE %d, %d";  // length, limit
inline constexpr wchar_t kLogReadIntDefault[] = L"ReadRegistryInt: return default: %d";
inline constexpr wchar_t kLogWriteCreateFailed[] = L"WriteRegistryString: Error in RegCreateKey";

// ---- The low-integrity browser's redirected hive: SID text, then the normal root -------------
inline constexpr wchar_t kBrowserRedirectRootFormat[] =
    L"Software\\Microsoft\\Internet Explorer\\InternetRegistry\\REGISTRY\\USER\\%s\\%s";


// ---- Read by the job when it adopts a DEVMODE ------------------------------------------------
inline constexpr wchar_t kRemoveTextFromDocumentName[] = L"Remove Text from Document Name";  // Filename Generation
inline constexpr wchar_t kMergeUtility[] = L"Merge Utility";                                 // Filename Generation
inline constexpr wchar_t kSelectedPages[] = L"Selected Pages";                               // Page Settings
inline constexpr wchar_t kMessagingInterfaceName[] = L"Messaging Interface Name";  // per job, Messaging Interface
inline constexpr wchar_t kMessagingSessionId[] = L"Messaging Session ID";
// Left by the driver directly under the printer key for the monitor, with the job id.
inline constexpr wchar_t kJobDataTypeFormat[] = L"Job %lu Data Type";

}  // namespace tw::settings
