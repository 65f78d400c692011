#pragma once
// The answers of the per-job Save-As dialog: the value names it writes under
// "%s\Save As Option Settings\<job id>", addressed by their row in these tables. The rows are
// fixed: callers and the dialog agree on the index, so a name is never moved or removed.
#include <windows.h>

#include <cstddef>

namespace tw::settings {

// REG_DWORD values.
inline constexpr const wchar_t* kSaveAsDwordOptions[] = {
    L"File Format",  // 0
    L"Open printer document with default viewer",  // 1
    L"Open output folder",  // 2
    L"Save each page as separate file",  // 3
    L"Append File",  // 4
    L"Cancel was pressed",  // 5
    L"Show append warning message",  // 6
    L"Show overwrite warning message",  // 7
    L"Color Depth",  // 8
    L"JPEG: Loss Ratio",  // 9
    L"TIFF: Internet TIFF Format",  // 10
    L"TIFF: Reverse Bit Order",  // 11
    L"TIFF: Add page Numbering Tag",  // 12
    L"Image PDF: Compression Flag",  // 13
    L"PDF: Security - Encryption",  // 14
    L"PDF: Security - Security Flags",  // 15
    L"PDF: Compression - Stream Compression",  // 16
    L"PDF: Compression - Color Image Compression",  // 17
    L"PDF: Compression - Mono Image Compression",  // 18
    L"PDF: Compression - JPEG Quality",  // 19
    L"PDF: Fonts - Embed Fonts",  // 20
    L"PDF: Fonts - Embed Licensed Fonts",  // 21
    L"PDF: Fonts - Embed Adobe Fonts",  // 22
    L"PDF: Fonts - Embed Windows Fonts",  // 23
    L"PDF: Fonts - Create Font Subset",  // 24
    L"PDF: Fonts - Force Embed Fonts Count",  // 25
    L"PDF: Fonts - Forbid Embed Fonts Count",  // 26
    L"HTML: General - View Type",  // 27
    L"HTML: General - CSS Settings",  // 28
    L"HTML: General - Separate Pages",  // 29
    L"HTML: General - Display Mode",  // 30
    L"HTML: Fonts - Embed Fonts",  // 31
    L"HTML: Fonts - Embed Licensed Fonts",  // 32
    L"HTML: Fonts - Create Font Subset",  // 33
    L"HTML: Fonts - Force Embed Fonts Count",  // 34
    L"HTML: Fonts - Forbid Embed Fonts Count",  // 35
    L"Redirect Printing",  // 36
    L"Send printed document in email",  // 37
    L"Upload to SharePoint",  // 38
    L"Print Watermark",  // 39
    L"Printer count",  // 40
    L"Watermark Add first page only",  // 41
    L"Watermark P position",  // 42
    L"Watermark L position",  // 43
    L"Watermark P First Image position",  // 44
    L"Watermark L First Image position",  // 45
    L"Watermark First Image enabled",  // 46
    L"Watermark P Brightness",  // 47
    L"Watermark L Brightness",  // 48
    L"Watermark P First Brightness",  // 49
    L"Watermark L First Brightness",  // 50
    L"PDF: General - Linearized",  // 51
    L"PDFA: Compression - Stream Compression",  // 52
    L"PDFA: Compression - Color Image Compression",  // 53
    L"PDFA: Compression - Mono Image Compression",  // 54
    L"PDFA: Compression - JPEG Quality",  // 55
    L"PDF: General - Transparency",  // 56
    L"PDF: General - URL Parsing",  // 57
    L"PDFA: General - Transparency",  // 58
    L"PDFA: General - URL Parsing",  // 59
    L"PDF: General - Resampling Method",  // 60
    L"PDF: General - Resampling Rate",  // 61
    L"PDF: General - Color Patterns",  // 62
    L"PDFA: General - Resampling Method",  // 63
    L"PDFA: General - Resampling Rate",  // 64
    L"PDFA: General - Color Patterns",  // 65
    L"XML: General - Include Text",  // 66
    L"XML: General - Include Images",  // 67
    L"XML: General - Include Path",  // 68
    L"XML: General - Include DTD",  // 69
    L"XML: General - Image Format",  // 70
    L"Enable OCR",  // 71
    L"Force Save As Dialog",  // 72
    L"PDF: Open - Page Layout",  // 73
    L"PDF: Open - Page View",  // 74
    L"PDF: Open - Magnification",  // 75
    L"PDF: Open - Open At Page",  // 76
    L"PDF: Open - Zoom",  // 77
    L"PDF: Open - Hide Menubar",  // 78
    L"PDF: Open - Hide Toolbar",  // 79
    L"PDF: Open - Hide Controls",  // 80
    L"PDF: Open - Fit To Window",  // 81
    L"PDF: Open - Center Window",  // 82
    L"PDF: Open - Show Title",  // 83
    L"PDFA: Open - Page Layout",  // 84
    L"PDFA: Open - Page View",  // 85
    L"PDFA: Open - Magnification",  // 86
    L"PDFA: Open - Open At Page",  // 87
    L"PDFA: Open - Zoom",  // 88
    L"PDFA: Open - Hide Menubar",  // 89
    L"PDFA: Open - Hide Toolbar",  // 90
    L"PDFA: Open - Hide Controls",  // 91
    L"PDFA: Open - Fit To Window",  // 92
    L"PDFA: Open - Center Window",  // 93
    L"PDFA: Open - Show Title",  // 94
    L"Redirect Printing Scaling Mode",  // 95
    L"Use number of copies",  // 96
    L"Number of copies",  // 97
    L"Collate pages",  // 98
    L"PDF: Fonts - Embed CID Fonts Only",  // 99
    L"PDF: Fonts - Compact PDF",  // 100
    L"HTML: Fonts - Remove Unused Font Tables",  // 101
    L"Print Image Watermark",  // 102
    L"Do not show save as again",  // 103
    L"Redirect Printing Print as Bitmap",  // 104
};
inline constexpr size_t kSaveAsDwordOptionCount = sizeof(kSaveAsDwordOptions) / sizeof(kSaveAsDwordOptions[0]);
static_assert(kSaveAsDwordOptionCount == 105);

// REG_SZ values; a name with %d is the format of numbered entries ("Printer 1", "Printer 2").
inline constexpr const wchar_t* kSaveAsTextOptions[] = {
    L"Output Path",  // 0
    L"Filename",  // 1
    L"PDF: Description - Title",  // 2
    L"PDF: Description - Author",  // 3
    L"PDF: Description - Subject",  // 4
    L"PDF: Description - Keywords",  // 5
    L"PDF: Security - User Password",  // 6
    L"PDF: Security - Owner Password",  // 7
    L"PDF: Fonts - Force Embed Font_%d",  // 8
    L"PDF: Fonts - Forbid Embed Font_%d",  // 9
    L"HTML: General - Output Folder",  // 10
    L"HTML: Fonts - Force Embed Font_%d",  // 11
    L"HTML: Fonts - Forbid Embed Font_%d",  // 12
    L"Printer %d",  // 13
    L"Redirect Printing Log File",  // 14
    L"Enable Redirect Printing Log",  // 15
    L"SMTP Server",  // 16
    L"SMTP Port",  // 17
    L"SMTP UserName",  // 18
    L"SMTP Password",  // 19
    L"SMTP Enable SSL",  // 20
    L"Email Send Silently",  // 21
    L"Email Sender",  // 22
    L"Email To",  // 23
    L"Email Cc",  // 24
    L"Email Bcc",  // 25
    L"Email Subject",  // 26
    L"Email Body",  // 27
    L"Logging Directory",  // 28
    L"Logging Enabled",  // 29
    L"Sender Client",  // 30
    L"SharePoint Server",  // 31
    L"SharePoint Directory",  // 32
    L"SharePoint User",  // 33
    L"SharePoint Pass",  // 34
    L"SharePoint Logfile",  // 35
    L"SharePoint Silent",  // 36
    L"Watermark Portrait Image",  // 37
    L"Watermark Landscape Image",  // 38
    L"Watermark Portrait First Image",  // 39
    L"Watermark Landscape First Image",  // 40
    L"PDFA: Description - Title",  // 41
    L"PDFA: Description - Author",  // 42
    L"PDFA: Description - Subject",  // 43
    L"PDFA: Description - Keywords",  // 44
    L"SharePoint HTTPS",  // 45
    L"SharePoint Delete",  // 46
    L"XML: General - Output Folder",  // 47
    L"Delete Files After Sending",  // 48
    L"Ask For Address",  // 49
    L"Audit Logging Directory",  // 50
    L"Audit Logging Enabled",  // 51
    L"SMTP Sender Email",  // 52
    L"Content Based Email",  // 53
    L"Simple Content Based Email",  // 54
    L"Multipage Content Based Email",  // 55
    L"Display Email Sent Successfully Message",  // 56
    L"Display Error Message",  // 57
};
inline constexpr size_t kSaveAsTextOptionCount = sizeof(kSaveAsTextOptions) / sizeof(kSaveAsTextOptions[0]);
static_assert(kSaveAsTextOptionCount == 58);

}  // namespace tw::settings
