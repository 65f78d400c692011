#include "ForwardedPage.h"

#include <cstring>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "notify/ForwardingRecords.h"
#include "portcmd/DevModeLayout.h"

namespace twforward {
namespace {

namespace fw = tw::forwarding;

bool ReadValue(HKEY key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    DWORD cb = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS) return false;
    data.resize(cb);
    return ::RegQueryValueExW(key, name, nullptr, &type, data.data(), &cb) == ERROR_SUCCESS;
}

LONG DevModeLong(const std::vector<BYTE>& dm, size_t offset) {
    LONG v = 0;
    if (dm.size() >= offset + sizeof(v)) std::memcpy(&v, dm.data() + offset, sizeof(v));
    return v;
}

bool Play(HDC dc, const std::wstring& path, const RECT& rect, std::wstring& error) {
    if (path.empty()) return true;
    tw::UniqueEnhMetaFile emf(::GetEnhMetaFileW(path.c_str()));
    if (!emf) {
        error = L"cannot read metafile " + path;
        return false;
    }
    if (!::PlayEnhMetaFile(dc, emf.get(), &rect)) {
        error = L"cannot play metafile " + path;
        return false;
    }
    return true;
}

bool SaveBmp(const std::wstring& path, const BITMAPINFOHEADER& header, const void* bits, DWORD bitsBytes) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + bitsBytes;
    tw::UniqueFile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out && ::WriteFile(out.get(), &file, sizeof(file), &written, nullptr) &&
           ::WriteFile(out.get(), &header, sizeof(header), &written, nullptr) &&
           ::WriteFile(out.get(), bits, bitsBytes, &written, nullptr) && written == bitsBytes;
}

}  // namespace

bool ReadText(HKEY key, const wchar_t* name, std::wstring& out) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(key, name, type, data) || type != REG_SZ) return false;
    out.assign(data.size() / sizeof(wchar_t), L'\0');
    if (!out.empty()) std::memcpy(out.data(), data.data(), out.size() * sizeof(wchar_t));
    while (!out.empty() && out.back() == L'\0') out.pop_back();
    return true;
}

bool ReadDword(HKEY key, const wchar_t* name, DWORD& out) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(key, name, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD)) return false;
    std::memcpy(&out, data.data(), sizeof(out));
    return true;
}

bool ReadPage(HKEY key, DWORD sequence, PageRecord& page, std::wstring& error) {
    page.sequence = sequence;
    DWORD type = 0;
    if (!ReadText(key, fw::kReady, page.ready) || !ReadText(key, fw::kPageFile, page.pageFile) ||
        !ReadText(key, fw::kUnderFile, page.underFile) || !ReadValue(key, fw::kDevMode, type, page.devMode) ||
        !ReadDword(key, fw::kDevModeSizeValue, page.devModeSize) || !ReadDword(key, fw::kSize, page.size)) {
        error = tw::FormatW(L"page record %lu is incomplete", sequence);
        return false;
    }
    for (DWORD c = 0;; ++c) {
        std::wstring above;
        if (!ReadText(key, tw::FormatW(fw::kAboveFileFormat, c).c_str(), above)) break;
        page.aboveFiles.push_back(above);
    }
    if (type != REG_BINARY || page.devMode.size() != page.devModeSize || page.devModeSize != tw::kDevModeSize) {
        error = tw::FormatW(L"page record %lu: DevMode of %lu bytes", sequence, static_cast<unsigned long>(page.devMode.size()));
        return false;
    }
    return true;
}

bool PrintPage(const PageRecord& page, size_t copy, const std::wstring& bmpPath, std::wstring& error) {
    const LONG width = DevModeLong(page.devMode, tw::dmoff::PageWidthInPixels);
    const LONG height = DevModeLong(page.devMode, tw::dmoff::PageHeightInPixels);
    if (width <= 0 || height <= 0 || width > 20000 || height > 20000) {
        error = tw::FormatW(L"page %lu: no page size (%ld x %ld)", page.sequence, width, height);
        return false;
    }
    BITMAPINFO info{};
    BITMAPINFOHEADER& h = info.bmiHeader;
    h.biSize = sizeof(h);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    h.biSizeImage = stride * static_cast<DWORD>(height);
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    tw::UniqueGdiObject bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap || !bits) {
        error = L"cannot create the page bitmap";
        return false;
    }
    std::memset(bits, 0xFF, h.biSizeImage);
    {
        tw::SelectGuard select(dc.get(), bitmap.get());
        const RECT rect{0, 0, width, height};
        const std::wstring above = copy < page.aboveFiles.size() ? page.aboveFiles[copy] : L"";
        if (!Play(dc.get(), page.underFile, rect, error) || !Play(dc.get(), page.pageFile, rect, error) ||
            !Play(dc.get(), above, rect, error))
            return false;
        ::GdiFlush();
    }
    if (!SaveBmp(bmpPath, h, bits, h.biSizeImage)) {
        error = L"cannot write " + bmpPath;
        return false;
    }
    return true;
}

}  // namespace twforward
