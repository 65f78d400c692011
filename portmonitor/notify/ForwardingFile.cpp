#include "notify/ForwardingFile.h"

#include <utility>
#include <vector>

#include "base/UniqueHandle.h"
#include "monitor/Trace.h"

namespace tw {

CForwardingFile::~CForwardingFile() {
    if (!m_path.empty() && !m_kept) {
        PreserveLastError keep;
        ::DeleteFileW(m_path.c_str());
    }
}

CForwardingFile::CForwardingFile(CForwardingFile&& other) noexcept
    : m_path(std::exchange(other.m_path, std::wstring())), m_kept(other.m_kept) {}

bool CForwardingFile::Save(HENHMETAFILE emf, const wchar_t* prefix) {
    wchar_t directory[MAX_PATH + 1] = {}, path[MAX_PATH + 1] = {};
    if (!emf || !::GetTempPathW(MAX_PATH + 1, directory) || !::GetTempFileNameW(directory, prefix, 0, path)) return false;
    m_path = path;  // GetTempFileName created it: ours to delete from now on
    const UINT bytes = ::GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<BYTE> data(bytes);
    if (!bytes || ::GetEnhMetaFileBits(emf, bytes, data.data()) != bytes) return false;
    UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), data.data(), bytes, &written, nullptr) && written == bytes;
}

DWORD CForwardingFile::SizeOnDisk() const {
    UniqueFile file(::CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file.get(), &size) && size.QuadPart < MAXDWORD ? static_cast<DWORD>(size.QuadPart) : 0;
}

}  // namespace tw
