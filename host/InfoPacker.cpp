#include "host/InfoPacker.h"

namespace twhost {
namespace {
constexpr size_t kStringAlign = alignof(wchar_t);
// DEVMODEW itself needs less, but records after it may be read as 8-byte fields.
constexpr size_t kDevModeAlign = 8;
}  // namespace

BYTE* InfoPacker::Place(const void* src, size_t size, size_t align) {
    size_t start = (m_used + align - 1) / align * align;
    if (m_base) {
        std::memset(m_base + m_used, 0, start - m_used);
        std::memcpy(m_base + start, src, size);
    }
    m_used = start + size;
    return m_base ? m_base + start : nullptr;
}

LPWSTR InfoPacker::String(std::wstring_view s) {
    // The terminator is copied from a separate literal: a string_view need not end in one.
    static const wchar_t kNul = L'\0';
    BYTE* p = Place(s.data(), s.size() * sizeof(wchar_t), kStringAlign);
    Place(&kNul, sizeof(kNul), kStringAlign);
    return reinterpret_cast<LPWSTR>(p);
}

DEVMODEW* InfoPacker::DevMode(const std::vector<BYTE>* devMode) {
    if (!devMode || devMode->empty()) return nullptr;
    return reinterpret_cast<DEVMODEW*>(Place(devMode->data(), devMode->size(), kDevModeAlign));
}

DWORD PackText(LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded, std::wstring_view text) {
    if (!pcbNeeded) return ERROR_INVALID_PARAMETER;
    InfoPacker measure(nullptr, 0);
    measure.String(text);
    if (measure.Size() > MAXDWORD) return ERROR_NOT_ENOUGH_MEMORY;
    *pcbNeeded = static_cast<DWORD>(measure.Size());
    if (!buf || cbBuf < *pcbNeeded) return ERROR_INSUFFICIENT_BUFFER;
    InfoPacker pack(buf, 0);
    pack.String(text);
    return ERROR_SUCCESS;
}

}  // namespace twhost
