#include "PageStream.h"

#include <cwchar>
#include <cwctype>

#include "HostPaths.h"
#include "base/WideString.h"
#include "host/StreamReader.h"
#include "host/StreamWriter.h"
#include "portcmd/DevModeFields.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/PortCmdLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace twprint {
namespace {

bool ParseInt(const std::wstring& text, long& out) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    errno = 0;
    out = std::wcstol(text.c_str(), &end, 10);
    return *end == L'\0' && errno == 0;
}

bool EndsWithNoCase(const std::wstring& s, const wchar_t* suffix) {
    size_t n = std::wcslen(suffix);
    return s.size() >= n && tw::EqualsNoCase(std::wstring_view(s).substr(s.size() - n), suffix);
}

bool ApplySetting(const std::wstring& option, const std::wstring& value, twhost::DevModeBuilder& b,
                  std::wstring& error) {
    long n = 0;
    if (option == L"--landscape") {
        b.Landscape(true);
    } else if (option == L"--out") {
        b.OutputDirectory(HostPath(value));
    } else if (option == L"--format" || option == L"--color" || option == L"--dither") {
        if (!ParseInt(value, n) || (option != L"--dither" && n < 0)) {
            error = option + L" needs a number, not '" + value + L"'";
            return false;
        }
        if (option == L"--format") b.Format(static_cast<DWORD>(n));
        else if (option == L"--color") b.ColorMode(static_cast<DWORD>(n));
        else b.Dithering(n);
    } else if (option == L"--dpi") {
        size_t comma = value.find(L',');
        long x = 0, y = 0;
        bool ok = comma == std::wstring::npos ? ParseInt(value, x) && (y = x, true)
                                              : ParseInt(value.substr(0, comma), x) && ParseInt(value.substr(comma + 1), y);
        if (!ok || x < -6 || y < -6 || x > 32767 || y > 32767 || x == 0 || y == 0) {
            error = L"--dpi needs X[,Y] as DPI values or resolution codes -1 to -6, not '" + value + L"'";
            return false;
        }
        b.Dpi(static_cast<int>(x), static_cast<int>(y));
    } else if (option == L"--paper") {
        size_t x = value.find_first_of(L"xX");
        if (x == std::wstring::npos) {
            if (!ParseInt(value, n) || n <= 0 || n > 32767 || !b.PaperCode(static_cast<short>(n))) {
                error = L"--paper needs a known paper code or WIDTHxLENGTH in tenths of a mm, not '" + value + L"'";
                return false;
            }
        } else {
            long w = 0, l = 0;
            if (!ParseInt(value.substr(0, x), w) || !ParseInt(value.substr(x + 1), l) || w <= 0 || l <= 0 ||
                w > 1000000 || l > 1000000) {
                error = L"--paper WIDTHxLENGTH needs two positive sizes in tenths of a mm, not '" + value + L"'";
                return false;
            }
            b.PaperSize(static_cast<int>(w), static_cast<int>(l));
        }
    } else if (option == L"--dm") {
        size_t eq = value.find(L'=');
        if (eq == std::wstring::npos || eq == 0) {
            error = L"--dm needs NAME=VALUE, not '" + value + L"'";
            return false;
        }
        std::wstring why;
        if (!b.Set(value.substr(0, eq), value.substr(eq + 1), &why)) {
            error = L"--dm " + value + L": " + why;
            return false;
        }
    }
    return true;
}

}  // namespace

bool BuildDevMode(const Options& o, twhost::DevModeBuilder& builder, std::wstring& error) {
    if (o.devmodeFile && !builder.LoadFile(HostPath(*o.devmodeFile), error)) return false;
    if (!o.devmodeFile) {
        // The driver's default output directory here is where twprint was started.
        wchar_t cwd[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, cwd);
        builder.OutputDirectory(cwd);
    }
    if (o.listen.enabled) {
        // A client listens: the driver turns messaging on and names an interface unless the
        // options say otherwise.
        builder.Set(L"IsMessagingInterfaceEnabled", L"1");
        if (builder.Get(L"MessagingInterfaceName").empty())
            builder.Set(L"MessagingInterfaceName", tw::FormatW(L"TwPrint%lu-", ::GetCurrentProcessId()));
    }
    for (const auto& [option, value] : o.devmodeSettings)
        if (!ApplySetting(option, value, builder, error)) return false;
    return true;
}

bool BuildPageStream(const Options& o, const twhost::DevModeBuilder& devmode, std::vector<BYTE>& stream,
                     std::wstring& error) {
    twhost::StreamWriter writer;
    writer.StartDoc(devmode.View());
    for (const std::wstring& page : o.pages) {
        std::vector<BYTE> bytes;
        if (!ReadWholeFile(HostPath(page), bytes)) {
            error = L"cannot read page '" + page + L"'";
            return false;
        }
        writer.StartPage(devmode.View());
        for (const Options::TextOut& t : o.textOuts) writer.WriteTextOut(t.x, t.y, t.text);
        if (EndsWithNoCase(page, L".bmp")) {
            std::vector<BYTE> dib;
            std::wstring why;
            if (!twhost::BmpToPackedDib(bytes, dib, &why)) {
                error = L"page '" + page + L"': " + why;
                return false;
            }
            writer.EndPageRaw(dib);
        } else if (EndsWithNoCase(page, L".emf")) {
            writer.EndPage(bytes, o.placeable);
        } else {
            error = L"page '" + page + L"' is neither .emf nor .bmp";
            return false;
        }
    }
    writer.EndDoc();
    stream = writer.Bytes();
    return true;
}

std::wstring DumpStream(const std::vector<BYTE>& stream) {
    twhost::StreamListing listing = twhost::ReadStream(stream);
    std::wstring out = twhost::FormatListing(listing);
    for (const auto& cmd : listing.commands) {
        bool carriesDevMode = cmd.type == tw::PORT_CMD_START_DOC || cmd.type == tw::PORT_CMD_START_PAGE;
        if (!carriesDevMode || cmd.dataSize != tw::kDevModeSize || cmd.dataAvailable != tw::kDevModeSize) continue;
        const BYTE* data = stream.data() + cmd.offset + tw::portcmd::kHeaderSize;
        const auto* dm = tw::TarnwellDEVMODE::FromBytes(data);
        out += tw::FormatW(L"DEVMODE of %s at offset %zu:\n", cmd.name.c_str(), cmd.offset);
        for (const tw::DmField& field : tw::DevModeFieldTable())
            out += tw::FormatW(L"  %s = %s\n", field.name, tw::GetDevModeField(*dm, field).c_str());
    }
    return out;
}

}  // namespace twprint
