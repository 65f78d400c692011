// The libraries the monitor loads and frees per output file or per call leave nothing on the heap
// behind them: a fax server loads them tens of thousands of times between restarts.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace {

// Bytes in use on every heap of the process (the C runtime's own heap included).
uint64_t HeapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = ::GetProcessHeaps(64, heaps);
    uint64_t busy = 0;
    for (DWORD h = 0; h < count && h < 64; ++h) {
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[h], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
    }
    return busy;
}

TEST(ModuleUnload, LoadingAndFreeingLeavesNoHeapBehind) {
    constexpr int kCycles = 12;
    for (const wchar_t* name : {L"TIFF32.DLL", L"JPEG32.DLL", L"TwPlugIn.dll", L"TWIMGUser.dll", L"TwOCRx.dll",
                                L"TuBwQRr.dll", L"TuBwDMr.dll", L"TuBwP417r.dll", L"TuBrw1Dr.dll", L"TwRegExp.dll",
                                L"TwImg1x.dll", L"TwAnnox.dll", L"TwDibx.dll",
                                L"tarnmon.dll"}) {
        // The first load may leave what Wine keeps once per module name.
        HMODULE first = ::LoadLibraryW(name);
        ASSERT_NE(first, nullptr) << "cannot load " << name;
        ::FreeLibrary(first);
        const uint64_t before = HeapBytesInUse();
        for (int i = 0; i < kCycles; ++i) {
            HMODULE module = ::LoadLibraryW(name);
            ASSERT_NE(module, nullptr);
            ::FreeLibrary(module);
        }
        const uint64_t after = HeapBytesInUse();
        // A few hundred bytes a load are Wine's loader bookkeeping; the C++ runtime's pool was 73 KB.
        EXPECT_LT(after, before + kCycles * 4096u) << name << ": " << (after - before) / kCycles << " bytes a load";
    }
}

}  // namespace
