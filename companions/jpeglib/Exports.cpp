// The exported entry points: argument checks, files in and out, and the DIB blocks.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "DibSource.h"
#include "Jpeg32.h"
#include "JpegCodec.h"
#include "LibraryError.h"
#include "base/CriticalSection.h"
#include "base/UniqueHandle.h"

namespace twjpeg {
namespace {

constexpr int kDefaultQuality = 75;
constexpr LONGLONG kMaxFileBytes = 256ll * 1024 * 1024;

// Built when the library is loaded, not at first use: a guarded local static goes through the
// threads runtime, which keeps a TLS slot for good on every load.
tw::CriticalSection g_tiffNameLock;
std::string g_tiffName;

tw::CriticalSection& TiffNameLock() { return g_tiffNameLock; }
std::string& TiffName() { return g_tiffName; }

WORD Word(const BYTE* block, size_t offset) {
    WORD v;
    std::memcpy(&v, block + offset, sizeof(v));
    return v;
}
DWORD Dword(const BYTE* block, size_t offset) {
    DWORD v;
    std::memcpy(&v, block + offset, sizeof(v));
    return v;
}

int ClampQuality(int quality) { return quality <= 0 ? kDefaultQuality : std::min(quality, 100); }

// The coded bytes go to the file whole, or the file is removed again.
int WriteFileWhole(const wchar_t* fileName, const unsigned char* data, unsigned long size) {
    tw::UniqueFile file(::CreateFileW(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Fail(JPEG_ERR_OPEN);
    DWORD written = 0;
    if (!::WriteFile(file.get(), data, size, &written, nullptr) || written != size) {
        file.reset();
        ::DeleteFileW(fileName);
        return Fail(JPEG_ERR_IO);
    }
    return JPEG_OK;
}

int SaveDib(LPCWSTR fileName, HGLOBAL dib, const EncodeSettings& settings) {
    if (!fileName || !*fileName || !dib) return Fail(JPEG_ERR_INVALID_ARGUMENT);
    unsigned char* coded = nullptr;
    unsigned long size = 0;
    {
        // The DIB stays locked only while it is coded.
        tw::GlobalLockGuard<BYTE> lock(dib);
        if (!lock) return Fail(JPEG_ERR_INVALID_ARGUMENT);
        DibSource source;
        if (!source.Open(lock.get(), lock.size())) return Error();
        if (int rc = EncodeDib(source, settings, &coded, &size); rc != JPEG_OK) return rc;
    }
    int rc = WriteFileWhole(fileName, coded, size);
    std::free(coded);
    return rc;
}

bool ReadWholeFile(LPCWSTR fileName, std::string& data) {
    tw::UniqueFile file(::CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return Fail(JPEG_ERR_OPEN), false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return Fail(JPEG_ERR_IO), false;
    if (size.QuadPart > kMaxFileBytes) return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), false;
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!data.empty() && (!::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr) ||
                          got != data.size()))
        return Fail(JPEG_ERR_IO), false;
    return true;
}

}  // namespace
}  // namespace twjpeg

using namespace twjpeg;

extern "C" int WINAPI SaveDIBInJPEGFileW(LPCWSTR fileName, HGLOBAL dib, int quality) {
    EncodeSettings settings;
    settings.quality = ClampQuality(quality);
    return SaveDib(fileName, dib, settings);
}

extern "C" int WINAPI SaveDIBInJPEGFileExW(LPCWSTR fileName, HGLOBAL dib, const BYTE* params) {
    if (!params) return Fail(JPEG_ERR_INVALID_ARGUMENT);
    const WORD space = Word(params, JPEG_EX_COLOR_SPACE);
    const WORD h = Word(params, JPEG_EX_H_SUBSAMPLING), v = Word(params, JPEG_EX_V_SUBSAMPLING);
    const DWORD restart = Dword(params, JPEG_EX_RESTART_ROWS);
    if (space > JPEG_COLOR_SPACE_CIELAB || h > 2 || v > 2 || restart > 65535) return Fail(JPEG_ERR_INVALID_ARGUMENT);
    EncodeSettings settings;
    settings.quality = ClampQuality(Word(params, JPEG_EX_QUALITY));
    settings.lab = space == JPEG_COLOR_SPACE_CIELAB;
    settings.hSubsampling = h == 2 ? 2 : 1;
    settings.vSubsampling = v == 2 ? 2 : 1;
    settings.optimize = Dword(params, JPEG_EX_OPTIMIZE) != 0;
    settings.restartRows = static_cast<int>(restart);
    return SaveDib(fileName, dib, settings);
}

extern "C" HGLOBAL WINAPI LoadJPEGIntoDIBW(LPCWSTR fileName) {
    if (!fileName || !*fileName) return Fail(JPEG_ERR_INVALID_ARGUMENT), nullptr;
    std::string data;
    if (!ReadWholeFile(fileName, data)) return nullptr;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(data.data());
    DecodedHeader header;
    if (ReadJpegHeader(bytes, data.size(), &header) != JPEG_OK) return nullptr;
    // A header may claim any size up to 65535 x 65535: refuse what this library will not hold.
    if (header.width <= 0 || header.height <= 0 ||
        static_cast<unsigned long long>(header.width) * static_cast<unsigned long long>(header.height) > kMaxPixels)
        return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), nullptr;
    const int bitCount = header.components * 8;
    const size_t colours = header.components == 1 ? 256 : 0;
    const size_t stride = (static_cast<size_t>(header.width) * bitCount + 31) / 32 * 4;
    const size_t bitsOffset = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    tw::UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bitsOffset + stride * header.height));
    if (!block) return Fail(JPEG_ERR_NO_MEMORY), nullptr;
    {
        tw::GlobalLockGuard<BYTE> lock(block.get());
        if (!lock) return Fail(JPEG_ERR_NO_MEMORY), nullptr;
        BITMAPINFOHEADER bih{};
        bih.biSize = sizeof(bih);
        bih.biWidth = header.width;
        bih.biHeight = header.height;
        bih.biPlanes = 1;
        bih.biBitCount = static_cast<WORD>(bitCount);
        bih.biCompression = BI_RGB;
        bih.biSizeImage = static_cast<DWORD>(stride * header.height);
        bih.biXPelsPerMeter = header.xPelsPerMeter;
        bih.biYPelsPerMeter = header.yPelsPerMeter;
        bih.biClrUsed = static_cast<DWORD>(colours);
        std::memcpy(lock.get(), &bih, sizeof(bih));
        auto* palette = reinterpret_cast<RGBQUAD*>(lock.get() + sizeof(bih));
        for (size_t i = 0; i < colours; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        if (DecodeJpeg(bytes, data.size(), lock.get() + bitsOffset, stride, header.height) != JPEG_OK) return nullptr;
    }
    return block.release();
}

extern "C" void WINAPI SetTiffDllName(LPCSTR path) {
    tw::CsLock lock(TiffNameLock());
    TiffName() = path ? path : "";
}

extern "C" int WINAPI GetTiffDllName(LPSTR buffer, int size) {
    tw::CsLock lock(TiffNameLock());
    const int length = static_cast<int>(TiffName().size());
    if (!buffer || size <= length) return length + 1;  // the size needed, terminator included
    std::memcpy(buffer, TiffName().c_str(), length + 1);
    return length;
}

extern "C" int WINAPI JpegError(void) { return Error(); }
extern "C" void WINAPI SetJpegError(int error) { SetError(error); }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_THREAD_DETACH) twjpeg::ReleaseThreadError();
    return TRUE;
}
