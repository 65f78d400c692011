#pragma once
// Document names as applications title them, cleaned of their program names and paths.
#include <string>

namespace tw {

std::wstring CleanDocumentName(std::wstring name);

}  // namespace tw
