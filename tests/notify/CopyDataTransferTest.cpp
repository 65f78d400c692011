// The WM_COPYDATA path of a memory image, to a real message-only window on a thread of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "base/UniqueHandle.h"
#include "host/HostEnvironment.h"
#include "notify/CopyDataTransfer.h"
#include "notify/PrnMessage.h"
#include "support/TestSupport.h"

namespace {

struct Block {
    ULONG_PTR marker;
    std::vector<BYTE> bytes;
};

// A client window that keeps every block and refuses the block numbered `refuseAt`.
class ClientWindow {
public:
    explicit ClientWindow(size_t refuseAt = SIZE_MAX) : m_refuseAt(refuseAt) {
        HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, ready] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TwCopyDataTestWindow";
            ::RegisterClassW(&wc);
            m_hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                       nullptr);
            ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            ::SetEvent(ready);
            MSG msg;
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
            ::DestroyWindow(m_hwnd);
        });
        ::WaitForSingleObject(ready, 10000);
        ::CloseHandle(ready);
    }
    ~ClientWindow() {
        ::PostMessageW(m_hwnd, WM_QUIT, 0, 0);
        m_thread.join();
    }
    HWND hwnd() const { return m_hwnd; }
    std::vector<Block> blocks;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg != WM_COPYDATA) return ::DefWindowProcW(hwnd, msg, wp, lp);
        auto* self = reinterpret_cast<ClientWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        const BYTE* p = static_cast<const BYTE*>(cds->lpData);
        self->blocks.push_back({cds->dwData, std::vector<BYTE>(p, p + cds->cbData)});
        return self->blocks.size() == self->m_refuseAt ? 0 : 1;
    }
    size_t m_refuseAt;
    HWND m_hwnd = nullptr;
    std::thread m_thread;
};

tw::UniqueHGlobal Image(DWORD size) {
    tw::UniqueHGlobal image(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    tw::GlobalLockGuard<BYTE> bytes(image.get());
    for (DWORD i = 0; i < size; ++i) bytes.get()[i] = static_cast<BYTE>(i);
    return image;
}

TEST(CopyDataTransfer, RecordSizeThenPieces) {
    ClientWindow window;
    const DWORD size = 1048576 + 10;
    tw::UniqueHGlobal image = Image(size);
    EXPECT_TRUE(tw::SendImageThroughCopyData(window.hwnd(), 8, image.get(), L"Client", 2, 2000));
    ASSERT_EQ(window.blocks.size(), 4u);
    for (const Block& b : window.blocks) EXPECT_EQ(b.marker, 0x8000F00Fu);
    const tw::CopyDataFields record = tw::ParseCopyDataRecord(window.blocks[0].bytes.data(), window.blocks[0].bytes.size());
    EXPECT_EQ(record.number, 8u);
    EXPECT_EQ(record.interfaceName, L"Client2");
    DWORD announced = 0;
    ASSERT_EQ(window.blocks[1].bytes.size(), 4u);
    std::memcpy(&announced, window.blocks[1].bytes.data(), 4);
    EXPECT_EQ(announced, size);
    EXPECT_EQ(window.blocks[2].bytes.size(), 1048576u);
    EXPECT_EQ(window.blocks[3].bytes.size(), 10u);
    EXPECT_EQ(window.blocks[3].bytes.back(), static_cast<BYTE>(size - 1));
}

TEST(CopyDataTransfer, AWindowThatRefusesEndsTheTransfer) {
    ClientWindow window(1);
    tw::UniqueHGlobal image = Image(100);
    EXPECT_TRUE(tw::SendImageThroughCopyData(window.hwnd(), 8, image.get(), L"Client", 0, 2000));
    EXPECT_EQ(window.blocks.size(), 1u);
    // No window: nothing to do. No image: a failure.
    EXPECT_TRUE(tw::SendImageThroughCopyData(nullptr, 8, image.get(), L"Client", 0, 2000));
    EXPECT_FALSE(tw::SendImageThroughCopyData(window.hwnd(), 8, nullptr, L"Client", 0, 2000));
}

TEST(CopyDataTransfer, TheWindowIsFoundInThePrinterData) {
    twhost::HostEnvironment env;
    const std::wstring printer = twtest::UniqueName(L"CopyData");
    twhost::SimPrinter p;
    p.name = printer;
    ASSERT_TRUE(env.Spooler().AddPrinter(p));
    EXPECT_EQ(tw::FindClientWindow(printer), nullptr);
    ClientWindow window;
    const ULONGLONG value = reinterpret_cast<ULONG_PTR>(window.hwnd());
    ASSERT_TRUE(env.Spooler().SetPrinterData(printer, L"HWND", REG_BINARY, &value, sizeof(value)));
    EXPECT_EQ(tw::FindClientWindow(printer), window.hwnd());
    // A handle of a window that is gone is no client.
    const ULONGLONG stale = 0x12345678;
    ASSERT_TRUE(env.Spooler().SetPrinterData(printer, L"HWND", REG_BINARY, &stale, sizeof(stale)));
    EXPECT_EQ(tw::FindClientWindow(printer), nullptr);
}

}  // namespace
