#pragma once
// The byte layout of the driver's private DEVMODE: the public DEVMODEW (220 bytes) followed by
// the driver's own settings (6659 bytes). Every offset, bit and capacity of the record is named
// here and nowhere else. Offsets count bytes from the start of the record; numbers are
// little-endian and strings UTF-16, terminated within their field. Many fields sit at odd or
// unaligned offsets, so the record is only ever read and written byte-wise (TarnwellDEVMODE).
#include <windows.h>

#include <cstddef>

namespace tw {

inline constexpr size_t kDevModeSize = 6879;
inline constexpr WORD kDevModePublicSize = 220;    // dmSize
inline constexpr WORD kDevModeDriverExtra = 6659;  // dmDriverExtra
inline constexpr WORD kDevModeVersion = 1651;      // "devmode.h version", written to dmDriverVersion
inline constexpr WORD kDevModeSpecVersion = 0x401;  // DM_SPECVERSION of the public part

static_assert(kDevModePublicSize + kDevModeDriverExtra == kDevModeSize);

// Byte offsets of the fields.
namespace dmoff {
// Public part (DEVMODEW).
inline constexpr size_t dmDeviceName = 0;
inline constexpr size_t dmSpecVersion = 64;
inline constexpr size_t dmDriverVersion = 66;
inline constexpr size_t dmSize = 68;
inline constexpr size_t dmDriverExtra = 70;
inline constexpr size_t dmFields = 72;
inline constexpr size_t dmOrientation = 76;
inline constexpr size_t dmPaperSize = 78;
inline constexpr size_t dmPaperLength = 80;
inline constexpr size_t dmPaperWidth = 82;
inline constexpr size_t dmScale = 84;
inline constexpr size_t dmCopies = 86;
inline constexpr size_t dmPrintQuality = 90;
inline constexpr size_t dmColor = 92;
inline constexpr size_t dmDuplex = 94;
inline constexpr size_t dmYResolution = 96;
inline constexpr size_t dmCollate = 100;
inline constexpr size_t dmFormName = 102;
inline constexpr size_t dmBitsPerPel = 168;

// Private part.
inline constexpr size_t Flags = 220;
inline constexpr size_t FileFormat = 224;
inline constexpr size_t ColorModeFormat = 228;
inline constexpr size_t FaxHeader = 232;
inline constexpr size_t LossRatio = 236;
inline constexpr size_t Dithering = 240;
inline constexpr size_t Brightness = 244;
inline constexpr size_t PageWidthInPixels = 248;
inline constexpr size_t PageHeightInPixels = 252;
inline constexpr size_t ApplicationPath = 256;
inline constexpr size_t StartFlags = 776;
inline constexpr size_t FileGenerationMethod = 780;
inline constexpr size_t OutputDirectory = 784;
inline constexpr size_t ImageFileName = 1304;
inline constexpr size_t FileNamePrefix = 1824;
inline constexpr size_t FileExtension = 1842;
inline constexpr size_t MessagingInterfaceName = 1852;
// Registry key (naming methods 1 and 4) or INI file (2, 5 and 8) that output names come from.
inline constexpr size_t NameSource = 2372;
inline constexpr size_t TIFFDllName = 2892;
inline constexpr size_t JPEGDllName = 3412;
inline constexpr size_t ResourceDLLName = 3932;
inline constexpr size_t MessagingSessionId = 4452;
// Forced resolution of the force-resolution option: horizontal DPI in the low word, vertical in the high.
inline constexpr size_t UserFlags = 4456;
inline constexpr size_t UserSid = 4460;
// What the driver on the printing client knew about its user and machine.
inline constexpr size_t ClientUserName = 4774;
inline constexpr size_t ClientComputerName = 4816;
inline constexpr size_t ClientDomain = 4848;
inline constexpr size_t ClientIPAddress = 4880;
inline constexpr size_t PortraitWatermarkImage = 4972;
inline constexpr size_t LandscapeWatermarkImage = 5492;
inline constexpr size_t WatermarkFlags = 6012;
inline constexpr size_t LandscapeWatermarkBrightness = 6016;
inline constexpr size_t PortraitWatermarkBrightness = 6018;
// The driver's text annotation: its font (a LOGFONTW, 92 bytes), the escapement in degrees, the
// offsets from its position, the text colour (COLORREF), two texts, the Bates format index and,
// at 6624, the option word (dmannot).
inline constexpr size_t AnnotationFont = 6020;
inline constexpr size_t AnnotationEscapement = 6112;
inline constexpr size_t AnnotationOffsetX = 6116;
inline constexpr size_t AnnotationOffsetY = 6120;
inline constexpr size_t AnnotationColor = 6124;
inline constexpr size_t AnnotationText1 = 6128;
inline constexpr size_t AnnotationText2 = 6368;
// Which of the printer's Bates formats the job numbers its pages with, from 0.
inline constexpr size_t BatesFormatIndex = 6608;
inline constexpr size_t AnnotationOptions = 6624;
// Start-application parameter codes 0 to 7 (0 to 8 in older records), 16 bits each.
inline constexpr size_t StartAppParameters = 6654;
// A driver byte that shared printers take from the server's default record.
inline constexpr size_t ServerOptionByte = 6670;
// Custom parameter passed to the post-print application.
inline constexpr size_t CustomParameter = 6671;
inline constexpr size_t PrinterId = 6803;
inline constexpr size_t FontOptions = 6807;
// Its low byte holds the cover page and barcode switches; the 32 bytes from here are the
// barcode block that shared printers take from the server's record.
inline constexpr size_t CoverPageOptions = 6811;
inline constexpr size_t ServerBarcodeBlock = 6811;
// The barcode settings, in the order the barcode writer reads them: the flags word (its low
// byte is the cover page options byte), the symbol's kind and placement, where its value comes
// from and each library's numbered parameters. The PDF417 parameters fill the server tail up to
// the advanced-text byte; the one-dimensional margin has a slot of its own near the record's end.
inline constexpr size_t BarcodeFlags = 6811;
inline constexpr size_t BarcodeKind = 6815;
inline constexpr size_t BarcodeSymbology = 6816;
inline constexpr size_t BarcodeHorizontalAlignment = 6817;
inline constexpr size_t BarcodeVerticalAlignment = 6818;
inline constexpr size_t BarcodeXOffset = 6819;
inline constexpr size_t BarcodeYOffset = 6823;
inline constexpr size_t BarcodeRotation = 6827;
inline constexpr size_t BarcodeOffsetUnit = 6828;
inline constexpr size_t BarcodeValueSource = 6829;
inline constexpr size_t BarcodeOneDParams = 6830;        // 4 bytes
inline constexpr size_t BarcodeQRParams = 6834;          // 3 bytes
inline constexpr size_t BarcodeDataMatrixParams = 6837;  // 4 bytes
inline constexpr size_t BarcodeDataMatrixValue = 6841;   // 16 bits
// Eight driver bytes after the barcode block, also taken from the server's record.
inline constexpr size_t ServerOptionTail = 6843;
inline constexpr size_t BarcodePDF417Params = 6843;      // 6 bytes
inline constexpr size_t AdvancedText = 6849;
inline constexpr size_t TextEncoding = 6850;
// Start-application parameter codes 8 to 15, one byte each (records of version 1470 on).
inline constexpr size_t StartAppParameterBytes = 6851;
inline constexpr size_t ExtraFlags = 6859;
inline constexpr size_t PagesPerSheet = 6863;
inline constexpr size_t SheetOptions = 6864;
inline constexpr size_t BarcodeOneDMargin = 6876;        // 16 bits
}  // namespace dmoff

// Sizes of the two server blocks above, in bytes.
inline constexpr size_t kServerBarcodeBlockSize = 32;
inline constexpr size_t kServerOptionTailSize = 8;

// How many numbered parameters each barcode library takes from the record.
inline constexpr size_t kBarcodeOneDParams = 4;
inline constexpr size_t kBarcodeQRParams = 3;
inline constexpr size_t kBarcodeDataMatrixParams = 4;
inline constexpr size_t kBarcodePDF417Params = 6;
static_assert(dmoff::BarcodeDataMatrixValue + sizeof(WORD) == dmoff::ServerBarcodeBlock + kServerBarcodeBlockSize);
static_assert(dmoff::BarcodePDF417Params + kBarcodePDF417Params == dmoff::AdvancedText);
static_assert(dmoff::BarcodeOneDParams + kBarcodeOneDParams == dmoff::BarcodeQRParams);
static_assert(dmoff::BarcodeQRParams + kBarcodeQRParams == dmoff::BarcodeDataMatrixParams);
static_assert(dmoff::BarcodeDataMatrixParams + kBarcodeDataMatrixParams == dmoff::BarcodeDataMatrixValue);
static_assert(dmoff::BarcodeOneDMargin + sizeof(WORD) <= kDevModeSize);

// Capacities of the string fields in wide characters, terminator included.
namespace dmcap {
inline constexpr size_t dmDeviceName = CCHDEVICENAME;  // 32
inline constexpr size_t dmFormName = CCHFORMNAME;      // 32
inline constexpr size_t ApplicationPath = 260;
inline constexpr size_t OutputDirectory = 260;
inline constexpr size_t ImageFileName = 260;
inline constexpr size_t FileNamePrefix = 9;
inline constexpr size_t FileExtension = 5;
inline constexpr size_t MessagingInterfaceName = 260;
inline constexpr size_t NameSource = 260;
inline constexpr size_t TIFFDllName = 260;
inline constexpr size_t JPEGDllName = 260;
inline constexpr size_t ResourceDLLName = 260;
inline constexpr size_t UserSid = 157;
inline constexpr size_t ClientUserName = 21;
inline constexpr size_t ClientComputerName = 16;
inline constexpr size_t ClientDomain = 16;
inline constexpr size_t ClientIPAddress = 46;
inline constexpr size_t PortraitWatermarkImage = 260;
inline constexpr size_t LandscapeWatermarkImage = 260;
inline constexpr size_t CustomParameter = 66;
inline constexpr size_t AnnotationFaceName = LF_FACESIZE;  // 32
inline constexpr size_t AnnotationText1 = 120;
inline constexpr size_t AnnotationText2 = 120;
}  // namespace dmcap

// The members of the annotation's LOGFONTW, from dmoff::AnnotationFont.
namespace dmlogfont {
inline constexpr size_t lfHeight = 0;
inline constexpr size_t lfWidth = 4;
inline constexpr size_t lfEscapement = 8;
inline constexpr size_t lfOrientation = 12;
inline constexpr size_t lfWeight = 16;
inline constexpr size_t lfItalic = 20;
inline constexpr size_t lfUnderline = 21;
inline constexpr size_t lfStrikeOut = 22;
inline constexpr size_t lfCharSet = 23;
inline constexpr size_t lfOutPrecision = 24;
inline constexpr size_t lfClipPrecision = 25;
inline constexpr size_t lfQuality = 26;
inline constexpr size_t lfPitchAndFamily = 27;
inline constexpr size_t lfFaceName = 28;
inline constexpr size_t kSize = 92;
}  // namespace dmlogfont
static_assert(dmlogfont::kSize == sizeof(LOGFONTW) && dmlogfont::lfFaceName == offsetof(LOGFONTW, lfFaceName));
static_assert(dmoff::AnnotationFont + dmlogfont::kSize == dmoff::AnnotationEscapement);
static_assert(dmoff::AnnotationText1 + dmcap::AnnotationText1 * sizeof(wchar_t) == dmoff::AnnotationText2);
static_assert(dmoff::AnnotationText2 + dmcap::AnnotationText2 * sizeof(wchar_t) == dmoff::BatesFormatIndex);
static_assert(dmoff::BatesFormatIndex < dmoff::AnnotationOptions);

// A string field: where it starts and how many wide characters it holds.
struct DmTextField {
    size_t offset;
    size_t capacity;
};

namespace dmtext {
inline constexpr DmTextField dmDeviceName{dmoff::dmDeviceName, dmcap::dmDeviceName};
inline constexpr DmTextField dmFormName{dmoff::dmFormName, dmcap::dmFormName};
inline constexpr DmTextField ApplicationPath{dmoff::ApplicationPath, dmcap::ApplicationPath};
inline constexpr DmTextField OutputDirectory{dmoff::OutputDirectory, dmcap::OutputDirectory};
inline constexpr DmTextField ImageFileName{dmoff::ImageFileName, dmcap::ImageFileName};
inline constexpr DmTextField FileNamePrefix{dmoff::FileNamePrefix, dmcap::FileNamePrefix};
inline constexpr DmTextField FileExtension{dmoff::FileExtension, dmcap::FileExtension};
inline constexpr DmTextField MessagingInterfaceName{dmoff::MessagingInterfaceName, dmcap::MessagingInterfaceName};
inline constexpr DmTextField NameSource{dmoff::NameSource, dmcap::NameSource};
inline constexpr DmTextField TIFFDllName{dmoff::TIFFDllName, dmcap::TIFFDllName};
inline constexpr DmTextField JPEGDllName{dmoff::JPEGDllName, dmcap::JPEGDllName};
inline constexpr DmTextField ResourceDLLName{dmoff::ResourceDLLName, dmcap::ResourceDLLName};
inline constexpr DmTextField UserSid{dmoff::UserSid, dmcap::UserSid};
inline constexpr DmTextField ClientUserName{dmoff::ClientUserName, dmcap::ClientUserName};
inline constexpr DmTextField ClientComputerName{dmoff::ClientComputerName, dmcap::ClientComputerName};
inline constexpr DmTextField ClientDomain{dmoff::ClientDomain, dmcap::ClientDomain};
inline constexpr DmTextField ClientIPAddress{dmoff::ClientIPAddress, dmcap::ClientIPAddress};
inline constexpr DmTextField PortraitWatermarkImage{dmoff::PortraitWatermarkImage, dmcap::PortraitWatermarkImage};
inline constexpr DmTextField LandscapeWatermarkImage{dmoff::LandscapeWatermarkImage,
                                                     dmcap::LandscapeWatermarkImage};
inline constexpr DmTextField CustomParameter{dmoff::CustomParameter, dmcap::CustomParameter};
inline constexpr DmTextField AnnotationFaceName{dmoff::AnnotationFont + dmlogfont::lfFaceName,
                                                dmcap::AnnotationFaceName};
inline constexpr DmTextField AnnotationText1{dmoff::AnnotationText1, dmcap::AnnotationText1};
inline constexpr DmTextField AnnotationText2{dmoff::AnnotationText2, dmcap::AnnotationText2};
}  // namespace dmtext

// Bits of the option flags word at dmoff::Flags.
namespace dmflag {
inline constexpr DWORD FaxResolutionMode1 = 0x2;
inline constexpr DWORD IsInternetTiffFormatEnabled = 0x4;
inline constexpr DWORD IsPageNumberingEnabled = 0x8;
inline constexpr DWORD IsReverseBitOrderEnabled = 0x10;
inline constexpr DWORD IsMultipageImageEnabled = 0x20;
inline constexpr DWORD IsAppendImageEnabled = IsMultipageImageEnabled;  // one bit, two names
inline constexpr DWORD IsWriteTextEnabled = 0x40;
inline constexpr DWORD UnicodeOcrText = 0x80;  // OCR text is saved as UTF-16
inline constexpr DWORD IsMailMergeEnabled = 0x100;
inline constexpr DWORD IsAdvancedTextEnabled = 0x200;  // records before kAdvancedTextByteVersion
inline constexpr DWORD ImageGenerationDisabled = 0x400;
inline constexpr DWORD IsGroupFileDisabled = 0x800;
inline constexpr DWORD FaxResolutionMode3 = 0x1000;
inline constexpr DWORD IsMessagingInterfaceEnabled = 0x2000;
inline constexpr DWORD IsTiffDllEnabled = 0x4000;
inline constexpr DWORD IsJpegDllEnabled = 0x8000;
inline constexpr DWORD IsFaxOutputEnabled = 0x10000;
inline constexpr DWORD OverwriteExistingFiles = 0x20000;
inline constexpr DWORD IsRotatePaperEnabled = 0x40000;
inline constexpr DWORD IsDeleteGroupFileEnabled = 0x80000;
inline constexpr DWORD IsKeepExistingFilesEnabled = 0x100000;
inline constexpr DWORD FaxResolutionMode2 = 0x800000;
inline constexpr DWORD ForceResolution = 0x1000000;
inline constexpr DWORD PrinterForwardingEnabled = 0x2000000;
inline constexpr DWORD OutputInMemory = 0x4000000;
inline constexpr DWORD BatesNumberingEnabled = 0x8000000;
// Pages on an N-up metafile sheet are drawn mirrored left to right, or top to bottom.
inline constexpr DWORD MirrorHorizontal = 0x20000000;
inline constexpr DWORD MirrorVertical = 0x40000000;
inline constexpr DWORD PrintedFromSession0 = 0x80000000;
inline constexpr DWORD FaxResolutionModes = FaxResolutionMode1 | FaxResolutionMode2 | FaxResolutionMode3;
}  // namespace dmflag

// Bits of the start flags word at dmoff::StartFlags.
namespace dmstart {
inline constexpr DWORD IsStartApplicationEnabled = 0x1;
inline constexpr DWORD IsStartBeforePrint = 0x2;
inline constexpr DWORD IsPassParametersEnabled = 0x4;
inline constexpr DWORD IsStartNormal = 0x8;
inline constexpr DWORD IsStartMinimized = 0x10;
inline constexpr DWORD IsStartHidden = 0x20;
inline constexpr DWORD StartFromMonitor = 0x40;  // the monitor itself starts the application
inline constexpr DWORD IsStartForMessaging = 0x80;
inline constexpr DWORD CustomParameterFromSettings = 0x100;
}  // namespace dmstart

// Bits of the watermark flags word at dmoff::WatermarkFlags.
namespace dmwm {
inline constexpr DWORD WatermarkImage = 0x1;
inline constexpr DWORD WatermarkFirstPageOnly = 0x2;
inline constexpr DWORD WatermarkFirstPagePicture = 0x400;
// The text watermark bit; the picture code reads it as "keep 32-bit PNG pictures".
inline constexpr DWORD WatermarkText = 0x80000;
inline constexpr DWORD PortraitPositionMask = 0x2A83C;
inline constexpr DWORD LandscapePositionMask = 0x553C0;
// One bit per placement code (1, 2, 4, 8, 16, 32, 64, 128) and orientation; none means code 4.
inline constexpr DWORD PortraitPosition1 = 0x4;
inline constexpr DWORD PortraitPosition2 = 0x8;
inline constexpr DWORD PortraitPosition4 = 0x10;
inline constexpr DWORD PortraitPosition8 = 0x20;
inline constexpr DWORD PortraitPosition16 = 0x800;
inline constexpr DWORD PortraitPosition32 = 0x2000;
inline constexpr DWORD PortraitPosition64 = 0x8000;
inline constexpr DWORD PortraitPosition128 = 0x20000;
inline constexpr DWORD LandscapePosition1 = 0x40;
inline constexpr DWORD LandscapePosition2 = 0x80;
inline constexpr DWORD LandscapePosition4 = 0x100;
inline constexpr DWORD LandscapePosition8 = 0x200;
inline constexpr DWORD LandscapePosition16 = 0x1000;
inline constexpr DWORD LandscapePosition32 = 0x4000;
inline constexpr DWORD LandscapePosition64 = 0x10000;
inline constexpr DWORD LandscapePosition128 = 0x40000;
static_assert((PortraitPosition1 | PortraitPosition2 | PortraitPosition4 | PortraitPosition8 | PortraitPosition16 |
               PortraitPosition32 | PortraitPosition64 | PortraitPosition128) == PortraitPositionMask);
static_assert((LandscapePosition1 | LandscapePosition2 | LandscapePosition4 | LandscapePosition8 |
               LandscapePosition16 | LandscapePosition32 | LandscapePosition64 | LandscapePosition128) ==
              LandscapePositionMask);
}  // namespace dmwm

// Bits of the font options byte at dmoff::FontOptions.
namespace dmfont {
inline constexpr BYTE FromLowIntegrityBrowser = 0x1;
}

// Bits of the cover page options byte at dmoff::CoverPageOptions.
namespace dmcover {
inline constexpr BYTE BarcodeEnabled = 0x1;
inline constexpr BYTE BarcodeFirstPageOnly = 0x2;
inline constexpr BYTE InsertedCoverPage = 0x40;
}  // namespace dmcover

// Bits of the barcode flags word at dmoff::BarcodeFlags (its low byte is dmcover's).
namespace dmbarcode {
inline constexpr DWORD Enabled = dmcover::BarcodeEnabled;
inline constexpr DWORD FirstPageOnly = dmcover::BarcodeFirstPageOnly;
inline constexpr DWORD DrawAnd = 0x4;            // SRCAND: white parts of the symbol leave the page alone
inline constexpr DWORD OneDOption = 0x8;         // the one-dimensional library's check-digit switch
inline constexpr DWORD DataMatrixBlock = 0x10;   // the DataMatrix parameter block is passed
inline constexpr DWORD PDF417Option = 0x20;      // compact PDF417
inline constexpr DWORD InsertedCoverPageOnly = dmcover::InsertedCoverPage;
inline constexpr DWORD OneDMargin = 0x80;        // the one-dimensional margin is passed
}  // namespace dmbarcode

// Bits of the annotation options word at dmoff::AnnotationOptions.
namespace dmannot {
inline constexpr DWORD AnnotationEnabled = 0x1;
inline constexpr DWORD IncludeTexts = 0x2;
inline constexpr DWORD IncludeDate = 0x4;
// Date formats; the first bit set counts.
inline constexpr DWORD DateMonthDayYear = 0x8;
inline constexpr DWORD DateShortMonthDayYear = 0x10;
inline constexpr DWORD DateDayMonthYear = 0x20;
inline constexpr DWORD DateDayMonthNameYear = 0x40;
inline constexpr DWORD DateYearMonthDay = 0x80;
inline constexpr DWORD DateJulianDay = 0x100;
inline constexpr DWORD IncludeTime = 0x200;
inline constexpr DWORD Clock12Hour = 0x400;
inline constexpr DWORD Clock24Hour = 0x800;
inline constexpr DWORD TimeMinutes = 0x1000;
inline constexpr DWORD TimeSeconds = 0x2000;
inline constexpr DWORD TimeZoneName = 0x4000;
inline constexpr DWORD TransparentBackground = 0x8000;
// Positions; none of them is the top left corner.
inline constexpr DWORD PositionTopRight = 0x40000;
inline constexpr DWORD PositionCentre = 0x80000;
inline constexpr DWORD PositionBottomLeft = 0x100000;
inline constexpr DWORD PositionBottomRight = 0x200000;
inline constexpr DWORD OffsetsTenthMm = 0x400000;
inline constexpr DWORD OffsetsHundredthInch = 0x800000;
inline constexpr DWORD FirstPageOnly = 0x2000000;
}  // namespace dmannot

// Bits of the extra flags byte at dmoff::ExtraFlags.
namespace dmextra {
inline constexpr BYTE OutputDirectoryFromIni = 0x1;
inline constexpr BYTE MergeWindowEnabled = 0x2;
}  // namespace dmextra

// Bits of the sheet options byte at dmoff::SheetOptions.
namespace dmsheet {
inline constexpr BYTE SheetColumnFirst = 0x1;
inline constexpr BYTE SheetCellBorder = 0x2;
}  // namespace dmsheet

// The rules of the accessors: defaults without a record, clamps, resolution codes.
namespace dmrule {
inline constexpr DWORD kDefaultFileFormat = 4;
// Colour modes and the bits per pixel they are saved at.
inline constexpr DWORD kColorModeBlackWhite = 0;  // 1 bit
inline constexpr DWORD kColorModeGray = 1;        // 8 bits
inline constexpr DWORD kColorModePalette = 2;     // 8 bits
inline constexpr DWORD kColorModeTrueColor = 3;   // 24 bits
inline constexpr DWORD kMaxColorMode = kColorModeTrueColor;
inline constexpr WORD kBitsBlackWhite = 1;
inline constexpr WORD kBitsIndexed = 8;
inline constexpr WORD kBitsTrueColor = 24;
inline constexpr DWORD kMinLossRatio = 1;
inline constexpr DWORD kMaxLossRatio = 100;
inline constexpr DWORD kMaxBrightness = 199;
inline constexpr DWORD kFileGenerationMethods = 10;  // methods 0 to 9
inline constexpr int kDpi100 = 100;
inline constexpr int kDpi200 = 200;
inline constexpr int kDpi300 = 300;
inline constexpr int kDpi600 = 600;
inline constexpr int kDefaultDpi = kDpi300;
inline constexpr int kMinDpi = 50;
inline constexpr int kMaxDpi = 3000;
inline constexpr int kDefaultPaper = 1;
inline constexpr int kDefaultFaxResolutionMode = 1;

// Negative resolution codes in dmPrintQuality and dmYResolution.
inline constexpr short kResCode100 = -1;
inline constexpr short kResCode200 = -2;
inline constexpr short kResCode300 = -3;
inline constexpr short kResCode600 = -4;
inline constexpr short kResCodeFaxNormal = -5;  // 204 x 98
inline constexpr short kResCodeFaxFine = -6;    // 204 x 196
inline constexpr int kFaxXDpi = 204;
inline constexpr int kFaxFineYDpi = 196;
inline constexpr int kFaxNormalYDpi = 98;

// From this driver version on the advanced-text switch is the byte at dmoff::AdvancedText.
inline constexpr WORD kAdvancedTextByteVersion = 0x5B0;
inline constexpr BYTE kAdvancedTextOn = 1;
// From this driver version on codes 8 to 15 of the start-application parameters are bytes.
inline constexpr WORD kStartAppParameterBytesVersion = 1470;
inline constexpr size_t kStartAppWideParameters = 8;    // 16-bit codes from version 1470 on
inline constexpr size_t kStartAppLegacyParameters = 9;  // 16-bit codes before it
inline constexpr size_t kStartAppParameters = 16;       // codes from version 1470 on

// Paper sizes are tenths of a millimetre times dmScale / 100; a size that does not fit in a
// signed 16-bit field at that unit is stored in millimetres with dmScale 1000.
inline constexpr short kScaleTenthMm = 100;
inline constexpr short kScaleMm = 1000;
inline constexpr int kMaxPaperTenthMm = 32766;
inline constexpr int kMaxPaperField = 32767;
}  // namespace dmrule

}  // namespace tw
