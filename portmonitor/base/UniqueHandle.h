#pragma once
// Owners for Win32 resources. Every handle the monitor opens lives in one of these, so no
// return path can leak it; destructors keep the thread's last error intact because callers
// often set it just before the owner goes out of scope. Event sources are deregistered through
// the event-log seam (EventLog.h), so they have their own owner there.
#include <windows.h>

#include <cstdio>
#include <utility>

namespace tw {

class PreserveLastError {
public:
    PreserveLastError() : m_dwError(::GetLastError()) {}
    ~PreserveLastError() { ::SetLastError(m_dwError); }
    PreserveLastError(const PreserveLastError&) = delete;
    PreserveLastError& operator=(const PreserveLastError&) = delete;
private:
    DWORD m_dwError;
};

// Traits: `using type`, `static type invalid()`, `static void close(type)`.
template <typename Traits>
class UniqueHandle {
public:
    using type = typename Traits::type;

    UniqueHandle() noexcept : m_h(Traits::invalid()) {}
    explicit UniqueHandle(type h) noexcept : m_h(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    type get() const noexcept { return m_h; }
    bool valid() const noexcept { return m_h != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    type release() noexcept { return std::exchange(m_h, Traits::invalid()); }
    void reset(type h = Traits::invalid()) noexcept {
        if (m_h != Traits::invalid()) {
            PreserveLastError keep;
            Traits::close(m_h);
        }
        m_h = h;
    }
    // For out-parameters of APIs: releases what is held and hands out the slot.
    type* put() noexcept { reset(); return &m_h; }

private:
    type m_h;
};

namespace traits {
struct KernelHandle {  // CreateFile and friends: INVALID_HANDLE_VALUE means none
    using type = HANDLE;
    static type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(type h) { ::CloseHandle(h); }
};
struct KernelObject {  // events, mutexes, processes, mappings: NULL means none
    using type = HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::CloseHandle(h); }
};
struct RegKey {
    using type = HKEY;
    static type invalid() { return nullptr; }
    static void close(type h) { ::RegCloseKey(h); }
};
struct Module {
    using type = HMODULE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::FreeLibrary(h); }
};
struct Dc {  // DCs from CreateDC / CreateCompatibleDC
    using type = HDC;
    static type invalid() { return nullptr; }
    static void close(type h) { ::DeleteDC(h); }
};
struct GdiObject {
    using type = HGDIOBJ;
    static type invalid() { return nullptr; }
    static void close(type h) { ::DeleteObject(h); }
};
struct GlobalMem {
    using type = HGLOBAL;
    static type invalid() { return nullptr; }
    static void close(type h) { ::GlobalFree(h); }
};
struct LocalMem {
    using type = HLOCAL;
    static type invalid() { return nullptr; }
    static void close(type h) { ::LocalFree(h); }
};
struct CrtFile {  // FILE* from _wfopen
    using type = FILE*;
    static type invalid() { return nullptr; }
    static void close(type f) { std::fclose(f); }
};
struct FindFile {
    using type = HANDLE;
    static type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(type h) { ::FindClose(h); }
};
struct EnhMetaFile {
    using type = HENHMETAFILE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::DeleteEnhMetaFile(h); }
};
struct FontMemResource {  // fonts installed with AddFontMemResourceEx
    using type = HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::RemoveFontMemResourceEx(h); }
};
struct Sid {  // SIDs from AllocateAndInitializeSid
    using type = PSID;
    static type invalid() { return nullptr; }
    static void close(type h) { ::FreeSid(h); }
};
}  // namespace traits

using UniqueFile = UniqueHandle<traits::KernelHandle>;
using UniqueKernelObject = UniqueHandle<traits::KernelObject>;
using UniqueHKey = UniqueHandle<traits::RegKey>;
using UniqueModule = UniqueHandle<traits::Module>;
using UniqueDC = UniqueHandle<traits::Dc>;
using UniqueGdiObject = UniqueHandle<traits::GdiObject>;
using UniqueHGlobal = UniqueHandle<traits::GlobalMem>;
using UniqueHLocal = UniqueHandle<traits::LocalMem>;
using UniqueCrtFile = UniqueHandle<traits::CrtFile>;
using UniqueFindFile = UniqueHandle<traits::FindFile>;
using UniqueEnhMetaFile = UniqueHandle<traits::EnhMetaFile>;
using UniqueSid = UniqueHandle<traits::Sid>;
using UniqueFontMemResource = UniqueHandle<traits::FontMemResource>;

// Restores the object that was selected into a DC before ours.
class SelectGuard {
public:
    SelectGuard(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(obj ? ::SelectObject(hdc, obj) : nullptr) {}
    ~SelectGuard() {
        if (m_old) {
            PreserveLastError keep;
            ::SelectObject(m_hdc, m_old);
        }
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// The screen's DC (GetDC of the desktop), released when it goes.
class ScreenDC {
public:
    ScreenDC() : m_hdc(::GetDC(nullptr)) {}
    ~ScreenDC() {
        if (m_hdc) {
            PreserveLastError keep;
            ::ReleaseDC(nullptr, m_hdc);
        }
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC get() const noexcept { return m_hdc; }
    explicit operator bool() const noexcept { return m_hdc != nullptr; }
private:
    HDC m_hdc;
};

// Locks a moveable global block for as long as it is read or written.
template <typename T = BYTE>
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h) : m_h(h), m_p(h ? static_cast<T*>(::GlobalLock(h)) : nullptr) {}
    ~GlobalLockGuard() {
        if (m_p) {
            PreserveLastError keep;
            ::GlobalUnlock(m_h);
        }
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    SIZE_T size() const noexcept { return m_h ? ::GlobalSize(m_h) : 0; }
private:
    HGLOBAL m_h;
    T* m_p;
};

}  // namespace tw
