// The GIF container around the LZW coder: header, logical screen, global colour table, one image
// descriptor, the image data, the block terminator and the trailer.
#include <cstring>
#include <vector>

#include "base/UniqueHandle.h"
#include "monitor/Trace.h"
#include "twfile/ModuleErrorSlot.h"
#include "twfile/TiffRows.h"
#include "twfile/gif/GifLzw.h"
#include "twfile/gif/GifModule.h"

namespace tw {
namespace {

CModuleErrorSlot g_errorSlot;

constexpr char kSignature[] = "GIF87a";
constexpr BYTE kGlobalTablePresent = 0x80;
constexpr BYTE kImageSeparator = 0x2C;
constexpr BYTE kBlockTerminator = 0x00;
constexpr BYTE kTrailer = 0x3B;
constexpr LONG kMaxSide = 0xFFFF;

void SetGifError(int error) { g_errorSlot.Set(static_cast<uintptr_t>(error)); }

void PutWord(std::vector<BYTE>& out, LONG value) {
    out.push_back(static_cast<BYTE>(value & 0xFF));
    out.push_back(static_cast<BYTE>((value >> 8) & 0xFF));
}

// Everything before the image data: signature, logical screen, global colour table (palette
// entries past the DIB's own are black) and the image descriptor.
std::vector<BYTE> ContainerHead(const DibView& view) {
    const int bits = view.bitCount;
    std::vector<BYTE> out(kSignature, kSignature + 6);
    PutWord(out, view.width);
    PutWord(out, view.height);
    out.push_back(static_cast<BYTE>(kGlobalTablePresent | ((bits - 1) << 4) | (bits - 1)));
    out.push_back(0);  // background colour index
    out.push_back(0);  // pixel aspect ratio
    for (DWORD i = 0; i < (1u << bits); ++i) {
        const RGBQUAD c = i < view.paletteEntries ? view.palette[i] : RGBQUAD{};
        out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
    out.push_back(kImageSeparator);
    PutWord(out, 0);
    PutWord(out, 0);
    PutWord(out, view.width);
    PutWord(out, view.height);
    out.push_back(static_cast<BYTE>(bits - 1));  // no local table, not interlaced
    return out;
}

bool WriteAll(HANDLE file, const BYTE* data, size_t size) {
    DWORD done = 0;
    return ::WriteFile(file, data, static_cast<DWORD>(size), &done, nullptr) && done == size;
}

UniqueFile CreateGifFile(const wchar_t* fileName, GifCreation creation) {
    UniqueFile file(::CreateFileW(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || creation != GifCreation::NewOrEmptyReservation || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    UniqueFile existing(::CreateFileW(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (existing && ::GetFileSizeEx(existing.get(), &size) && size.QuadPart == 0) return existing;
    ::SetLastError(ERROR_FILE_EXISTS);
    return UniqueFile();
}

int EncodeImage(const wchar_t* fileName, const DibView& view, GifCreation creation) {
    UniqueFile file = CreateGifFile(fileName, creation);
    if (!file) {
        TW_TRACE(L"SaveDIBInGIFFormat: CreateFile %s failed: %lu", fileName, ::GetLastError());
        return giferr::kFile;
    }
    const std::vector<BYTE> head = ContainerHead(view);
    GifPixels pixels{view.bits, view.width, view.height, view.stride, view.bitCount == 1 ? 1 : view.bitCount > 4 ? 8 : 4};
    const GifSink sink = [&file](const BYTE* data, size_t size) { return WriteAll(file.get(), data, size); };
    int error = WriteAll(file.get(), head.data(), head.size()) ? CompressGifImage(pixels, sink) : giferr::kFile;
    const BYTE tail[] = {kBlockTerminator, kTrailer};
    if (error == giferr::kNone && !WriteAll(file.get(), tail, sizeof(tail))) error = giferr::kFile;
    if (error != giferr::kNone) {
        // A GIF that ended half-way is no picture: it goes.
        const DWORD lastError = ::GetLastError();
        file.reset();
        ::DeleteFileW(fileName);
        ::SetLastError(lastError);
    }
    return error;
}

}  // namespace

BOOL TwGIFMain(DWORD reason) { return g_errorSlot.OnAttachReason(reason); }

int GifLastError() { return static_cast<int>(g_errorSlot.Get()); }

BOOL SaveDIBInGIFFormat(const wchar_t* fileName, HGLOBAL dib, int imageIndex, int* gifError, GifCreation creation) {
    TW_TRACE(L"> SaveDIBInGIFFormat");
    int error = giferr::kNone;
    if (imageIndex < 0 || imageIndex > kMaxImageIndex) {
        error = giferr::kImageIndex;
    } else {
        GlobalLockGuard<BYTE> bytes(dib);
        DibView view;
        if (!bytes || !fileName || !ViewDib(bytes.get(), bytes.size(), view) || view.bitCount > 8 ||
            view.width > kMaxSide || view.height > kMaxSide)
            error = giferr::kUnsupportedPage;
        else
            error = EncodeImage(fileName, view, creation);
    }
    SetGifError(error);
    if (gifError) *gifError = error;
    TW_TRACE(L"< SaveDIBInGIFFormat: %d", error);
    return error == giferr::kNone ? TRUE : FALSE;
}

}  // namespace tw
