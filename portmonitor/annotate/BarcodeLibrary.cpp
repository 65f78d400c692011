#include "annotate/BarcodeLibrary.h"

#include "monitor/Trace.h"

namespace tw {
namespace {

struct KindLibrary {
    const wchar_t* file;
    const char* size;
    const char* write;
    const wchar_t* failure;
};
constexpr KindLibrary kKindLibraries[] = {
    {kQRLibrary, "pdrel_GetQRSize", "pdrel_WriteQR", barcodetext::kNoQRDll},
    {kDataMatrixLibrary, "pdrel_GetDataMatrixSize", "pdrel_WriteDataMatrix", barcodetext::kNoDataMatrixDll},
    {kPDF417Library, "pdrel_GetPDF417Size", "pdrel_WritePDF417Barcode", barcodetext::kNoPDF417Dll},
    {kOneDLibrary, "pdrel_GetBarCodeSize", "pdrel_WriteBarCodeToRectangle", barcodetext::kNoOneDDll},
};
static_assert(std::size(kKindLibraries) == 4);

}  // namespace

HMODULE BarcodeLibraries::Load(const wchar_t* name) const {
    if (m_directory.empty()) return ::LoadLibraryW(name);
    std::wstring path = m_directory;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += name;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

const BarcodeFunctions* BarcodeLibraries::ForKind(BYTE kind, const wchar_t*& error) {
    if (kind >= std::size(kKindLibraries)) {
        error = barcodetext::kNoBarcodeDll;
        return nullptr;
    }
    const KindLibrary& lib = kKindLibraries[kind];
    BarcodeFunctions& f = m_kinds[kind];
    if (!f.tried) {
        f.tried = true;
        f.module.reset(Load(lib.file));
        if (f.module) {
            f.size = ::GetProcAddress(f.module.get(), lib.size);
            f.write = ::GetProcAddress(f.module.get(), lib.write);
        }
        TW_TRACE(L"CBarcodeWriter: %s: module %p, size %p, write %p (%lu)", lib.file, f.module.get(), f.size, f.write,
                 ::GetLastError());
    }
    if (!f.module) {
        error = lib.failure;
        return nullptr;
    }
    if (!f.size || !f.write) {
        error = barcodetext::kNoBarcodeDll;
        return nullptr;
    }
    return &f;
}

const RegExpFunctions* BarcodeLibraries::RegExp(const wchar_t*& error) {
    if (!m_regexp.tried) {
        m_regexp.tried = true;
        m_regexp.module.reset(Load(kRegExpLibrary));
        if (m_regexp.module) {
            m_regexp.match = reinterpret_cast<PFN_RegExpMatch>(::GetProcAddress(m_regexp.module.get(), "RegExpMatch"));
            m_regexp.freeResult =
                reinterpret_cast<PFN_FreeResult>(::GetProcAddress(m_regexp.module.get(), "FreeResult"));
        }
    }
    if (!m_regexp.module) {
        error = barcodetext::kNoRegExpDll;
        return nullptr;
    }
    if (!m_regexp.match || !m_regexp.freeResult) {
        error = barcodetext::kBadRegExpDll;
        return nullptr;
    }
    return &m_regexp;
}

}  // namespace tw
