#pragma once
// The barcode writer's run-time libraries: the one of the job's barcode kind with its size and
// write functions, and the regular-expression library. Each is loaded on first use and kept
// for the job.
#include <windows.h>

#include <string>

#include "barcodes/BarcodeLibraries.h"
#include "base/UniqueHandle.h"
#include "regexp/TwRegExp.h"

namespace tw {

struct BarcodeFunctions {
    UniqueModule module;
    bool tried = false;
    FARPROC size = nullptr;
    FARPROC write = nullptr;
};

struct RegExpFunctions {
    UniqueModule module;
    bool tried = false;
    PFN_RegExpMatch match = nullptr;
    PFN_FreeResult freeResult = nullptr;
};

// Messages of the load failures.
namespace barcodetext {
inline constexpr wchar_t kNoRegExpDll[] = L"Could not load Regular Expression dll";
inline constexpr wchar_t kBadRegExpDll[] = L"Error loading Regular Expression dll";
inline constexpr wchar_t kNoBarcodeDll[] = L"Could not load barcode dll";
inline constexpr wchar_t kNoQRDll[] = L"Could not load QR dll";
inline constexpr wchar_t kNoDataMatrixDll[] = L"Could not load DataMatrix dll";
inline constexpr wchar_t kNoPDF417Dll[] = L"Could not load P417 dll";
inline constexpr wchar_t kNoOneDDll[] = L"Could not load 1D dll";
}  // namespace barcodetext

class BarcodeLibraries {
public:
    // `directory`: where the libraries are; empty for the ordinary library search.
    void SetDirectory(const std::wstring& directory) { m_directory = directory; }
    // The kind's functions; null with `error` set when the library or a function is missing.
    const BarcodeFunctions* ForKind(BYTE kind, const wchar_t*& error);
    const RegExpFunctions* RegExp(const wchar_t*& error);

private:
    HMODULE Load(const wchar_t* name) const;
    std::wstring m_directory;
    BarcodeFunctions m_kinds[4];
    RegExpFunctions m_regexp;
};

}  // namespace tw
