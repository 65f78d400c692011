#pragma once
// Lays out spooler information records as the Win32 Get* calls do: the fixed structure at the
// start of the caller's buffer, the strings and DEVMODEs it points to packed after it.
#include <windows.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace twhost {

class InfoPacker {
public:
    // With a null `base` the packer only measures; every placement returns null.
    InfoPacker(BYTE* base, size_t fixedSize) : m_base(base), m_used(fixedSize) {}

    LPWSTR String(std::wstring_view s);
    // A null pointer for an empty string, as the spooler gives for fields nobody set.
    LPWSTR OptionalString(std::wstring_view s) { return s.empty() ? nullptr : String(s); }
    // The DEVMODE bytes as they are (null when there are none), 8-byte aligned.
    DEVMODEW* DevMode(const std::vector<BYTE>* devMode);

    size_t Size() const { return m_used; }

private:
    BYTE* Place(const void* src, size_t size, size_t align);

    BYTE* m_base;
    size_t m_used;
};

// Runs `fill(T&, InfoPacker&)` once to measure and, when the caller's buffer is large enough,
// once more into it. `*pcbNeeded` is always set. Returns a Win32 error code.
// Offsets are aligned relative to the buffer start and the structure is copied in with memcpy,
// so a caller's misaligned buffer is written safely, as the real spooler's client side allows.
template <typename T, typename Fill>
DWORD PackRecord(LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded, Fill&& fill) {
    if (!pcbNeeded) return ERROR_INVALID_PARAMETER;
    T info{};
    InfoPacker measure(nullptr, sizeof(T));
    fill(info, measure);
    if (measure.Size() > MAXDWORD) return ERROR_NOT_ENOUGH_MEMORY;
    *pcbNeeded = static_cast<DWORD>(measure.Size());
    if (!buf || cbBuf < *pcbNeeded) return ERROR_INSUFFICIENT_BUFFER;
    info = T{};
    InfoPacker pack(buf, sizeof(T));
    fill(info, pack);
    std::memcpy(buf, &info, sizeof(T));
    return ERROR_SUCCESS;
}

// A bare string as the answer (GetPrinterDriverDirectory level 1), with the same protocol.
DWORD PackText(LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded, std::wstring_view text);

}  // namespace twhost
