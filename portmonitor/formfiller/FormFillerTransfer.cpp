// Taking the editor's pages over: the count and the TIFF from the named mapping, checked
// against the mapping's real size, then one page DIB per page and the annotations.
#include <cstring>

#include "base/MappedView.h"
#include "formfiller/FormFiller.h"
#include "formfiller/FormFillerTexts.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

namespace ff = formfiller;

using ByteCount = unsigned long long;  // the record's leading count

// The bytes a view really spans from its start (whole pages of the mapping).
SIZE_T ViewSize(const void* view) {
    MEMORY_BASIC_INFORMATION info{};
    return ::VirtualQuery(view, &info, sizeof(info)) ? info.RegionSize : 0;
}

// Closes a TIFF opened by the imaging library however the loading ends.
class OpenTiff {
public:
    OpenTiff(const ImagingEntries& imaging, HANDLE tiff) : m_imaging(imaging), m_tiff(tiff) {}
    ~OpenTiff() {
        if (m_tiff) m_imaging.CloseTiffFile(m_tiff);
    }
    OpenTiff(const OpenTiff&) = delete;
    OpenTiff& operator=(const OpenTiff&) = delete;
    HANDLE get() const { return m_tiff; }
private:
    const ImagingEntries& m_imaging;
    HANDLE m_tiff;
};

}  // namespace

// The count n and the n bytes after it into a new moveable block.
bool CFormFiller::CopyMapping(UniqueHGlobal& block, ByteCount& size) {
    UniqueKernelObject map(::OpenFileMappingW(FILE_MAP_READ, FALSE, m_names.sessionMap.c_str()));
    if (!map) {
        Error(__LINE__, ff::kMsgOpenMap, m_names.sessionMap.c_str(), static_cast<int>(::GetLastError()));
        return false;
    }
    {
        UniqueMappedView head(::MapViewOfFile(map.get(), FILE_MAP_READ, 0, 0, sizeof(ByteCount)));
        if (!head) {
            Error(__LINE__, ff::kMsgMapCount, m_names.sessionMap.c_str(), static_cast<int>(::GetLastError()));
            return false;
        }
        std::memcpy(&size, head.get(), sizeof(size));
    }
    if (size == 0) {
        Error(__LINE__, ff::kMsgLoadCoverPage);
        return false;
    }
    // A count from another process is bounded before anything is mapped or allocated for it.
    if (size > ff::kMaxCoverPageBytes) {
        Error(__LINE__, ff::kMsgAllocate, static_cast<int>(size > 0x7FFFFFFF ? 0x7FFFFFFF : size));
        return false;
    }
    const SIZE_T total = static_cast<SIZE_T>(size) + sizeof(ByteCount);
    UniqueMappedView whole(::MapViewOfFile(map.get(), FILE_MAP_READ, 0, 0, total));
    DWORD error = whole ? ERROR_SUCCESS : ::GetLastError();
    // A mapping smaller than the count it announces ends before the bytes do.
    if (whole && ViewSize(whole.get()) < total) error = ERROR_INSUFFICIENT_BUFFER;
    if (error != ERROR_SUCCESS) {
        Error(__LINE__, ff::kMsgMapPages, m_names.sessionMap.c_str(), static_cast<int>(error));
        return false;
    }
    block.reset(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size)));
    if (!block) {
        Error(__LINE__, ff::kMsgAllocate, static_cast<int>(size));
        return false;
    }
    GlobalLockGuard<BYTE> bytes(block.get());
    if (!bytes) {
        Error(__LINE__, ff::kMsgAllocate2, static_cast<int>(size));
        block.reset();
        return false;
    }
    TW_TRACE(L"Allocated memory(90): %X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(block.get())));
    std::memcpy(bytes.get(), static_cast<const BYTE*>(whole.get()) + sizeof(ByteCount), static_cast<size_t>(size));
    return true;
}

bool CFormFiller::TakePages() {
    TW_TRACE(L"> CFormFiller::TakePages");
    ReleasePages();
    UniqueHGlobal block;
    ByteCount size = 0;
    if (!CopyMapping(block, size)) return false;
    const ImagingEntries& imaging = m_libraries.Imaging();
    OpenTiff tiff(imaging, imaging.OpenTiffInMemory(block.get(), static_cast<DWORD>(size), 0));
    if (!tiff.get()) {
        Error(__LINE__, ff::kMsgLoadCoverPage);
        return false;
    }
    const int count = imaging.NumberOfTiffImages(tiff.get(), ff::kCountAllPages);
    if (count <= 0) {
        Error(__LINE__, ff::kMsgLoadCoverPage2);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        UniqueHGlobal page(imaging.LoadTiffChainIntoDIB(tiff.get(), i));
        if (!page) {
            Error(__LINE__, ff::kMsgLoadCoverPage3);
            ReleasePages();
            return false;
        }
        m_pages.push_back(std::move(page));
    }
    m_hAnnotations = imaging.LoadAnnotationFromTiffChain(tiff.get(), 0);
    // Pages the user left as they were still make cover pages: this is no reason to fail.
    if (!m_hAnnotations) Warning(__LINE__, ff::kMsgLoadAnnotations);
    m_nPageCount = count;
    TW_TRACE(L"< CFormFiller::TakePages: %d pages", count);
    return true;
}

}  // namespace tw
