#pragma once
// Where the language data lies and which languages a caller asks for.
#include <windows.h>

#include <string>

namespace twocr {

// The caller's list ("eng", "eng+deu", "eng, deu", "eng;deu") as Tesseract's "eng+deu"; empty
// when the list is empty or a name holds anything but letters, digits, '_' and '-' (a name
// becomes a file name, so it may not walk out of the data folder).
std::string NormaliseLanguages(const wchar_t* languages);

// The data folder, first found of: `explicitDir`, the environment variable TWOCR_TESSDATA,
// TESSDATA_PREFIX, the folder "tessdata" next to this DLL. Ends in a backslash.
std::wstring FindTessdataDir(const wchar_t* explicitDir);

// Whether every language of a normalised list has its .traineddata file in `dir`.
bool HasLanguageData(const std::wstring& dir, const std::string& languages);

// A wide path as the engine's narrow file functions take it (the ANSI code page).
std::string NarrowPath(const std::wstring& path);

}  // namespace twocr
