// The cover page hand-off inside one process: an editor thread plays the other side through the
// named objects and the mapping, the libraries are the real ones from bin/, and the pages are
// drawn into a DIB section and looked at pixel by pixel.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <thread>

#include "TiffPages.h"
#include "base/Registry.h"
#include "formfiller/FormFiller.h"
#include "formfiller/FormFillerTexts.h"
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"
#include "notify/PostPrintRecord.h"

namespace {

namespace ff = tw::formfiller;
constexpr DWORD kJobId = 31;
constexpr int kWidth = 400, kHeight = 300;
// The filled box the editor adds, in page pixels, and the template's frame line.
constexpr RECT kBox{100, 80, 160, 120};
constexpr int kFrameRow = 10;

std::wstring BinDirectory() {
    wchar_t dir[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"TW_BIN", dir, MAX_PATH);
    std::wstring d = n ? std::wstring(L"Z:") + dir : L".";
    for (wchar_t& c : d)
        if (c == L'/') c = L'\\';
    return d;
}

// A cover page: a frame line across the top, and a filled box added as an annotation.
std::vector<BYTE> CoverTiff(int pages) {
    std::vector<coverpage::BilevelPage> list(static_cast<size_t>(pages));
    for (auto& p : list) {
        p.width = kWidth;
        p.height = kHeight;
        p.rows.assign((kWidth + 7) / 8 * kHeight, 0);
        std::memset(p.rows.data() + kFrameRow * ((kWidth + 7) / 8), 0xFF, (kWidth + 7) / 8);
        p.annotations.rects.push_back({kBox.left, kBox.top, kBox.right - kBox.left, kBox.bottom - kBox.top, 0, true});
    }
    return coverpage::WriteBilevelTiff(list);
}

// What the stand-in editor thread hands over: the bytes, the count it announces and the size of
// the mapping it makes.
struct Submission {
    std::vector<BYTE> bytes;
    uint64_t announced = 0;
    size_t mapped = 0;
};

void RunEditor(const tw::FormFillerNames& names, Submission s) {
    tw::UniqueKernelObject mutex(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, names.mutex.c_str()));
    if (!mutex || ::WaitForSingleObject(mutex.get(), 5000) != WAIT_OBJECT_0) return;
    const size_t total = sizeof(uint64_t) + s.mapped;
    tw::UniqueKernelObject map(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                    static_cast<DWORD>(total), names.localMap.c_str()));
    if (void* view = map ? ::MapViewOfFile(map.get(), FILE_MAP_WRITE, 0, 0, 0) : nullptr) {
        std::memcpy(view, &s.announced, sizeof(s.announced));
        std::memcpy(static_cast<BYTE*>(view) + sizeof(s.announced), s.bytes.data(), std::min(s.bytes.size(), s.mapped));
        ::UnmapViewOfFile(view);
    }
    tw::UniqueKernelObject created(::OpenEventW(EVENT_MODIFY_STATE, FALSE, names.createEvent.c_str()));
    tw::UniqueKernelObject done(::OpenEventW(SYNCHRONIZE, FALSE, names.doneEvent.c_str()));
    ::SetEvent(created.get());
    ::WaitForSingleObject(done.get(), 5000);
    ::ReleaseMutex(mutex.get());
}

class FormFillerHandOff : public twtest::SettingsPrinter {
protected:
    void SetUp() override {
        SettingsPrinter::SetUp();
        SetDword(Group(tw::settings::JobGroupFormat(kJobId)), tw::settings::kWindowsSessionId, CurrentSession());
        ASSERT_TRUE(filler.LoadLibraries(BinDirectory()));
    }
    static DWORD CurrentSession() {
        DWORD session = 0;
        ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
        return session;
    }
    // One hand-off with `s` from the editor thread; the result of the wait.
    bool HandOff(Submission s) {
        if (!filler.StartFormFiller(tw::FormFillerPrefix(name), &dm, kJobId, name)) return false;
        std::thread editor(RunEditor, filler.Names(), std::move(s));
        const bool taken = filler.WaitForFormFiller(2000);
        editor.join();
        return taken;
    }
    static Submission Whole(std::vector<BYTE> bytes) {
        Submission s;
        s.announced = bytes.size();
        s.mapped = bytes.size();
        s.bytes = std::move(bytes);
        return s;
    }
    // Page `index` drawn at `scale` into a white 24-bit DIB section; its pixels as dark or not.
    std::vector<bool> Draw(int index, int scale = 1) {
        const int w = kWidth / scale, h = kHeight / scale;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
        tw::UniqueGdiObject bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        tw::SelectGuard select(dc.get(), bitmap.get());
        RECT all{0, 0, w, h};
        ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        EXPECT_TRUE(filler.DrawCoverPage(dc.get(), index, w, h));
        ::GdiFlush();
        std::vector<bool> dark(static_cast<size_t>(w) * h);
        const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t(3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) dark[y * w + x] = static_cast<const BYTE*>(bits)[y * stride + x * 3] < 128;
        return dark;
    }
    tw::CFormFiller filler{nullptr};
};

TEST(FormFillerNames, PrefixAndNamesCarryPrinterJobAndSession) {
    const std::wstring prefix = tw::FormFillerPrefix(L"HQ Fax/Copier 2");
    EXPECT_EQ(prefix, L"{22A6A404-F0A0-4CF3-8166-67755E3E0FC3}_HQ_Fax_Copier_2");
    tw::FormFillerNames n;
    ASSERT_TRUE(tw::MakeFormFillerNames(prefix, 12, 3, n));
    EXPECT_EQ(n.createEvent, L"Global\\" + prefix + L"_12_CreateEvent");
    EXPECT_EQ(n.doneEvent, L"Global\\" + prefix + L"_12_DoneEvent");
    EXPECT_EQ(n.mutex, L"Global\\" + prefix + L"_12_Mutex");
    EXPECT_EQ(n.sessionMap, L"Session\\3\\" + prefix + L"_12_Map");
    EXPECT_EQ(n.localMap, L"Local\\" + prefix + L"_12_Map");
    // A printer name that would make names longer than objects allow is refused.
    EXPECT_FALSE(tw::MakeFormFillerNames(tw::FormFillerPrefix(std::wstring(240, L'P')), 12, 3, n));
    const std::wstring line = tw::FormFillerCommandLine(L"C:\\t.tif", n, L"HQ Fax/Copier 2");
    EXPECT_EQ(line, L"\"C:\\t.tif\" \"" + n.mutex + L"\" \"" + n.localMap + L"\" \"" + n.createEvent + L"\" \"" +
                        n.doneEvent + L"\" \"HQ Fax/Copier 2\"");
    EXPECT_TRUE(tw::FormFillerCommandLine(std::wstring(4000, L't'), n, L"P").empty());
}

TEST_F(FormFillerHandOff, PagesArriveAndAreDrawnWithTheirAnnotationsAtAnyScale) {
    ASSERT_TRUE(HandOff(Whole(CoverTiff(2))));
    ASSERT_EQ(filler.PageCount(), 2);
    for (int scale : {1, 2}) {
        const int w = kWidth / scale;
        const std::vector<bool> dark = Draw(1, scale);
        EXPECT_TRUE(dark[(kFrameRow / scale) * w + w / 2]) << scale;                          // the template
        EXPECT_TRUE(dark[((kBox.top + 20) / scale) * w + (kBox.left + 30) / scale]) << scale;  // the annotation
        EXPECT_FALSE(dark[((kBox.top + 20) / scale) * w + (kBox.right + 30) / scale]) << scale;
        EXPECT_FALSE(dark[(200 / scale) * w + 20 / scale]) << scale;
    }
    EXPECT_FALSE(filler.DrawCoverPage(nullptr, 0, kWidth, kHeight));
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    EXPECT_FALSE(filler.DrawCoverPage(dc.get(), 2, kWidth, kHeight));
}

TEST_F(FormFillerHandOff, LaunchRecordIsWrittenLastWithReady) {
    ASSERT_TRUE(HandOff(Whole(CoverTiff(1))));
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, PrinterKey() + L"\\FormFiller_TMP\\0", KEY_QUERY_VALUE);
    ASSERT_TRUE(key);
    EXPECT_EQ(tw::ReadString(key.get(), L"Ready").value_or(L""), L"YES");
    EXPECT_EQ(tw::ReadDword(key.get(), L"Flags").value_or(0), 1u);
    EXPECT_EQ(tw::ReadString(key.get(), L"Form Filler").value_or(L""), BinDirectory() + L"\\Cover Page Filler.exe");
    // Written last: the starter acts on a record only once "Ready" is there.
    DWORD index = 0, last = 0;
    for (;; ++index) {
        wchar_t value[64];
        DWORD chars = 64;
        if (::RegEnumValueW(key.get(), index, value, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (std::wstring(value) == L"Ready") last = index;
    }
    EXPECT_EQ(last, index - 1);
}

TEST_F(FormFillerHandOff, ARecordThatReadsAbortIsLeftAlone) {
    const std::wstring record = PrinterKey() + L"\\FormFiller_TMP\\0";
    SetText(record, L"Ready", L"Abort");
    EXPECT_FALSE(filler.StartFormFiller(tw::FormFillerPrefix(name), &dm, kJobId, name));
    tw::UniqueHKey key = tw::OpenKey(HKEY_CURRENT_USER, record, KEY_QUERY_VALUE);
    EXPECT_FALSE(tw::ReadString(key.get(), L"Command Line").has_value());
    EXPECT_EQ(tw::ReadString(key.get(), L"Ready").value_or(L""), L"Abort");
}

TEST_F(FormFillerHandOff, BrokenSubmissionsFailWithoutPages) {
    const std::vector<BYTE> good = CoverTiff(1);
    Submission zero = Whole(good);
    zero.announced = 0;
    Submission huge = Whole(good);
    huge.announced = 1ull << 40;
    Submission smaller = Whole(good);
    smaller.announced = good.size() + (1u << 20);
    Submission cut = Whole(std::vector<BYTE>(good.begin(), good.begin() + good.size() / 2));
    Submission garbage = Whole(std::vector<BYTE>(4096, 0x5A));
    for (const Submission* s : {&zero, &huge, &smaller, &cut, &garbage}) {
        ASSERT_TRUE(HandOff(Whole(good)));  // pages from before are replaced, not kept
        EXPECT_FALSE(HandOff(*s));
        tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
        EXPECT_FALSE(filler.DrawCoverPage(dc.get(), 0, kWidth, kHeight));
    }
    // A mapping larger than the count it announces is read as announced.
    Submission larger = Whole(good);
    larger.mapped = good.size() + 65536;
    EXPECT_TRUE(HandOff(larger));
}

TEST(FormFillerLibraries, ADirectoryWithoutTheLibrariesIsReported) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    tw::CFormFillerLibraries libraries;
    std::vector<std::pair<bool, std::wstring>> reports;
    EXPECT_FALSE(libraries.Load(temp, [&](bool error, const wchar_t* format, const std::wstring& path, DWORD) {
        reports.emplace_back(error, tw::FormatW(format, path.c_str(), 0));
    }));
    ASSERT_EQ(reports.size(), 6u);
    int errors = 0;
    for (const auto& [error, text] : reports) {
        EXPECT_EQ(text.rfind(L"402: Error loading DLL ", 0), 0u) << text;
        errors += error;
    }
    EXPECT_EQ(errors, 2);  // the imaging and the annotation library; the others only warn
}

}  // namespace
