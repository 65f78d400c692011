// What a job's group file and status file cost a page: the page's values written the way the job
// writes them (two sections of the group file, one value of the status file), by the whole-file
// writer and by the system's profile functions, over PAGES pages of one growing file.
//   bench_groupfile [PAGES]   (default 200)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <algorithm>
#include <string>

#include "base/IniDocument.h"
#include "base/IniSectionBatch.h"

namespace {

using Clock = std::chrono::steady_clock;

std::wstring TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

void PageValues(int page, tw::IniSectionBatch& batch) {
    const std::wstring section = L"Page " + std::to_wstring(page);
    batch.Add(section.c_str(), L"FileName", L"C:\\Output\\abcd" + std::to_wstring(page) + L".tif");
    batch.Add(section.c_str(), L"Orientation", L"Portrait");
    batch.Add(section.c_str(), L"Page width in pixels", L"1734");
    batch.Add(section.c_str(), L"Page height in pixels", L"2156");
    batch.Add(section.c_str(), L"X DPI", L"204");
    batch.Add(section.c_str(), L"Y DPI", L"196");
    batch.Add(L"Bench Printer", L"Total number of pages", std::to_wstring(page));
}

// The profile functions as the job used them: each section read, merged and written back.
void WriteWithProfile(int page, const std::wstring& group, const std::wstring& status) {
    const std::wstring section = L"Page " + std::to_wstring(page);
    std::wstring block = L"FileName=C:\\Output\\abcd" + std::to_wstring(page) + L".tif";
    for (const wchar_t* entry : {L"Orientation=Portrait", L"Page width in pixels=1734", L"Page height in pixels=2156",
                                 L"X DPI=204", L"Y DPI=196"}) {
        block.push_back(L'\0');
        block += entry;
    }
    block.append(2, L'\0');
    static wchar_t buffer[1 << 16];
    ::GetPrivateProfileSectionW(section.c_str(), buffer, 1 << 16, group.c_str());
    ::WritePrivateProfileSectionW(section.c_str(), block.c_str(), group.c_str());
    ::GetPrivateProfileSectionW(L"Bench Printer", buffer, 1 << 16, group.c_str());
    const std::wstring total = L"Total number of pages=" + std::to_wstring(page) + std::wstring(2, L'\0');
    ::WritePrivateProfileSectionW(L"Bench Printer", total.c_str(), group.c_str());
    ::WritePrivateProfileStringW(L"Bench Printer", L"Last Output File", section.c_str(), status.c_str());
}

void WriteWhole(int page, const std::wstring& group, const std::wstring& status) {
    tw::IniSectionBatch batch;
    PageValues(page, batch);
    batch.WriteTo(group);
    tw::IniDocument::Update(status, [page](tw::IniDocument& doc) {
        doc.Set(L"Bench Printer", L"Last Output File", L"Page " + std::to_wstring(page));
    });
}

double MsPerPage(void (*write)(int, const std::wstring&, const std::wstring&), int pages) {
    const std::wstring group = TempPath(L"bench_groupfile.grp"), status = TempPath(L"bench_groupfile_status.ini");
    ::DeleteFileW(group.c_str());
    ::DeleteFileW(status.c_str());
    const auto start = Clock::now();
    for (int page = 1; page <= pages; ++page) write(page, group, status);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ::DeleteFileW(group.c_str());
    ::DeleteFileW(status.c_str());
    return ms / pages;
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    for (int round = 0; round < 2; ++round) {
        std::printf("profile functions: %.2f ms a page over %d pages\n", MsPerPage(WriteWithProfile, pages), pages);
        std::printf("whole-file writer: %.2f ms a page over %d pages\n", MsPerPage(WriteWhole, pages), pages);
    }
    return 0;
}
