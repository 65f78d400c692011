// TwImg1x.dll: cover page TIFFs, from a file or from memory, as page DIBs and annotation handles.
#include <windows.h>

#include <memory>
#include <mutex>
#include <set>

#include "AnnotationHandle.h"
#include "CoverPageLibraries.h"
#include "TiffPages.h"

namespace {

using coverpage::TiffChain;

// The chains handed out and not yet closed: a handle that is not one of them is refused.
std::mutex g_lock;
std::set<TiffChain*> g_chains;

TiffChain* Chain(HANDLE tiff) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto* chain = static_cast<TiffChain*>(tiff);
    return g_chains.count(chain) ? chain : nullptr;
}

HANDLE Register(std::unique_ptr<TiffChain> chain) {
    if (!chain) return nullptr;
    std::lock_guard<std::mutex> guard(g_lock);
    TiffChain* raw = chain.release();
    g_chains.insert(raw);
    return raw;
}

HANDLE AnnotationsOf(TiffChain* chain) {
    if (!chain) return nullptr;
    auto pages = chain->LoadAnnotations();
    return pages ? coverpage::CreateAnnoHandle(*pages) : nullptr;
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI GetNumberOfImagesInTiffFileW(LPCWSTR path) {
    if (!path) return 0;
    auto chain = TiffChain::OpenFile(path);
    return chain ? chain->PageCount(false) : 0;
}

__declspec(dllexport) HGLOBAL WINAPI LoadTiffIntoDIBW(LPCWSTR path, int page) {
    if (!path) return nullptr;
    auto chain = TiffChain::OpenFile(path);
    return chain ? chain->LoadPage(page) : nullptr;
}

__declspec(dllexport) HANDLE WINAPI LoadAnnotationFromTiffW(LPCWSTR path, int) {
    if (!path) return nullptr;
    auto chain = TiffChain::OpenFile(path);
    return AnnotationsOf(chain.get());
}

// The bytes are copied: the caller may free its block once the TIFF is open.
__declspec(dllexport) HANDLE WINAPI OpenTiffInMemory(HGLOBAL block, DWORD size, int) {
    if (!block || size == 0 || ::GlobalSize(block) < size) return nullptr;
    const BYTE* data = static_cast<const BYTE*>(::GlobalLock(block));
    if (!data) return nullptr;
    auto chain = TiffChain::OpenBytes(data, size);
    ::GlobalUnlock(block);
    return Register(std::move(chain));
}

__declspec(dllexport) void WINAPI CloseTiffFile(HANDLE tiff) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto* chain = static_cast<TiffChain*>(tiff);
    if (g_chains.erase(chain)) delete chain;
}

__declspec(dllexport) HGLOBAL WINAPI LoadTiffChainIntoDIB(HANDLE tiff, int page) {
    TiffChain* chain = Chain(tiff);
    return chain ? chain->LoadPage(page) : nullptr;
}

__declspec(dllexport) int WINAPI NumberOfTiffImages(HANDLE tiff, int flags) {
    TiffChain* chain = Chain(tiff);
    return chain ? chain->PageCount((flags & TWIMG_COUNT_ALL_PAGES) != 0) : 0;
}

__declspec(dllexport) HANDLE WINAPI LoadAnnotationFromTiffChain(HANDLE tiff, int) {
    return AnnotationsOf(Chain(tiff));
}

}  // extern "C"
