// twforward.exe: prints the forwarded pages of one post-print ID into BMP files and, as the
// forwarding program does, deletes the temporary metafiles it printed (README.md). Exit codes:
// 0 every page printed, 1 a record or metafile could not be used, 2 a command line it cannot read.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "ForwardedPage.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "notify/ForwardingRecords.h"

namespace {

namespace fw = tw::forwarding;

constexpr wchar_t kRoot[] = L"SOFTWARE\\Tarnwell Software LLC\\";

int Usage(const wchar_t* why) {
    std::fwprintf(stderr, L"twforward: %ls\nusage: twforward --printer-key NAME --id N --out DIR [--copy N] [--keep]\n",
                  why);
    return 2;
}

void Say(const std::wstring& line) {
    std::fwprintf(stdout, L"%ls\n", line.c_str());
    std::fflush(stdout);
}

tw::UniqueHKey OpenRecord(const std::wstring& printerKey, DWORD id, DWORD sequence) {
    HKEY key = nullptr;
    const std::wstring path = kRoot + printerKey + L"\\" + fw::kRecords + tw::FormatW(L"\\%lu_%lu", id, sequence);
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    return tw::UniqueHKey(key);
}

int Fail(const std::wstring& why) {
    std::fwprintf(stderr, L"twforward: %ls\n", why.c_str());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring printerKey, out;
    DWORD id = 0, copy = 1;
    bool haveId = false, keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--keep") {
            keep = true;
            continue;
        }
        if (i + 1 >= argc) return Usage((a + L" needs a value").c_str());
        const wchar_t* v = argv[++i];
        wchar_t* end = nullptr;
        if (a == L"--printer-key") printerKey = v;
        else if (a == L"--out") out = v;
        else if (a == L"--id") id = std::wcstoul(v, &end, 10), haveId = end && !*end;
        else if (a == L"--copy") copy = std::wcstoul(v, &end, 10);
        else return Usage((L"unknown option " + a).c_str());
    }
    if (printerKey.empty() || !haveId || out.empty() || copy == 0) return Usage(L"--printer-key, --id and --out are required");

    tw::UniqueHKey job = OpenRecord(printerKey, id, 0);
    std::wstring ready;
    DWORD pages = 0, copies = 0;
    if (!job || !twforward::ReadText(job.get(), fw::kReady, ready) || !twforward::ReadDword(job.get(), fw::kPageNumber, pages))
        return Fail(tw::FormatW(L"no finished job record for ID %lu", id));
    twforward::ReadDword(job.get(), fw::kNumberOfCopies, copies);
    Say(tw::FormatW(L"job ready=%ls pages=%lu copies=%lu", ready.c_str(), pages, copies));
    if (ready != fw::kReadyYes) return Fail(L"the job record is not ready: " + ready);
    int result = 0;
    for (DWORD sequence = 1; sequence <= pages; ++sequence) {
        tw::UniqueHKey key = OpenRecord(printerKey, id, sequence);
        twforward::PageRecord page;
        std::wstring error;
        if (!key || !twforward::ReadPage(key.get(), sequence, page, error)) {
            result = Fail(error.empty() ? tw::FormatW(L"no record for page %lu", sequence) : error);
            continue;
        }
        const std::wstring bmp = out + tw::FormatW(L"\\page%lu.bmp", sequence);
        if (page.ready != fw::kReadyYes || !twforward::PrintPage(page, copy - 1, bmp, error)) {
            result = Fail(error.empty() ? tw::FormatW(L"page %lu is not ready", sequence) : error);
            continue;
        }
        Say(tw::FormatW(L"page %lu %ls layers=%lu", sequence, bmp.c_str(),
                        static_cast<unsigned long>(page.aboveFiles.size())));
        if (keep) continue;
        // Printed: the temporary metafiles are the forwarding program's to remove.
        ::DeleteFileW(page.pageFile.c_str());
        if (!page.underFile.empty()) ::DeleteFileW(page.underFile.c_str());
        for (const std::wstring& above : page.aboveFiles)
            if (!above.empty()) ::DeleteFileW(above.c_str());
    }
    return result;
}
