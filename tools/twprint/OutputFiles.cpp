#include "OutputFiles.h"

#include <cstring>

#include "HostPaths.h"
#include "TiffFacts.h"
#include "base/UniqueHandle.h"

namespace twprint {
namespace {

constexpr double kMetresPerInch = 0.0254;
constexpr size_t kBmpHeadersSize = 54;  // file header and BITMAPINFOHEADER
constexpr ULONGLONG kMaxTiffReadBytes = 256ull << 20;  // larger files are listed without their facts

int DpiOf(LONG pelsPerMeter) { return static_cast<int>(pelsPerMeter * kMetresPerInch + 0.5); }

void ReadBmpFacts(HANDLE file, OutputFileFacts& facts) {
    BYTE head[kBmpHeadersSize] = {};
    DWORD read = 0;
    if (!::ReadFile(file, head, sizeof(head), &read, nullptr) || read != sizeof(head)) return;
    if (head[0] != 'B' || head[1] != 'M') return;
    BITMAPINFOHEADER h;
    std::memcpy(&h, head + 14, sizeof(h));
    facts.format = "bmp";
    facts.width = h.biWidth;
    facts.height = h.biHeight;
    facts.bitsPerPixel = h.biBitCount;
    facts.xDpi = DpiOf(h.biXPelsPerMeter);
    facts.yDpi = DpiOf(h.biYPelsPerMeter);
}

}  // namespace

std::wstring LinuxPathOf(const std::wstring& path) {
    if (path.size() < 3 || (path[0] != L'Z' && path[0] != L'z') || path[1] != L':') return {};
    std::wstring out = path.substr(2);
    for (wchar_t& c : out)
        if (c == L'\\') c = L'/';
    return out;
}

OutputFileFacts InspectOutputFile(const std::wstring& path) {
    OutputFileFacts facts;
    facts.path = path;
    facts.hostPath = LinuxPathOf(path);
    tw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return facts;
    facts.exists = true;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size)) facts.size = static_cast<ULONGLONG>(size.QuadPart);
    ReadBmpFacts(file.get(), facts);
    file.reset();
    std::vector<BYTE> bytes;
    TiffFacts tiff;
    if (facts.format.empty() && facts.size <= kMaxTiffReadBytes && ReadWholeFile(path, bytes) &&
        ReadTiffFacts(bytes, tiff)) {
        facts.format = "tiff";
        facts.width = static_cast<LONG>(tiff.width);
        facts.height = static_cast<LONG>(tiff.height);
        facts.bitsPerPixel = tiff.bitsPerPixel;
        facts.xDpi = tiff.xDpi;
        facts.yDpi = tiff.yDpi;
        facts.pages = tiff.pages;
        facts.compression = tiff.compression;
    }
    return facts;
}

}  // namespace twprint
