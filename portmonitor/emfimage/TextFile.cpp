// Writing the text output file.
#include "base/ByteOrderMarks.h"
#include "emfimage/TextFile.h"

#include "base/UniqueHandle.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr BYTE kLastLayoutMode = 2;
constexpr BYTE kLastEncoding = 3;

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
    DWORD written = 0;
    return size == 0 || (::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size);
}

}  // namespace

TextEncoding DmTextEncoding(const TarnwellDEVMODE* dm) {
    if (!dm) return TextEncoding::Ansi;
    const BYTE value = dm->Read<BYTE>(dmoff::TextEncoding);
    return value <= kLastEncoding ? static_cast<TextEncoding>(value) : TextEncoding::Ansi;
}

TextLayoutMode DmTextLayoutMode(const TarnwellDEVMODE* dm) {
    if (!dm) return TextLayoutMode::Grid;
    if (dm->DriverVersion() < dmrule::kAdvancedTextByteVersion)
        return dm->HasFlag(dmflag::IsAdvancedTextEnabled) ? TextLayoutMode::Advanced : TextLayoutMode::Plain;
    const BYTE value = dm->Read<BYTE>(dmoff::AdvancedText);
    return value <= kLastLayoutMode ? static_cast<TextLayoutMode>(value) : TextLayoutMode::Plain;
}

std::string EncodeText(const std::wstring& text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8: return Narrow(text, CP_UTF8);
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
        std::string out(text.size() * 2, '\0');
        const bool big = encoding == TextEncoding::Utf16Be;
        for (size_t i = 0; i < text.size(); ++i) {
            const auto unit = static_cast<unsigned>(text[i]);
            out[2 * i + (big ? 1 : 0)] = static_cast<char>(unit & 0xFF);
            out[2 * i + (big ? 0 : 1)] = static_cast<char>(unit >> 8);
        }
        return out;
    }
    case TextEncoding::Ansi: break;
    }
    return Narrow(text, CP_ACP);
}

bool AppendTextFile(const std::wstring& path, const std::wstring& text, TextEncoding encoding) {
    const std::string bytes = EncodeText(text, encoding);
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        TW_TRACE(L"AppendTextFile: cannot open %s (%lu)", path.c_str(), ::GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return false;
    bool ok = true;
    if (size.QuadPart == 0) {
        switch (encoding) {
        case TextEncoding::Utf8: ok = WriteAll(file.get(), kBomUtf8, sizeof(kBomUtf8)); break;
        case TextEncoding::Utf16Le: ok = WriteAll(file.get(), kBomUtf16Le, sizeof(kBomUtf16Le)); break;
        case TextEncoding::Utf16Be: ok = WriteAll(file.get(), kBomUtf16Be, sizeof(kBomUtf16Be)); break;
        case TextEncoding::Ansi: break;
        }
    } else {
        ok = ::SetFilePointerEx(file.get(), LARGE_INTEGER{}, nullptr, FILE_END) != FALSE;
    }
    if (!ok || !WriteAll(file.get(), bytes.data(), bytes.size())) {
        TW_TRACE(L"AppendTextFile: writing %s failed (%lu)", path.c_str(), ::GetLastError());
        return false;
    }
    return true;
}

}  // namespace tw
