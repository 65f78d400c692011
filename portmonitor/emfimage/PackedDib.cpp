// Allocation and copies of packed page DIBs.
#include "emfimage/PackedDib.h"

#include <cstring>

namespace tw {

UniqueHGlobal AllocatePackedDib(const PageBitmapInfo& info) {
    const SIZE_T bytes = info.HeaderBytes() + info.header.biSizeImage;
    UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
    if (!block) return block;
    GlobalLockGuard<BYTE> p(block.get());
    if (!p) return UniqueHGlobal();
    std::memcpy(p.get(), &info, info.HeaderBytes());
    return block;
}

bool ReadPackedDibInfo(HGLOBAL dib, PageBitmapInfo& info) {
    GlobalLockGuard<BYTE> p(dib);
    if (!p || p.size() < sizeof(BITMAPINFOHEADER)) return false;
    info = PageBitmapInfo{};
    std::memcpy(&info.header, p.get(), sizeof(BITMAPINFOHEADER));
    if (info.header.biSize != sizeof(BITMAPINFOHEADER)) return false;
    const DWORD copied = info.header.biClrUsed < 2 ? info.header.biClrUsed : 2;
    if (p.size() < sizeof(BITMAPINFOHEADER) + copied * sizeof(RGBQUAD)) return false;
    std::memcpy(info.palette, p.get() + sizeof(BITMAPINFOHEADER), copied * sizeof(RGBQUAD));
    return true;
}

UniqueHGlobal DuplicateGlobal(HGLOBAL block) {
    GlobalLockGuard<BYTE> from(block);
    if (!from) return UniqueHGlobal();
    UniqueHGlobal copy(::GlobalAlloc(GMEM_MOVEABLE, from.size()));
    if (!copy) return copy;
    GlobalLockGuard<BYTE> to(copy.get());
    if (!to) return UniqueHGlobal();
    std::memcpy(to.get(), from.get(), from.size());
    return copy;
}

}  // namespace tw
