#include "annotate/WatermarkPicture.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "annotate/AlphaPicture.h"
#include "annotate/AnnotationTexts.h"
#include "annotate/PngPicture.h"
#include "base/WideString.h"
#include "emfimage/PackedDib.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeDllName.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "twfile/TiffLibrary.h"
#include "jpeglib/Jpeg32.h"

namespace tw {
namespace {

constexpr wchar_t kJpegLibraryName[] = L"JPEG32.DLL";
constexpr char kLoadJpeg[] = "LoadJPEGIntoDIBW";
constexpr char kSetTiffDllName[] = "SetTiffDllName";
constexpr size_t kBmpFileHeader = 14;
constexpr WORD kBmpMagic = 0x4D42;  // "BM"
// A picture file larger than this is refused before it is read.
constexpr LONGLONG kMaxPictureFileBytes = 512ll * 1024 * 1024;
constexpr int kFullBrightness = 255;

std::wstring Extension(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    std::wstring ext = dot == std::wstring::npos ? std::wstring() : path.substr(dot + 1);
    for (auto& c : ext) c = static_cast<wchar_t>(std::towupper(c));
    return ext;
}

UniqueHGlobal LoadBmp(const std::wstring& path, std::wstring& error) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        error = FormatW(L"cannot open %s (%lu)", path.c_str(), ::GetLastError());
        return {};
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= static_cast<LONGLONG>(kBmpFileHeader) ||
        size.QuadPart > kMaxPictureFileBytes) {
        error = FormatW(L"%s is no BMP file of a usable size", path.c_str());
        return {};
    }
    BYTE fileHeader[kBmpFileHeader];
    DWORD read = 0;
    if (!::ReadFile(file.get(), fileHeader, sizeof(fileHeader), &read, nullptr) || read != sizeof(fileHeader) ||
        (fileHeader[0] | fileHeader[1] << 8) != kBmpMagic) {
        error = FormatW(L"%s is no BMP file", path.c_str());
        return {};
    }
    const DWORD rest = static_cast<DWORD>(size.QuadPart - kBmpFileHeader);
    UniqueHGlobal dib(::GlobalAlloc(GMEM_MOVEABLE, rest));
    if (!dib) {
        error = L"out of memory";
        return {};
    }
    {
        GlobalLockGuard<BYTE> lock(dib.get());
        if (!lock || !::ReadFile(file.get(), lock.get(), rest, &read, nullptr) || read != rest) {
            error = FormatW(L"%s cannot be read", path.c_str());
            return {};
        }
    }
    return dib;
}

UniqueHGlobal LoadJpeg(const std::wstring& path, const TarnwellDEVMODE& dm, std::wstring& error) {
    std::wstring configured = dm.GetText(dmtext::JPEGDllName);
    if (configured.empty()) configured = kJpegLibraryName;
    std::wstring library;
    if (!GetCorrectDllName(configured, library)) library = configured;
    UniqueModule module(::LoadLibraryW(library.c_str()));
    if (!module) {
        error = FormatW(L"%s cannot be loaded", library.c_str());
        return {};
    }
    auto load = reinterpret_cast<PFN_LoadJPEGIntoDIBW>(reinterpret_cast<void*>(::GetProcAddress(module.get(), kLoadJpeg)));
    auto setTiff =
        reinterpret_cast<PFN_SetTiffDllName>(reinterpret_cast<void*>(::GetProcAddress(module.get(), kSetTiffDllName)));
    if (!load) {
        error = FormatW(L"%s has no %S", library.c_str(), kLoadJpeg);
        return {};
    }
    if (setTiff) setTiff(ToUtf8(TiffLibraryPath(dm)).c_str());
    UniqueHGlobal dib(load(path.c_str()));
    if (!dib) error = FormatW(L"%s is no JPEG picture the library can read", path.c_str());
    return dib;
}

UniqueHGlobal LoadTiff(const std::wstring& path, const TarnwellDEVMODE& dm, std::wstring& error) {
    CTiffLibrary tiff;
    if (!tiff.Load(dm) || !tiff.Fn().LoadTiffIntoDIBW) {
        error = FormatW(L"%s cannot be loaded", TiffLibraryPath(dm).c_str());
        return {};
    }
    UniqueHGlobal dib(tiff.Fn().LoadTiffIntoDIBW(path.c_str(), 0, 0));
    if (!dib) error = FormatW(L"%s is no TIFF picture the library can read", path.c_str());
    return dib;
}

BYTE AddLight(BYTE component, double light) {
    return static_cast<BYTE>(std::min(static_cast<double>(kFullBrightness), component + light));
}

}  // namespace

void CopyPicturePieces(HDC dc, const DibView& view, const std::vector<WatermarkCopy>& copies, DWORD rop, bool tileComments) {
    const auto* info = reinterpret_cast<const BITMAPINFO*>(view.Header());
    const void* bits = view.StoredRow(0);
    for (const WatermarkCopy& c : copies) {
        const int lines =
            ::StretchDIBits(dc, c.dx, c.dy, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh, bits, info, DIB_RGB_COLORS, rop);
        if (lines == 0 || lines == static_cast<int>(GDI_ERROR))
            TW_TRACE(annottext::kStretchDibitsFailed, static_cast<int>(::GetLastError()));
        if (tileComments) PutTileComment(dc);
    }
}

UniqueHGlobal LoadWatermarkPicture(const std::wstring& path, const TarnwellDEVMODE& dm, std::wstring& error,
                                   bool keepAlpha) {
    TW_TRACE(L"> LoadWatermarkPicture %s", path.c_str());
    const std::wstring ext = Extension(path);
    UniqueHGlobal dib;
    if (ext == L"BMP") dib = LoadBmp(path, error);
    // ".jpeg" is a JPEG file too, not one for the TIFF library.
    else if (ext == L"JPG" || ext == L"JPEG") dib = LoadJpeg(path, dm, error);
    else if (ext == L"PNG") {
        dib = LoadPngPicture(path, error, keepAlpha);
    } else dib = LoadTiff(path, dm, error);
    if (!dib) return dib;
    // Whatever a library handed back is checked like a file: a picture nobody can draw is refused.
    dib = keepAlpha ? NormaliseAlphaPicture(std::move(dib)) : Reduce32To24(std::move(dib));
    LONG w = 0, h = 0;
    if (!DibView(dib.get()).valid() && !(keepAlpha && ReadAlphaShape(dib.get(), w, h))) {
        error = FormatW(L"%s is no picture this monitor can draw", path.c_str());
        return {};
    }
    return dib;
}

UniqueHGlobal LightenPicture(HGLOBAL dib, DWORD brightness) {
    DibView in(dib);
    if (!in.valid()) return {};
    const DibShape& s = in.Shape();
    UniqueHGlobal out(NewPackedDib(s.width, s.height, kBits24, nullptr, 0, s.xPelsPerMeter, s.yPelsPerMeter));
    DibView view(out.get());
    if (!view.valid()) return {};
    const double b = std::min<DWORD>(brightness, 100) / 100.0;
    const double light = b * kFullBrightness;
    const double light24 = static_cast<int>((brightness == 0 ? 1 : std::min<DWORD>(brightness, 100)) / 100.0 *
                                            kFullBrightness);
    const BYTE grey = static_cast<BYTE>(light);
    std::vector<BYTE> rgb(static_cast<size_t>(s.width) * 3);
    for (LONG y = 0; y < s.height; ++y) {
        in.ExpandRowToRgb(y, rgb.data());
        BYTE* dst = view.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x) {
            const BYTE r = rgb[x * 3], g = rgb[x * 3 + 1], bl = rgb[x * 3 + 2];
            BYTE* px = dst + x * 3;  // blue, green, red
            if (s.bits == kBits1) {
                if (r == kFullBrightness) px[0] = bl, px[1] = g, px[2] = r;
                else px[0] = px[1] = px[2] = grey;
            } else if (s.bits == kBits24) {
                px[0] = AddLight(bl, light24), px[1] = AddLight(g, light24), px[2] = AddLight(r, light24);
            } else {
                px[0] = AddLight(bl, light), px[1] = AddLight(g, light), px[2] = AddLight(r, light);
            }
        }
    }
    return out;
}

std::vector<WatermarkCopy> PlanWatermark(DWORD code, int w, int h, int W, int H) {
    std::vector<WatermarkCopy> copies;
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return copies;
    switch (code) {
    case 1: copies.push_back({0, 0, W, H, 0, 0, w, h}); break;
    case 2:
    case 32:
    case 128: {
        const double f = static_cast<double>(W) / w;
        const int dh = static_cast<int>(h * f);
        int top = code == 2 ? (H - dh) / 2 : code == 32 ? H - dh : 0;
        if (top < 0) top = 0;
        copies.push_back({0, top, W, dh, 0, 0, w, h});
        break;
    }
    case 4:
    case 16:
    case 64: {
        WatermarkCopy c{0, 0, w, h, 0, 0, w, h};
        if (w > W) c.sx = (w - W) / 2, c.sw = c.dw = W;
        else c.dx = (W - w) / 2;
        if (h > H) c.sy = code == 4 ? (h - H) / 2 : h - H, c.sh = c.dh = H;
        else c.dy = code == 4 ? (H - h) / 2 : code == 16 ? H - h : 0;
        copies.push_back(c);
        break;
    }
    case 8:
        for (int y = 0; y < H && copies.size() < kMaxWatermarkTiles; y += h)
            for (int x = 0; x < W && copies.size() < kMaxWatermarkTiles; x += w) copies.push_back({x, y, w, h, 0, 0, w, h});
        break;
    default: TW_TRACE(annottext::kWatermarkExit2); break;
    }
    return copies;
}

bool DrawWatermarkPicture(HDC dc, HGLOBAL dib, DWORD code, int W, int H, bool stretchBlt) {
    DibView view(dib);
    if (!view.valid()) return false;
    const std::vector<WatermarkCopy> copies = PlanWatermark(code, view.Shape().width, view.Shape().height, W, H);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(view.Header());
    const void* bits = view.StoredRow(0);
    if (stretchBlt) {
        UniqueGdiObject bitmap(::CreateDIBitmap(dc, view.Header(), CBM_INIT, bits, info, DIB_RGB_COLORS));
        UniqueDC memory(::CreateCompatibleDC(dc));
        if (!bitmap || !memory) {
            TW_TRACE(annottext::kCreateDibitmapFailed, static_cast<int>(::GetLastError()));
            return false;
        }
        SelectGuard select(memory.get(), bitmap.get());
        for (const WatermarkCopy& c : copies) {
            // The memory bitmap counts rows from the top.
            const int top = view.Shape().height - c.sy - c.sh;
            if (!::StretchBlt(dc, c.dx, c.dy, c.dw, c.dh, memory.get(), c.sx, top, c.sw, c.sh, SRCCOPY))
                TW_TRACE(annottext::kStretchBltFailed, static_cast<int>(::GetLastError()));
        }
        return true;
    }
    CopyPicturePieces(dc, view, copies, SRCCOPY, false);
    return true;
}

}  // namespace tw
