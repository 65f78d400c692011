// CFontResource: installing and removing a job's private fonts.
#include "emfimage/FontResource.h"

#include <cstring>

#include "emfimage/EmfRecordWalk.h"
#include "emfimage/TTFHandler.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// Font files larger than this are not read into memory.
constexpr ULONGLONG kMaxFontFileSize = 64ull * 1024 * 1024;

}  // namespace

const BYTE* FontRecordOfComment(const BYTE* record, size_t recordSize, size_t& size) {
    size = 0;
    if (!record || recordSize < fontrec::kRecordStart + fontrec::kHeaderSize) return nullptr;
    if (ReadRecordField<DWORD>(record, 0) != EMR_GDICOMMENT) return nullptr;
    const DWORD data = ReadRecordField<DWORD>(record, 8);
    if (data > recordSize - fontrec::kCommentData || data < fontrec::kRecordStart - fontrec::kCommentData) return nullptr;
    if (ReadRecordField<DWORD>(record, fontrec::kCommentData) != 0 ||
        ReadRecordField<DWORD>(record, fontrec::kCommentData + 4) != fontrec::kSignature)
        return nullptr;
    size = fontrec::kCommentData + data - fontrec::kRecordStart;
    return record + fontrec::kRecordStart;
}

size_t CFontResource::InstalledFonts() const {
    size_t n = m_handles.size();
    for (const auto& [id, font] : m_subsets) n += font.handle ? 1 : 0;
    return n;
}

// Installs `data` unless a font of the same name is installed already.
bool CFontResource::AddFontFromMemory(const BYTE* data, size_t size, InstalledFont& handle) {
    const std::string name = TTFHandler::GetFontName(data, size);
    const std::vector<std::wstring> unicodeNames = TTFHandler::GetUnicodeFontNames(data, size);
    const std::wstring unicodeName = unicodeNames.empty() ? std::wstring() : unicodeNames.front();
    TW_TRACE(L"CFontResource::AddFontRecord: Font Name: %S", name.c_str());
    TW_TRACE(L"CFontResource::AddFontRecord: Unicode Font Name: %s", unicodeName.c_str());
    if ((!name.empty() && m_names.count(name)) || (!unicodeName.empty() && m_unicodeNames.count(unicodeName))) {
        TW_TRACE(L"CFontResource::AddFontFromMemory: Font with the same name already added!");
        return false;
    }
    if (!TTFHandler::LooksLikeFont(data, size) || size > MAXDWORD) {
        TW_TRACE(L"CFontResource::AddFontFromMemory: AddFontMemResourceEx failed");
        return false;
    }
    if (!handle.Install(data, size)) {
        TW_TRACE(L"CFontResource::AddFontFromMemory: AddFontMemResourceEx failed");
        return false;
    }
    if (!name.empty()) m_names.insert(name);
    if (!unicodeName.empty()) m_unicodeNames.insert(unicodeName);
    return true;
}

void CFontResource::AddEngineFonts(const BYTE* record, size_t size) {
    TW_TRACE(L"CFontResource::AddFontRecord: EMRI_ENGINE_FONT");
    if (size < fontrec::kFileSizes) return;
    const ULONGLONG files = ReadRecordField<DWORD>(record, fontrec::kFileCount);
    // Sizes, padded to 8 bytes when the count is odd, then the files back to back.
    const ULONGLONG first = fontrec::kFileSizes + files * sizeof(DWORD) + (files % 2 ? sizeof(DWORD) : 0);
    if (first > size) {
        TW_TRACE(L"CFontResource::AddFontRecord: %llu font files do not fit the record", files);
        return;
    }
    size_t offset = static_cast<size_t>(first);
    for (ULONGLONG i = 0; i < files; ++i) {
        const DWORD fileSize = ReadRecordField<DWORD>(record, fontrec::kFileSizes + static_cast<size_t>(i) * sizeof(DWORD));
        if (fileSize > size - offset) {
            TW_TRACE(L"CFontResource::AddFontRecord: font file %llu runs past the record", i);
            return;
        }
        InstalledFont handle;
        if (AddFontFromMemory(record + offset, fileSize, handle)) m_handles.push_back(std::move(handle));
        offset += fileSize;
    }
}

void CFontResource::AddSubsetFont(ULONGLONG id, const BYTE* package, size_t size) {
    TW_TRACE(L"CFontResource::AddFontRecord: EMRI_SUBSET_FONT");
    SubsetFont font;
    if (!m_merger.Merge({}, package, size, FontMergeMode::Subset, font.font)) {
        TW_TRACE(L"CFontResource::AddFontRecord: the subset font cannot be merged");
        return;
    }
    if (!AddFontFromMemory(font.font.data(), font.font.size(), font.handle)) return;
    m_subsets[id] = std::move(font);
}

void CFontResource::AddDeltaFont(ULONGLONG id, const BYTE* package, size_t size) {
    TW_TRACE(L"CFontResource::AddFontRecord: EMRI_DELTA_FONT");
    auto found = m_subsets.find(id);
    if (found == m_subsets.end()) {
        TW_TRACE(L"CFontResource::AddFontRecord: DELTA font without SUBSET font");
        return;
    }
    std::vector<BYTE> merged;
    if (!m_merger.Merge(found->second.font, package, size, FontMergeMode::Delta, merged)) {
        TW_TRACE(L"CFontResource::AddFontRecord: the delta font cannot be merged");
        return;
    }
    // The new font replaces the old one under the same names.
    SubsetFont& font = found->second;
    font.handle.Remove();
    font.font = std::move(merged);
    if (!font.handle.Install(font.font.data(), font.font.size()))
        TW_TRACE(L"CFontResource::AddFontFromMemory: AddFontMemResourceEx failed");
}

void CFontResource::AddFontRecord(const BYTE* record, size_t size) {
    if (!record || size < fontrec::kHeaderSize) return;
    const DWORD type = ReadRecordField<DWORD>(record, 0);
    const DWORD recordSize = ReadRecordField<DWORD>(record, 4);
    // A record that claims more than it has is read only as far as it goes.
    if (recordSize < size) size = recordSize;
    switch (type) {
    case fontrec::kEngineFont: AddEngineFonts(record, size); break;
    case fontrec::kSubsetFont:
    case fontrec::kDeltaFont: {
        if (size < fontrec::kPackage) return;
        const ULONGLONG id = ReadRecordField<ULONGLONG>(record, fontrec::kFontId);
        if (type == fontrec::kSubsetFont) AddSubsetFont(id, record + fontrec::kPackage, size - fontrec::kPackage);
        else AddDeltaFont(id, record + fontrec::kPackage, size - fontrec::kPackage);
        break;
    }
    default: TW_TRACE(L"CFontResource::AddFontRecord: ulID: %X", type); break;
    }
}

void CFontResource::AddFont(const std::wstring& path) {
    if (m_files.count(path)) {
        TW_TRACE(L"CFontResource::AddFont: Font has already been registered.");
        return;
    }
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        TW_TRACE(L"CFontResource::AddFont: Could not open font file. Last Error: %d", static_cast<int>(::GetLastError()));
        return;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<ULONGLONG>(size.QuadPart) > kMaxFontFileSize)
        return;
    std::vector<BYTE> data;
    try {
        data.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        TW_TRACE(L"CFontResource::AddFont: Could not allocate memory.");
        return;
    }
    DWORD read = 0;
    if (!::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) || read != data.size()) {
        TW_TRACE(L"CFontResource::AddFont: Could not read from file. Last Error: %d", static_cast<int>(::GetLastError()));
        return;
    }
    if (!TTFHandler::LooksLikeFont(data.data(), data.size())) {
        TW_TRACE(L"CFontResource::AddFont: %s is not a font", path.c_str());
        return;
    }
    InstalledFont handle;
    const bool installed = handle.Install(data.data(), data.size());
    TW_TRACE(L"CFontResource::AddFont: Font installed: %d, Number of fonts: %d", installed ? 1 : 0,
             static_cast<int>(handle.Count()));
    if (!installed) return;
    m_files.insert(path);
    m_handles.push_back(std::move(handle));
}

void CFontResource::Clear() {
    TW_TRACE(L"CFontResource::Clear.");
    m_handles.clear();
    m_subsets.clear();
    m_names.clear();
    m_unicodeNames.clear();
    m_files.clear();
}

}  // namespace tw
