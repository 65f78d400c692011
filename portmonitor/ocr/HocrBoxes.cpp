// Moving hOCR boxes from the recognised bitmap's pixels to the page's.
#include "ocr/HocrBoxes.h"

#include <cwctype>

namespace tw {
namespace {

constexpr wchar_t kBox[] = L"bbox ";
constexpr size_t kBoxLength = sizeof(kBox) / sizeof(wchar_t) - 1;
constexpr int kBoxValues = 4;

// Reads the decimal number at `at` (after spaces); false when there is none.
bool ReadNumber(const std::wstring& text, size_t& at, long long& value) {
    while (at < text.size() && text[at] == L' ') ++at;
    size_t start = at;
    value = 0;
    while (at < text.size() && std::iswdigit(text[at]) && at - start < 12) value = value * 10 + (text[at++] - L'0');
    return at > start;
}

}  // namespace

void MapHocrBoxes(std::wstring& hocr, const HocrMapping& mapping) {
    if (mapping.scale == 1 && mapping.left == 0 && mapping.top == 0) return;
    const int scale = mapping.scale > 0 ? mapping.scale : 1;
    std::wstring out;
    out.reserve(hocr.size());
    size_t copied = 0;
    for (size_t found = hocr.find(kBox); found != std::wstring::npos; found = hocr.find(kBox, copied)) {
        size_t at = found + kBoxLength;
        long long values[kBoxValues];
        bool whole = true;
        for (int i = 0; i < kBoxValues && whole; ++i) whole = ReadNumber(hocr, at, values[i]);
        if (!whole) {
            out.append(hocr, copied, at - copied);
            copied = at;
            continue;
        }
        out.append(hocr, copied, found + kBoxLength - copied);
        for (int i = 0; i < kBoxValues; ++i) {
            const long long offset = i % 2 == 0 ? mapping.left : mapping.top;
            if (i) out += L' ';
            out += std::to_wstring(values[i] / scale + offset);
        }
        copied = at;
    }
    out.append(hocr, copied, std::wstring::npos);
    hocr.swap(out);
}

}  // namespace tw
