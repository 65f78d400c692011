#include "annotate/BarcodeWriter.h"

#include <cstring>

#include "base/WideString.h"
#include "emfimage/PageGeometry.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "notify/PathExpansion.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr double kInchesPerMetre = 39.37;
constexpr int kMaxOneDValueBytes = 50;
constexpr int kBytesPerPixel = 3;
// A symbol larger than this many pixels is no symbol a library should have asked for.
constexpr long long kMaxSymbolPixels = 400000000;
// Rotation codes of the one-dimensional library for rotations 0 to 3.
constexpr int kOneDRotationCodes[] = {0, 2, 1, 3};
// Which value of the one-dimensional rectangle gets the margin: the third for rotations 1 and 3.
constexpr size_t kRectRight = 2, kRectBottom = 3;

constexpr wchar_t kNotPlaceable[] = L"Barcode larger than the page";
constexpr wchar_t kBadSymbolSize[] = L"Barcode size %d x %d";

const wchar_t* KindName(BYTE kind) {
    switch (static_cast<BarcodeKind>(kind)) {
    case BarcodeKind::QR: return L"QR";
    case BarcodeKind::DataMatrix: return L"DataMatrix";
    case BarcodeKind::PDF417: return L"PDF417";
    default: return L"BarCode";
    }
}

DataMatrixBlock DataMatrixParameters(const BarcodeOptions& o) {
    return DataMatrixBlock{o.dataMatrix[3], o.dataMatrix[2], o.dataMatrixValue};
}

// The one-dimensional rectangle: zero, but for the margin (less one) along the bars.
void OneDRectangle(const BarcodeOptions& o, int (&rect)[4]) {
    std::memset(rect, 0, sizeof rect);
    if (!o.Has(dmbarcode::OneDMargin)) return;
    const int margin = o.oneDMargin ? o.oneDMargin - 1 : 0;
    rect[o.rotation % 2 == 1 ? kRectRight : kRectBottom] = margin;
}

int OneDRotationCode(BYTE rotation) { return rotation < std::size(kOneDRotationCodes) ? kOneDRotationCodes[rotation] : rotation; }

}  // namespace

UniqueHGlobal NewWhiteSymbolDib(int width, int height, int xDpi, int yDpi) {
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kMaxSymbolPixels) return {};
    const SIZE_T stride = (static_cast<SIZE_T>(width) * kBytesPerPixel + 3) & ~static_cast<SIZE_T>(3);
    const SIZE_T bytes = sizeof(BITMAPINFOHEADER) + stride * height;
    UniqueHGlobal dib(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!dib) return {};
    GlobalLockGuard<BYTE> p(dib.get());
    if (!p) return {};
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(stride * height);
    h.biXPelsPerMeter = static_cast<LONG>(xDpi * kInchesPerMetre + 0.5);
    h.biYPelsPerMeter = static_cast<LONG>(yDpi * kInchesPerMetre + 0.5);
    std::memcpy(p.get(), &h, sizeof h);
    std::memset(p.get() + sizeof h, 0xFF, stride * height);
    return dib;
}

BOOL CBarcodeWriter::Init(const TarnwellDEVMODE& dm) {
    if (!m_initialised) {
        m_initialised = true;
        const std::optional<std::wstring> dir =
            settings::ReadString(&dm, settings::kBarcodeSettings, barcodeset::kLibraryDirectory);
        if (dir && !dir->empty()) {
            std::wstring expanded;
            m_libraries.SetDirectory(ExpandVariables(&dm, *dir, expanded) || !expanded.empty() ? expanded : *dir);
        }
    }
    if (static_cast<BarcodeSource>(ReadBarcodeOptions(dm).valueSource) != BarcodeSource::RegularExpression) return TRUE;
    const wchar_t* error = nullptr;
    if (m_libraries.RegExp(error)) return TRUE;
    RecordError(barcodeerr::kInternal, error);
    return FALSE;
}

void CBarcodeWriter::AddText(const wchar_t* text, int length) {
    if (!text) return;
    if (length < 0) m_text += text;
    else m_text.append(text, static_cast<size_t>(length));
}

void CBarcodeWriter::AddTextAnsi(const char* text, int length) {
    if (!text || length == 0) return;
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    if (n <= 0) return;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), n);
    if (length < 0 && !wide.empty() && wide.back() == L'\0') wide.pop_back();
    m_text += wide;
}

void CBarcodeWriter::ClearText() {
    TW_TRACE(L"CBarcodeWriter::ClearText");
    m_text.clear();
    m_errorCode = barcodeerr::kNone;
    m_errorDetail.clear();
    m_decided = false;
    m_symbol.reset();
}

void CBarcodeWriter::RecordError(int code, const std::wstring& detail) {
    TW_TRACE(L"CBarcodeWriter: error %d (%s)", code, detail.c_str());
    if (m_errorCode != barcodeerr::kNone) return;
    m_errorCode = code;
    m_errorDetail = detail;
}

bool CBarcodeWriter::CheckLibraryError(const BarcodeOptions& o, int err) {
    if (err == kBarcodeOk) return true;
    const int invalid = static_cast<BarcodeKind>(o.kind) == BarcodeKind::OneD ? kBarcodeInvalidValue : kBarcodeCannotEncode;
    if (err == kBarcodeEmptyValue || err == invalid) RecordError(barcodeerr::kInvalidValue);
    else RecordError(barcodeerr::kInternal, std::to_wstring(err));
    return false;
}

bool CBarcodeWriter::SymbolSize(const BarcodeOptions& o, const BarcodeFunctions& f, const std::string& value,
                                int& width, int& height) {
    int err = kBarcodeOk;
    const int length = static_cast<int>(value.size());
    width = height = 0;
    switch (static_cast<BarcodeKind>(o.kind)) {
    case BarcodeKind::QR:
        width = height = reinterpret_cast<PFN_GetQRSize>(f.size)(value.c_str(), length, o.qr[1], o.qr[2], o.qr[0], &err);
        break;
    case BarcodeKind::DataMatrix: {
        const DataMatrixBlock block = DataMatrixParameters(o);
        const int n = reinterpret_cast<PFN_GetDataMatrixSize>(f.size)(
            nullptr, value.c_str(), length + 1, o.dataMatrix[0], 0, 0, o.rotation, o.dataMatrix[1],
            o.Has(dmbarcode::DataMatrixBlock) ? &block : nullptr, &err);
        width = height = n + 1;
        break;
    }
    case BarcodeKind::PDF417:
        reinterpret_cast<PFN_GetPDF417Size>(f.size)(nullptr, value.c_str(), length, o.Has(dmbarcode::PDF417Option) ? 1 : 0,
                                                    o.pdf417[1], o.pdf417[2], o.pdf417[0], o.pdf417[3], o.pdf417[4], 0,
                                                    0, o.rotation, o.pdf417[5], &width, &height, &err);
        ++width;
        ++height;
        break;
    default: {
        int rect[4];
        OneDRectangle(o, rect);
        reinterpret_cast<PFN_GetBarCodeSize>(f.size)(nullptr, o.symbology, rect, value.c_str(), OneDRotationCode(o.rotation),
                                                     o.Has(dmbarcode::OneDOption) ? 1 : 0, o.oneD[0], o.oneD[1],
                                                     o.oneD[2], o.oneD[3], 0, &width, &height, &err);
        ++width;
        ++height;
        break;
    }
    }
    TW_TRACE(L"CBarcodeWriter::GetBarcodeSize: Get%sSize: %d, err: %d", KindName(o.kind), width, err);
    if (!CheckLibraryError(o, err)) return false;
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kMaxSymbolPixels) {
        RecordError(barcodeerr::kInternal, FormatW(kBadSymbolSize, width, height));
        return false;
    }
    return true;
}

UniqueHGlobal CBarcodeWriter::DrawSymbol(const BarcodeOptions& o, const BarcodeFunctions& f, const std::string& value,
                                         HGLOBAL white) {
    int err = kBarcodeOk;
    const int length = static_cast<int>(value.size());
    HGLOBAL drawn = nullptr;
    switch (static_cast<BarcodeKind>(o.kind)) {
    case BarcodeKind::QR:
        drawn = reinterpret_cast<PFN_WriteQR>(f.write)(white, value.c_str(), length, o.qr[1], 0, 0, o.rotation, o.qr[2],
                                                       o.qr[0], &err);
        break;
    case BarcodeKind::DataMatrix: {
        const DataMatrixBlock block = DataMatrixParameters(o);
        drawn = reinterpret_cast<PFN_WriteDataMatrix>(f.write)(white, value.c_str(), length + 1, o.dataMatrix[0], 0, 0,
                                                               o.rotation, o.dataMatrix[1],
                                                               o.Has(dmbarcode::DataMatrixBlock) ? &block : nullptr, &err);
        break;
    }
    case BarcodeKind::PDF417: {
        int w = 0, h = 0;
        drawn = reinterpret_cast<PFN_WritePDF417Barcode>(f.write)(
            white, value.c_str(), length, o.Has(dmbarcode::PDF417Option) ? 1 : 0, o.pdf417[1], o.pdf417[2], o.pdf417[0],
            o.pdf417[3], o.pdf417[4], 0, 0, o.rotation, o.pdf417[5], &w, &h, &err);
        break;
    }
    default: {
        int rect[4];
        OneDRectangle(o, rect);
        int w = 0, h = 0;
        drawn = reinterpret_cast<PFN_WriteBarCodeToRectangle>(f.write)(
            white, o.symbology, rect, value.c_str(), OneDRotationCode(o.rotation), o.Has(dmbarcode::OneDOption) ? 1 : 0,
            o.oneD[0], o.oneD[1], o.oneD[2], o.oneD[3], 0, &w, &h, &err);
        break;
    }
    }
    TW_TRACE(L"CBarcodeWriter::DrawBarcode: Write%s err: %d, old: %p, new: %p", KindName(o.kind), err, white, drawn);
    UniqueHGlobal symbol(drawn == white ? nullptr : drawn);  // a library that hands back our own block gives nothing new
    if (!CheckLibraryError(o, err)) return {};
    if (drawn == white) RecordError(barcodeerr::kInternal, std::to_wstring(err));
    return symbol;
}

void CBarcodeWriter::MakeSymbol(int pageWidth, int pageHeight, const TarnwellDEVMODE& dm) {
    m_decided = true;
    if (!Init(dm)) return;
    const BarcodeOptions o = ReadBarcodeOptions(dm);
    const wchar_t* loadError = nullptr;
    const BarcodeFunctions* f = m_libraries.ForKind(o.kind, loadError);
    if (!f) {
        RecordError(barcodeerr::kInternal, loadError);
        return;
    }
    std::string value;
    if (!GetValue(o, dm, value)) return;
    if (static_cast<BarcodeKind>(o.kind) == BarcodeKind::OneD && value.size() > kMaxOneDValueBytes) {
        RecordError(barcodeerr::kInvalidValue);
        return;
    }
    int width = 0, height = 0;
    if (!SymbolSize(o, *f, value, width, height)) return;
    const int xDpi = DmXDpi(&dm), yDpi = DmYDpi(&dm);
    UniqueHGlobal white = NewWhiteSymbolDib(width, height, xDpi, yDpi);
    if (!white) {
        RecordError(barcodeerr::kInternal, FormatW(kBadSymbolSize, width, height));
        return;
    }
    UniqueHGlobal symbol = DrawSymbol(o, *f, value, white.get());
    if (!symbol) return;
    const bool faxLandscape = IsFaxOutput(&dm) && IsLandscape(&dm);
    m_placement = PlaceBarcode(o, width, height, pageWidth, pageHeight, xDpi, yDpi, faxLandscape);
    // Cut off, the symbol would no longer read: it is left out rather than drawn in part.
    if (m_placement.width > pageWidth || m_placement.height > pageHeight) {
        RecordError(barcodeerr::kInvalidValue, kNotPlaceable);
        return;
    }
    m_symbol = std::move(symbol);
    m_rop = o.Has(dmbarcode::DrawAnd) ? SRCAND : SRCCOPY;
}

BOOL CBarcodeWriter::Draw(HDC dc, int pageWidth, int pageHeight, const TarnwellDEVMODE& dm, BOOL metafile) {
    if (!m_decided) {
        TW_TRACE(L"> CBarcodeWriter::Draw %d x %d%s", pageWidth, pageHeight, metafile ? L" (metafile)" : L"");
        MakeSymbol(pageWidth, pageHeight, dm);
    }
    if (!m_symbol) return FALSE;
    GlobalLockGuard<BYTE> p(m_symbol.get());
    if (!p || p.size() < sizeof(BITMAPINFOHEADER)) return FALSE;
    BITMAPINFOHEADER h;
    std::memcpy(&h, p.get(), sizeof h);
    const SIZE_T bitsOffset = h.biSize + static_cast<SIZE_T>(h.biClrUsed) * sizeof(RGBQUAD);
    const SIZE_T stride = (static_cast<SIZE_T>(h.biWidth) * h.biBitCount / 8 + 3) & ~static_cast<SIZE_T>(3);
    const LONG rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (h.biSize != sizeof h || h.biBitCount != 24 || h.biWidth <= 0 || rows <= 0 ||
        bitsOffset + stride * rows > p.size())
        return FALSE;
    // Whole modules: halftoning a stretched symbol greys its edges, which a bilevel page then
    // dithers (or, on some GDIs, fills solid); dropping or doubling rows keeps every module crisp.
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    const int done = ::StretchDIBits(dc, m_placement.x, m_placement.y, m_placement.width, m_placement.height, 0, 0,
                                     h.biWidth, rows, p.get() + bitsOffset, reinterpret_cast<const BITMAPINFO*>(p.get()),
                                     DIB_RGB_COLORS, m_rop);
    if (oldMode) ::SetStretchBltMode(dc, oldMode);
    return done != 0 && done != GDI_ERROR ? TRUE : FALSE;
}

}  // namespace tw
