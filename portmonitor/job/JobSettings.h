#pragma once
// What a job settles from its DEVMODE and the printer's settings when the document starts and
// at each page, for the rest of the job to read.
#include <windows.h>

#include <string>

#include "job/PageSelection.h"

namespace tw {

// Defaults of the printer INI file's "Default Settings" time-outs, in milliseconds.
inline constexpr int kDefaultStartApplicationTimeout = 5000;
inline constexpr int kDefaultMessagingTimeout = 10000;
// Sheet layout of pages per sheet, in pixels.
inline constexpr int kSheetMargin = 100;
inline constexpr int kSheetCellSpacing = 50;

struct JobSettings {
    bool bRawData = false;       // the spooler's data type is "RAW" or "TEXT"
    bool bSharedPrinter = false;  // printed through a shared printer by another computer
    PageSelection pageSelection;

    bool bOutputInMemory = false;
    bool bImageGenerationDisabled = false;
    DWORD dwEffectiveFormat = 0;  // what CorrectDevMode decided at the start of the document

    std::wstring ocrBitmapDirectory;
    bool bOcrWriteBitmaps = false;

    std::wstring messagingInterfaceName;
    DWORD dwMessagingSessionId = 0;
    std::wstring clientPipeName;
    std::wstring httpPipeName, databasePipeName, mfilesPipeName;

    int startApplicationTimeout = kDefaultStartApplicationTimeout;
    int messagingTimeout = kDefaultMessagingTimeout;
    int messagingTimeout2 = kDefaultMessagingTimeout;
    bool bAllowAnisotropicDpi = false;

    // Pages per sheet (0: one page a sheet), fill order and cell border.
    int pagesPerSheet = 0;
    bool bColumnFirst = false;
    bool bCellBorder = false;
    int sheetMargin = kSheetMargin;
    int cellSpacing = kSheetCellSpacing;
};

}  // namespace tw
