#include "Annotations.h"

#include <cstring>
#include <sstream>

namespace coverpage {
namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Coordinates beyond this are refused: they come from another process and feed GDI.
constexpr int kMaxCoordinate = 1000000;

bool InRange(int v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; }

// The rest of the line after one blank, as the text of a text object.
std::string Rest(std::istringstream& in) {
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    return rest;
}

}  // namespace

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Base64Encode(const std::vector<BYTE>& bytes) {
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        for (int s = 18; s >= 0; s -= 6) out += kBase64[(v >> s) & 63];
    }
    if (i < bytes.size()) {
        unsigned v = bytes[i] << 16;
        if (i + 1 < bytes.size()) v |= bytes[i + 1] << 8;
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kBase64[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::vector<BYTE>> Base64Decode(const std::string& text) {
    std::vector<BYTE> out;
    unsigned v = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        const char* p = c ? std::strchr(kBase64, c) : nullptr;
        if (!p) return std::nullopt;
        v = (v << 6) | static_cast<unsigned>(p - kBase64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<BYTE>((v >> bits) & 0xFF));
        }
    }
    return out;
}

std::string FormatPage(const PageAnnotations& page) {
    std::ostringstream out;
    for (const AnnoText& t : page.texts) {
        std::wstring face = t.face;
        for (wchar_t& c : face)
            if (c == L' ') c = L'_';
        out << "text " << t.x << ' ' << t.y << ' ' << t.points << ' ' << ToUtf8(face) << ' ' << ToUtf8(t.text) << '\n';
    }
    for (const AnnoLine& l : page.lines)
        out << "line " << l.x1 << ' ' << l.y1 << ' ' << l.x2 << ' ' << l.y2 << ' ' << l.width << '\n';
    for (const AnnoRect& r : page.rects)
        out << "rect " << r.x << ' ' << r.y << ' ' << r.cx << ' ' << r.cy << ' ' << r.width << ' ' << (r.filled ? 1 : 0)
            << '\n';
    for (const AnnoImage& i : page.images)
        out << "image " << i.x << ' ' << i.y << ' ' << i.cx << ' ' << i.cy << ' ' << Base64Encode(i.dib) << '\n';
    return out.str();
}

std::optional<PageAnnotations> ParsePage(const std::string& utf8, int xdpi, int ydpi) {
    PageAnnotations page;
    page.xdpi = xdpi;
    page.ydpi = ydpi;
    std::istringstream lines(utf8);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "text") {
            AnnoText t;
            std::string face;
            if (!(in >> t.x >> t.y >> t.points >> face) || t.points <= 0 || t.points > 1000) return std::nullopt;
            t.face = FromUtf8(face);
            for (wchar_t& c : t.face)
                if (c == L'_') c = L' ';
            if (t.face.size() >= LF_FACESIZE) return std::nullopt;
            t.text = FromUtf8(Rest(in));
            if (!InRange(t.x) || !InRange(t.y)) return std::nullopt;
            page.texts.push_back(std::move(t));
        } else if (kind == "line") {
            AnnoLine l;
            if (!(in >> l.x1 >> l.y1 >> l.x2 >> l.y2 >> l.width)) return std::nullopt;
            if (!InRange(l.x1) || !InRange(l.y1) || !InRange(l.x2) || !InRange(l.y2) || l.width < 0 ||
                l.width > kMaxCoordinate)
                return std::nullopt;
            page.lines.push_back(l);
        } else if (kind == "rect") {
            AnnoRect r;
            int filled = 0;
            if (!(in >> r.x >> r.y >> r.cx >> r.cy >> r.width >> filled)) return std::nullopt;
            if (!InRange(r.x) || !InRange(r.y) || r.cx < 0 || r.cy < 0 || r.cx > kMaxCoordinate ||
                r.cy > kMaxCoordinate || r.width < 0 || r.width > kMaxCoordinate)
                return std::nullopt;
            r.filled = filled != 0;
            page.rects.push_back(r);
        } else if (kind == "image") {
            AnnoImage i;
            std::string data;
            if (!(in >> i.x >> i.y >> i.cx >> i.cy >> data)) return std::nullopt;
            auto bytes = Base64Decode(data);
            if (!bytes || !InRange(i.x) || !InRange(i.y) || i.cx <= 0 || i.cy <= 0 || i.cx > kMaxCoordinate ||
                i.cy > kMaxCoordinate)
                return std::nullopt;
            i.dib = std::move(*bytes);
            page.images.push_back(std::move(i));
        }
    }
    return page;
}

}  // namespace coverpage
