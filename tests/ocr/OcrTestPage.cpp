#include "OcrTestPage.h"

#include <cstring>
#include <cwctype>
#include <map>

namespace twtest {

const std::vector<std::wstring> kOcrLines = {
    L"The quick brown fox jumps over the lazy dog.",
    L"Invoice number 4711 was paid on Monday morning.",
    L"Please forward this letter to the accounting department.",
};

HGLOBAL MakeTextPage(const std::vector<std::wstring>& lines, LONG width, LONG height, int dpi, WORD bits) {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD palette[2];
    } info{};
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    info.h.biWidth = width;
    info.h.biHeight = height;
    info.h.biPlanes = 1;
    info.h.biBitCount = bits;
    info.h.biCompression = BI_RGB;
    info.h.biXPelsPerMeter = info.h.biYPelsPerMeter = static_cast<LONG>(dpi * 10000 / 254.0 + 0.5);
    info.h.biClrUsed = bits == 1 ? 2 : 0;
    info.palette[1] = RGBQUAD{255, 255, 255, 0};
    void* pixels = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0);
    HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
    ::PatBlt(dc, 0, 0, width, height, WHITENESS);
    HFONT font = ::CreateFontW(-MulDiv(12, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                               ANTIALIASED_QUALITY, 0, L"Liberation Sans");
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    int y = dpi / 2;
    for (const auto& line : lines) {
        ::TextOutW(dc, dpi / 2, y, line.c_str(), static_cast<int>(line.size()));
        y += MulDiv(20, dpi, 72);
    }
    ::GdiFlush();
    const DWORD stride = ((width * bits + 31) / 32) * 4;
    const SIZE_T header = sizeof(BITMAPINFOHEADER) + info.h.biClrUsed * sizeof(RGBQUAD);
    HGLOBAL dib = ::GlobalAlloc(GMEM_MOVEABLE, header + SIZE_T(stride) * height);
    BYTE* p = static_cast<BYTE*>(::GlobalLock(dib));
    std::memcpy(p, &info, header);
    std::memcpy(p + header, pixels, SIZE_T(stride) * height);
    ::GlobalUnlock(dib);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);
    ::SelectObject(dc, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return dib;
}

std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring word;
    auto flush = [&] {
        while (!word.empty() && std::iswpunct(word.back())) word.pop_back();
        while (!word.empty() && std::iswpunct(word.front())) word.erase(word.begin());
        if (!word.empty()) words.push_back(word);
        word.clear();
    };
    for (wchar_t c : text) {
        if (std::iswspace(c)) flush();
        else word += c;
    }
    flush();
    return words;
}

double WordAccuracy(const std::vector<std::wstring>& expected, const std::wstring& text) {
    std::map<std::wstring, int> found;
    for (const auto& w : Words(text)) ++found[w];
    size_t hits = 0;
    for (const auto& w : expected) {
        auto it = found.find(w);
        if (it != found.end() && it->second > 0) {
            --it->second;
            ++hits;
        }
    }
    return expected.empty() ? 1.0 : double(hits) / expected.size();
}

std::wstring OcrLibraryPath() {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, n);
    return self.substr(0, self.find_last_of(L'\\') + 1) + L"TwOCRx.dll";
}

OcrLibrary::OcrLibrary() {
    module = ::LoadLibraryW(OcrLibraryPath().c_str());
    if (!module) return;
    recognise = reinterpret_cast<PFN_OCRDIBW>(reinterpret_cast<void*>(::GetProcAddress(module, "OCRDIBW")));
    recogniseEx = reinterpret_cast<PFN_OCRDIBEXW>(reinterpret_cast<void*>(::GetProcAddress(module, "OCRDIBExW")));
    freeText = reinterpret_cast<PFN_TWOCRFREETEXTW>(reinterpret_cast<void*>(::GetProcAddress(module, "TwOCRFreeTextW")));
}

OcrLibrary::~OcrLibrary() {
    if (module) ::FreeLibrary(module);
}

std::wstring OcrLibrary::Run(HGLOBAL dib, const wchar_t* languages, int kind, int& status, int pageIndex) {
    LPWSTR text = nullptr;
    status = recogniseEx(dib, &text, languages, nullptr, kind, pageIndex);
    std::wstring out = text ? text : L"";
    if (text) freeText(text);
    return out;
}

}  // namespace twtest
