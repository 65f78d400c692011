#pragma once
// Locating the shared EMF corpus from the test program.
#include <string>
#include <vector>

namespace twtest {
// Full paths of every .emf in the corpus, sorted; empty when the corpus is not found.
std::vector<std::wstring> EmfCorpusFiles();
std::wstring EmfCorpusFile(const wchar_t* name);
}  // namespace twtest
