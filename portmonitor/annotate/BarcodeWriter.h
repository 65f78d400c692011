#pragma once
// CBarcodeWriter: the barcode of a job's pages. It takes the value from the settings, a file, a
// regular expression over the page's text or the text itself, has the library of the job's kind
// measure and draw the symbol, and places it on the page. The symbol is made once per page and
// drawn on every band; the first error of a page is kept for the group file.
#include <windows.h>

#include <string>

#include "annotate/BarcodeLibrary.h"
#include "annotate/BarcodeOptions.h"
#include "base/UniqueHandle.h"

namespace tw {

class TarnwellDEVMODE;

class CBarcodeWriter {
public:
    CBarcodeWriter() = default;
    CBarcodeWriter(const CBarcodeWriter&) = delete;
    CBarcodeWriter& operator=(const CBarcodeWriter&) = delete;

    // Reads where the libraries are; loads the regular-expression library when the job's value
    // comes from a regular expression. FALSE when that library cannot be used.
    BOOL Init(const TarnwellDEVMODE& dm);
    // The page's text, in pieces (`length` -1: up to the NUL); the ANSI variant converts with the
    // ANSI code page first.
    void AddText(const wchar_t* text, int length = -1);
    void AddTextAnsi(const char* text, int length = -1);
    // A new page: its text, its error and its symbol are forgotten.
    void ClearText();
    const std::wstring& PageText() const { return m_text; }
    // Whether this page's symbol has been made (or given up on) already.
    bool PageDecided() const { return m_decided; }

    // Draws the page's barcode on `dc`, whose page is `pageWidth` x `pageHeight` pixels. The
    // symbol is made at the first call of a page. FALSE when there is nothing to draw.
    BOOL Draw(HDC dc, int pageWidth, int pageHeight, const TarnwellDEVMODE& dm, BOOL metafile);

    int ErrorCode() const { return m_errorCode; }
    bool HasError() const { return m_errorCode != barcodeerr::kNone; }
    std::wstring ErrorText() const { return BarcodeErrorText(m_errorCode, m_errorDetail); }

private:
    // The first error of a page wins.
    void RecordError(int code, const std::wstring& detail = {});
    // Making the symbol: the value, its size, the drawn DIB and where it goes.
    void MakeSymbol(int pageWidth, int pageHeight, const TarnwellDEVMODE& dm);
    bool GetValue(const BarcodeOptions& o, const TarnwellDEVMODE& dm, std::string& value);
    bool ValueFromSettings(const BarcodeOptions& o, const TarnwellDEVMODE& dm, std::string& value);
    bool ValueFromFile(const BarcodeOptions& o, const TarnwellDEVMODE& dm, std::string& value);
    bool ValueFromRegExp(const BarcodeOptions& o, const TarnwellDEVMODE& dm, std::string& value);
    bool ValueFromPageText(const BarcodeOptions& o, std::string& value);
    // Text to the bytes the kind takes: UTF-8 for QR, the ANSI code page for the others.
    bool Convert(const BarcodeOptions& o, const std::wstring& text, std::string& value);
    bool SymbolSize(const BarcodeOptions& o, const BarcodeFunctions& f, const std::string& value, int& width,
                    int& height);
    UniqueHGlobal DrawSymbol(const BarcodeOptions& o, const BarcodeFunctions& f, const std::string& value,
                             HGLOBAL white);
    // The library's err after a size or write call; false (with the error recorded) unless 0.
    bool CheckLibraryError(const BarcodeOptions& o, int err);

    BarcodeLibraries m_libraries;
    bool m_initialised = false;
    std::wstring m_text;
    int m_errorCode = barcodeerr::kNone;
    std::wstring m_errorDetail;
    // This page's symbol.
    bool m_decided = false;
    UniqueHGlobal m_symbol;
    BarcodePlacement m_placement;
    DWORD m_rop = SRCCOPY;
};

// A white packed 24-bit DIB of width x height at the given resolutions, for the libraries to draw on.
UniqueHGlobal NewWhiteSymbolDib(int width, int height, int xDpi, int yDpi);

}  // namespace tw
