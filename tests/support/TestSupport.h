#pragma once
// Shared helpers of the test programs.
#include <windows.h>
#include <string>

namespace twtest {
// A name unique to this process and call, for printers, ports and registry keys.
std::wstring UniqueName(const wchar_t* prefix);
// A fresh empty directory under the Wine prefix's temporary folder.
std::wstring MakeTempDir(const wchar_t* prefix);
void RemoveTree(const std::wstring& dir);
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// A file of the repository (TW_ROOT, else three levels above the program), e.g. L"examples\\page1.emf".
std::wstring RepoFile(const wchar_t* relative);
// The bytes of the sample letter's first page, examples\page1.emf.
std::string SamplePage();
}  // namespace twtest
