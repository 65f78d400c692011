// Writing and reading the troubleshooting page dump.
#include "emfimage/EdfDebugFile.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/IniFile.h"
#include "base/WideString.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr wchar_t kEmfExtension[] = L".emf";
constexpr wchar_t kGroupExtension[] = L".grp";
constexpr wchar_t kEdfExtension[] = L".edf";
constexpr LONGLONG kCounterSize = sizeof(DWORD);
// Entry names are "EMFFile_<counter>.emf": anything far longer is not a record of ours.
constexpr DWORD kMaxEntryNameChars = 64;
constexpr int kOpenAttempts = 50;
constexpr DWORD kOpenRetryMs = 20;

bool SeekTo(HANDLE file, LONGLONG offset) {
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return ::SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != FALSE;
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool ReadExact(HANDLE file, void* data, DWORD size) {
    DWORD read = 0;
    return ::ReadFile(file, data, size, &read, nullptr) && read == size;
}

LONGLONG FileSize(HANDLE file) {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

// One page record, written piece by piece; the step numbers name the piece in the log.
class EdfAppender {
public:
    EdfAppender(HANDLE file, const wchar_t* name) : m_file(file), m_name(name) {}
    bool Write(const void* data, DWORD size) {
        ++m_step;
        if (WriteAll(m_file, data, size)) return true;
        TW_TRACE(L"WriteEMFtoFileForDebug: Error in WriteFile (%d). File: %s Error: %d", m_step, m_name,
                 static_cast<int>(::GetLastError()));
        return false;
    }
    template <typename T>
    bool WriteValue(T value) { return Write(&value, sizeof(value)); }

private:
    HANDLE m_file;
    const wchar_t* m_name;
    int m_step = 0;
};

std::wstring EntryName(const wchar_t* format, DWORD counter) { return FormatW(format, static_cast<int>(counter)); }

// Reads `size` bytes at the file position into a new moveable block.
UniqueHGlobal ReadBlock(HANDLE file, DWORD size) {
    UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE, size ? size : 1));
    if (!block) return block;
    GlobalLockGuard<BYTE> p(block.get());
    if (!p || !ReadExact(file, p.get(), size)) return UniqueHGlobal();
    return block;
}

UniqueFile OpenForReading(const std::wstring& path) {
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

BOOL ReadWholeFile(const std::wstring& path, UniqueHGlobal& block, DWORD& size) {
    UniqueFile file = OpenForReading(path);
    if (!file) return FALSE;
    const LONGLONG length = FileSize(file.get());
    if (length <= 0 || static_cast<ULONGLONG>(length) > edf::kMaxPageBytes) return FALSE;
    block = ReadBlock(file.get(), static_cast<DWORD>(length));
    size = block ? static_cast<DWORD>(length) : 0;
    return block ? TRUE : FALSE;
}

// Walks the records of an EDF file, every length checked against what is left of the file,
// to the record of `pageNumber`.
BOOL ReadEdfPage(const std::wstring& path, DWORD pageNumber, UniqueHGlobal& block, DWORD& size) {
    UniqueFile file = OpenForReading(path);
    if (!file) return FALSE;
    const LONGLONG length = FileSize(file.get());
    const std::wstring emfName = EntryName(edf::kEmfEntryName, pageNumber);
    const std::wstring rawName = EntryName(edf::kRawEntryName, pageNumber);
    LONGLONG pos = kCounterSize;
    auto left = [&]() { return length - pos; };
    while (left() >= static_cast<LONGLONG>(sizeof(DWORD)) && SeekTo(file.get(), pos)) {
        DWORD chars = 0;
        if (!ReadExact(file.get(), &chars, sizeof(chars))) return FALSE;
        pos += sizeof(DWORD);
        if (chars == 0 || chars > kMaxEntryNameChars || static_cast<LONGLONG>(chars) * 2 > left()) return FALSE;
        std::wstring name(chars, L'\0');
        if (!ReadExact(file.get(), name.data(), chars * sizeof(wchar_t))) return FALSE;
        pos += chars * sizeof(wchar_t);
        name.resize(BoundedLength(name.c_str(), chars));
        DWORD dmSize = 0, dataSize = 0;
        if (left() < static_cast<LONGLONG>(sizeof(DWORD)) || !ReadExact(file.get(), &dmSize, sizeof(dmSize))) return FALSE;
        pos += sizeof(DWORD);
        if (dmSize > left()) return FALSE;
        pos += dmSize;
        if (left() < static_cast<LONGLONG>(sizeof(DWORD)) || !SeekTo(file.get(), pos) ||
            !ReadExact(file.get(), &dataSize, sizeof(dataSize)))
            return FALSE;
        pos += sizeof(DWORD);
        if (dataSize > left()) return FALSE;
        const bool raw = name == rawName;
        if (name == emfName || raw) {
            // A raw page was stored behind a bitmap file header; the page is what follows it.
            const DWORD skip = raw ? edf::kBitmapFileHeaderSize : 0;
            if (dataSize < skip || dataSize - skip > edf::kMaxPageBytes || !SeekTo(file.get(), pos + skip)) return FALSE;
            block = ReadBlock(file.get(), dataSize - skip);
            size = block ? dataSize - skip : 0;
            return block ? TRUE : FALSE;
        }
        pos += dataSize;
    }
    return FALSE;
}

BOOL ReadPageFile(const std::wstring& path, DWORD pageNumber, UniqueHGlobal& block, DWORD& size) {
    if (EqualsNoCase(::PathFindExtensionW(path.c_str()), kEdfExtension)) return ReadEdfPage(path, pageNumber, block, size);
    return ReadWholeFile(path, block, size);
}

}  // namespace

BOOL WriteEMFtoFileForDebug(const wchar_t* fileName, DWORD size, HGLOBAL pageBlock, const TarnwellDEVMODE& dm,
                            BOOL isRawData) {
    TW_TRACE(L"> WriteEMFtoFileForDebug %s", fileName ? fileName : L"");
    if (!fileName || !*fileName || !pageBlock) return FALSE;
    GlobalLockGuard<BYTE> page(pageBlock);
    if (!page || size > page.size() || (isRawData && size < sizeof(BITMAPINFOHEADER))) {
        TW_TRACE_FAILED(L"WriteEMFtoFileForDebug", L"PageData");
        return FALSE;
    }
    // The file is held alone while a record goes in; another job's page waits its turn.
    UniqueFile file;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        file.reset(::CreateFileW(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
        if (file || ::GetLastError() != ERROR_SHARING_VIOLATION) break;
        ::Sleep(kOpenRetryMs);
    }
    if (!file) {
        TW_TRACE(L"WriteEMFtoFileForDebug: Error in CreateFile. File: %s Error: %d", fileName,
                 static_cast<int>(::GetLastError()));
        return FALSE;
    }
    // A file too short for its counter holds no page: it starts again.
    LONGLONG end = FileSize(file.get());
    DWORD previous = 0;
    if (end < kCounterSize) {
        end = 0;
    } else if (!SeekTo(file.get(), 0) || !ReadExact(file.get(), &previous, sizeof(previous))) {
        TW_TRACE_FAILED(L"WriteEMFtoFileForDebug", L"ReadCounter");
        return FALSE;
    }
    const DWORD counter = previous + 1;
    const std::wstring name = EntryName(isRawData ? edf::kRawEntryName : edf::kEmfEntryName, counter);
    const DWORD nameChars = static_cast<DWORD>(name.size() + 1);

    EdfAppender out(file.get(), fileName);
    bool ok = SeekTo(file.get(), 0) && out.WriteValue<DWORD>(counter) && SeekTo(file.get(), std::max(end, kCounterSize)) &&
              out.WriteValue<DWORD>(nameChars) && out.Write(name.c_str(), nameChars * sizeof(wchar_t)) &&
              out.WriteValue<DWORD>(static_cast<DWORD>(kDevModeSize)) &&
              out.Write(dm.Bytes(), static_cast<DWORD>(kDevModeSize));
    if (ok && isRawData) {
        BITMAPINFOHEADER info;
        std::memcpy(&info, page.get(), sizeof(info));
        BYTE header[edf::kBitmapFileHeaderSize]{};
        const DWORD fileSize = size + edf::kBitmapFileHeaderSize;
        const DWORD offBits = edf::kBitmapHeadersSize + info.biClrUsed * sizeof(RGBQUAD);
        std::memcpy(header, &edf::kBitmapFileType, sizeof(WORD));
        std::memcpy(header + 2, &fileSize, sizeof(DWORD));
        std::memcpy(header + 10, &offBits, sizeof(DWORD));
        ok = out.WriteValue<DWORD>(fileSize) && out.Write(header, sizeof(header));
    } else if (ok) {
        ok = out.WriteValue<DWORD>(size);
    }
    ok = ok && out.Write(page.get(), size);
    if (!ok) {
        // A half-written record would make every later record unreadable: take it back.
        if (SeekTo(file.get(), end)) ::SetEndOfFile(file.get());
        if (end >= kCounterSize && SeekTo(file.get(), 0)) WriteAll(file.get(), &previous, sizeof(previous));
        TW_TRACE_FAILED(L"WriteEMFtoFileForDebug", L"WriteFile");
        return FALSE;
    }
    TW_TRACE(L"< WriteEMFtoFileForDebug: TRUE (%s)", name.c_str());
    return TRUE;
}

BOOL ReadDebugData(const wchar_t* fileName, DWORD pageNumber, UniqueHGlobal& block, DWORD& size) {
    TW_TRACE(L"> ReadDebugData %s %u", fileName ? fileName : L"", pageNumber);
    block.reset();
    size = 0;
    if (!fileName || !*fileName) return FALSE;
    std::wstring path = fileName;
    if (path.find(L'\\') == std::wstring::npos) path = std::wstring(edf::kRelativeRoot) + path;
    const wchar_t* extension = ::PathFindExtensionW(path.c_str());
    BOOL result = FALSE;
    if (EqualsNoCase(extension, kEmfExtension)) {
        result = ReadWholeFile(path, block, size);
    } else if (EqualsNoCase(extension, kEdfExtension)) {
        result = ReadEdfPage(path, pageNumber, block, size);
    } else if (EqualsNoCase(extension, kGroupExtension)) {
        std::wstring page = IniFile(path).GetString(FormatW(edf::kGroupPageSection, static_cast<int>(pageNumber)).c_str(),
                                                    edf::kGroupFileNameKey, L"");
        if (!page.empty()) {
            if (::PathIsRelativeW(page.c_str())) {
                const size_t slash = path.find_last_of(L"\\/");
                page = (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + page;
            }
            result = ReadPageFile(page, pageNumber, block, size);
        }
    }
    TW_TRACE_RESULT(L"ReadDebugData", result);
    return result;
}

}  // namespace tw
