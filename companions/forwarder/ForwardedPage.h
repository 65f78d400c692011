#pragma once
// One forwarded page as its record describes it, and its printing onto a bitmap.
#include <windows.h>

#include <string>
#include <vector>

namespace twforward {

struct PageRecord {
    DWORD sequence = 0;
    std::wstring ready;
    std::wstring pageFile, underFile;
    std::vector<std::wstring> aboveFiles;  // one per copy
    std::vector<BYTE> devMode;
    DWORD devModeSize = 0, size = 0;
};

// Reads value `name` of `key` as text (without trailing terminators) or DWORD; false when absent.
bool ReadText(HKEY key, const wchar_t* name, std::wstring& out);
bool ReadDword(HKEY key, const wchar_t* name, DWORD& out);
bool ReadPage(HKEY key, DWORD sequence, PageRecord& page, std::wstring& error);

// Plays the under-layer, the page and copy `copy`'s annotation layer onto a white bitmap of the
// page's pixel size (from its DEVMODE) and saves it as a 24-bit BMP.
bool PrintPage(const PageRecord& page, size_t copy, const std::wstring& bmpPath, std::wstring& error);

}  // namespace twforward
