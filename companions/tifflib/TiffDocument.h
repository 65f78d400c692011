#pragma once
// An open TIFF behind a library handle: the store it lives in, the pages being defined and the
// libtiff state for appending. libtiff is opened only when a page is written, so a document
// that receives no page leaves its file as it found it (an empty output file stays empty).
#include <windows.h>

#include <map>
#include <memory>

#include "ByteStore.h"
#include "PageTags.h"
#include "Tiff32.h"

namespace twtiff {

class TiffDocument {
public:
    // `createMissing` false: the file must exist (editing a finished file).
    static std::unique_ptr<TiffDocument> OpenFile(const wchar_t* name, int mode, bool createMissing = true);
    static std::unique_ptr<TiffDocument> OpenMemory(HGLOBAL block, DWORD size, int mode);

    int DefinePage();
    bool SetTag(int index, int tag, int type, long value);
    bool SetTagBuffer(int index, int tag, const void* buffer, int type, int count);
    // A page that fails to encode is gone; DropTiffImage on it still succeeds.
    bool Encode(int index, void* params, TIFFROWPROC rowProc);
    // Gives a defined page all its tags at once and writes it.
    bool EncodeWithTags(int index, PageTags tags, void* params, TIFFROWPROC rowProc);
    bool Drop(int index);
    // The Windows error that made the last Encode fail (a full disk), 0 when it was none.
    DWORD LastIoError() const { return m_ioError; }
    bool SelectPage(int index);
    bool Info(TIFFFILEINFO* info);
    bool MoveLast(int position);
    bool UpdatePageTotals(int total);
    bool Close();

private:
    TiffDocument(std::unique_ptr<ByteStore> store, GlobalStore* global, bool readOnly)
        : m_store(std::move(store)), m_global(global), m_readOnly(readOnly) {}
    static std::unique_ptr<TiffDocument> Start(std::unique_ptr<ByteStore> store, GlobalStore* global, int mode);
    bool EnsureOpen();
    bool CloseTiff();
    bool Writable();
    // Changes a descriptive tag of a page already written by rewriting its directory.
    bool EditWritten(int index, const PageTags& change);
    template <typename SetFn>
    bool ChangeTags(int index, int tag, SetFn set);

    std::unique_ptr<ByteStore> m_store;
    GlobalStore* m_global;  // m_store when the TIFF is in memory
    bool m_readOnly;
    UniqueTiff m_tif;
    int m_written = 0;  // pages in the document
    int m_handedOut = 0;  // one past the highest index DefinePage gave
    std::map<int, PageTags> m_pending;
    int m_selected = -1;
    DWORD m_ioError = 0;
};

}  // namespace twtiff
