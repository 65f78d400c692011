#include "TiffDocument.h"

#include <algorithm>

#include "DirectoryChain.h"
#include "LibraryError.h"
#include "PageEncoder.h"

namespace twtiff {
namespace {
constexpr uint64_t kTiffHeaderBytes = 8;
constexpr char kMemoryName[] = "memory";
constexpr char kFileName[] = "file";
}  // namespace

std::unique_ptr<TiffDocument> TiffDocument::OpenFile(const wchar_t* name, int mode, bool createMissing) {
    if (!name || !*name) {
        Fail(TIFF_ERR_INVALID_ARGUMENT, "no file name");
        return nullptr;
    }
    if (mode != TIFF_MODE_READ && mode != TIFF_MODE_APPEND && mode != TIFF_MODE_CREATE) {
        Fail(TIFF_ERR_INVALID_ARGUMENT, "unknown open mode");
        return nullptr;
    }
    std::unique_ptr<FileStore> file = FileStore::Open(name, mode != TIFF_MODE_READ, mode == TIFF_MODE_CREATE, createMissing);
    if (!file) return nullptr;
    return Start(std::move(file), nullptr, mode);
}

std::unique_ptr<TiffDocument> TiffDocument::OpenMemory(HGLOBAL block, DWORD size, int mode) {
    if (!block) {
        Fail(TIFF_ERR_INVALID_ARGUMENT, "no memory block");
        return nullptr;
    }
    if (mode != TIFF_MODE_READ && mode != TIFF_MODE_APPEND && mode != TIFF_MODE_CREATE) {
        Fail(TIFF_ERR_INVALID_ARGUMENT, "unknown open mode");
        return nullptr;
    }
    SIZE_T capacity = ::GlobalSize(block);
    if (capacity == 0) {
        Fail(TIFF_ERR_INVALID_ARGUMENT, "not a global memory block");
        return nullptr;
    }
    if (mode != TIFF_MODE_CREATE && size > capacity) {
        Fail(TIFF_ERR_INVALID_ARGUMENT, "the size is larger than the block");
        return nullptr;
    }
    // Fewer bytes than a header: the new block of a document's first page.
    uint64_t length = mode == TIFF_MODE_CREATE || size < kTiffHeaderBytes ? 0 : size;
    auto store = std::make_unique<GlobalStore>(block, length);
    GlobalStore* global = store.get();
    return Start(std::move(store), global, mode);
}

std::unique_ptr<TiffDocument> TiffDocument::Start(std::unique_ptr<ByteStore> store, GlobalStore* global, int mode) {
    DirectoryChain chain;
    if (!chain.Load(*store)) return nullptr;
    if (mode == TIFF_MODE_READ && chain.Count() == 0) {
        Fail(TIFF_ERR_NOT_TIFF, "the file holds no TIFF");
        return nullptr;
    }
    std::unique_ptr<TiffDocument> doc(new TiffDocument(std::move(store), global, mode == TIFF_MODE_READ));
    doc->m_written = chain.Count();
    return doc;
}

bool TiffDocument::Writable() {
    return !m_readOnly || Fail(TIFF_ERR_INVALID_ARGUMENT, "the TIFF is open for reading");
}

bool TiffDocument::EnsureOpen() {
    if (m_tif) return true;
    const char* name = m_global ? kMemoryName : kFileName;
    // Existing pages are appended to; an empty store gets a new little-endian TIFF.
    m_tif.reset(m_store->OpenTiff(name, m_written > 0 ? "a" : "wl"));
    return m_tif || Fail(TIFF_ERR_NOT_TIFF, "libtiff cannot open the TIFF");
}

bool TiffDocument::CloseTiff() {
    m_tif.reset();
    return true;
}

int TiffDocument::DefinePage() {
    if (!Writable()) return -1;
    int index = m_written + static_cast<int>(m_pending.size());
    m_pending[index];
    m_handedOut = std::max(m_handedOut, index + 1);
    return index;
}

template <typename SetFn>
bool TiffDocument::ChangeTags(int index, int tag, SetFn set) {
    auto it = m_pending.find(index);
    if (it != m_pending.end()) return set(it->second);
    if (index < 0 || index >= m_written) return Fail(TIFF_ERR_PAGE_INDEX);
    if (!Writable()) return false;
    if (!PageTags::IsDescriptive(tag)) return Fail(TIFF_ERR_UNSUPPORTED_TAG, "only descriptive tags change on a written page");
    PageTags change;
    return set(change) && EditWritten(index, change);
}

bool TiffDocument::SetTag(int index, int tag, int type, long value) {
    return ChangeTags(index, tag, [&](PageTags& t) { return t.Set(tag, type, value); });
}

bool TiffDocument::SetTagBuffer(int index, int tag, const void* buffer, int type, int count) {
    return ChangeTags(index, tag, [&](PageTags& t) { return t.SetBuffer(tag, buffer, type, count); });
}

bool TiffDocument::EditWritten(int index, const PageTags& change) {
    CloseTiff();
    UniqueTiff tif(m_store->OpenTiff(m_global ? kMemoryName : kFileName, "r+"));
    if (!tif) return Fail(TIFF_ERR_NOT_TIFF, "libtiff cannot reopen the TIFF");
    if (!TIFFSetDirectory(tif.get(), static_cast<tdir_t>(index))) return Fail(TIFF_ERR_PAGE_INDEX);
    if (!change.ApplyTo(tif.get())) return false;
    if (!TIFFRewriteDirectory(tif.get())) return Fail(TIFF_ERR_IO, "libtiff could not rewrite the directory");
    return true;
}

bool TiffDocument::Encode(int index, void* params, TIFFROWPROC rowProc) {
    auto it = m_pending.find(index);
    if (it == m_pending.end()) return Fail(TIFF_ERR_PAGE_INDEX, "the page is not defined, or already written");
    if (index != m_written) return Fail(TIFF_ERR_PAGE_INDEX, "pages are written in the order of their indexes");
    // Everything a page adds lies past the store's end; only the link to it is written inside.
    const uint64_t sizeBefore = m_store->Size();
    m_store->ClearIoError();
    m_ioError = 0;
    if (!EnsureOpen() || !EncodePage(m_tif.get(), it->second, rowProc, params)) {
        // Drop the half-written page without flushing it, cut the store back and end the chain
        // at the last whole page: a full disk costs this page, not the pages before it. The
        // next page reopens the TIFF.
        if (m_tif) TIFFCleanup(m_tif.release());
        m_ioError = m_store->IoError();
        if (m_store->Size() > sizeBefore) m_store->Truncate(sizeBefore);
        DirectoryChain::EndWithin(*m_store, sizeBefore);
        if (m_ioError) Fail(TIFF_ERR_IO, "the file cannot be written");
        // The page's working state is spent; its index goes to the next page defined.
        m_pending.erase(it);
        return false;
    }
    ++m_written;
    m_pending.erase(it);
    return true;
}

bool TiffDocument::EncodeWithTags(int index, PageTags tags, void* params, TIFFROWPROC rowProc) {
    auto it = m_pending.find(index);
    if (it == m_pending.end()) return Fail(TIFF_ERR_PAGE_INDEX);
    it->second = std::move(tags);
    return Encode(index, params, rowProc);
}

bool TiffDocument::Drop(int index) {
    if (m_pending.erase(index)) return true;
    return (index >= 0 && index < m_handedOut) || Fail(TIFF_ERR_PAGE_INDEX);
}

bool TiffDocument::SelectPage(int index) {
    if (index < 0 || index >= m_written) return Fail(TIFF_ERR_PAGE_INDEX);
    m_selected = index;
    return true;
}

bool TiffDocument::Info(TIFFFILEINFO* info) {
    if (!info) return Fail(TIFF_ERR_INVALID_ARGUMENT, "no record");
    info->nImages = m_written;
    uint64_t size = m_store->Size();
    info->dwTiffBytes = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    return true;
}

bool TiffDocument::MoveLast(int position) {
    if (!Writable()) return false;
    CloseTiff();
    DirectoryChain chain;
    return chain.Load(*m_store) && chain.MoveLast(*m_store, position);
}

bool TiffDocument::UpdatePageTotals(int total) {
    if (total < 0 || total > 0xFFFF) return Fail(TIFF_ERR_INVALID_ARGUMENT, "the total does not fit a SHORT");
    if (!Writable()) return false;
    CloseTiff();
    DirectoryChain chain;
    return chain.Load(*m_store) && chain.SetPageTotals(*m_store, static_cast<uint16_t>(total));
}

bool TiffDocument::Close() {
    CloseTiff();
    m_pending.clear();
    if (m_global && !m_readOnly && !m_global->Fit()) return Fail(TIFF_ERR_NO_MEMORY, "cannot fit the block to the TIFF");
    return true;
}

}  // namespace twtiff
