#pragma once
// The annotations of cover pages: what the editor puts on a page, as objects with positions in
// the page's own pixels, and their text form (README.md, "Annotation format"), one object a line.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace coverpage {

struct AnnoText {
    int x = 0, y = 0;      // top left of the text, page pixels
    int points = 12;       // text height in points, at the page's resolution
    std::wstring face;     // font face name
    std::wstring text;
};
struct AnnoLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int width = 0;  // page pixels; 0 draws one device pixel wide
};
struct AnnoRect {
    int x = 0, y = 0, cx = 0, cy = 0;
    int width = 0;
    bool filled = false;
};
struct AnnoImage {
    int x = 0, y = 0, cx = 0, cy = 0;
    std::vector<BYTE> dib;  // a packed BI_RGB DIB
};

// All objects of one page and the page's resolution.
struct PageAnnotations {
    int xdpi = 200, ydpi = 200;
    std::vector<AnnoText> texts;
    std::vector<AnnoLine> lines;
    std::vector<AnnoRect> rects;
    std::vector<AnnoImage> images;
    bool Empty() const { return texts.empty() && lines.empty() && rects.empty() && images.empty(); }
};

// The text form of one page's objects (UTF-8), as stored in a page's annotation tag.
std::string FormatPage(const PageAnnotations& page);
// Reads the objects of `utf8`; none when a line is malformed. Unknown object kinds are skipped,
// so that later kinds do not break older readers.
std::optional<PageAnnotations> ParsePage(const std::string& utf8, int xdpi, int ydpi);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
std::string Base64Encode(const std::vector<BYTE>& bytes);
std::optional<std::vector<BYTE>> Base64Decode(const std::string& text);

}  // namespace coverpage
