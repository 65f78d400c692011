#pragma once
// The output format codes: their display names, file extensions and the writer classes that
// serve them. Unknown codes fall back to one shared entry instead of failing a lookup.
#include <windows.h>

namespace tw {

// Codes the writers refer to by name.
constexpr DWORD kFormatBmp = 0;
constexpr DWORD kFormatMoDcaIoca = 19;
constexpr DWORD kFormatHtmlBmp = 29;
constexpr DWORD kFormatXmlBmp = 34;

struct FileFormatInfo {
    DWORD code;
    const wchar_t* name;            // the "Image Format" text of the group file and log lines
    const wchar_t* lowerExtension;  // without the dot
    const wchar_t* upperExtension;
    const wchar_t* writer;          // writer class name, nullptr when no writer serves the code
    const wchar_t* memoryWriter;    // writer class used in memory mode, nullptr when none
};

// The entry of `code`; codes outside the table get the entry of an unknown format.
const FileFormatInfo& FileFormat(DWORD code);
// FALSE for codes outside the table (they still have a name and an extension).
BOOL IsKnownFormat(DWORD code);

const wchar_t* FormatName(DWORD code);
const wchar_t* FormatExtension(DWORD code, bool upperCase);
// The writer class for `code`, or nullptr when the factory makes none.
const wchar_t* FormatWriterName(DWORD code, bool memoryMode);
BOOL FormatHasWriter(DWORD code);

// Whether the job drives the writer through the explicit multi-page TIFF protocol
// (open, page by page, close) instead of one SaveFile per page.
BOOL UsesMultiPageTiff(DWORD code, bool memoryMode, bool multiPageFlag);

}  // namespace tw
