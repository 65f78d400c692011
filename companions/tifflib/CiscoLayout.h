#pragma once
// The layout CISCO fax servers take (README.md): every page re-coded as Group 3 1D with
// byte-aligned EOLs, MSB-first, one strip, marked as a page of a multi-page fax.
namespace twtiff {

// Reads `source` whole, then writes the converted TIFF to `target` (which may be the same file;
// it is then rewritten in place, so that other handles on it stay valid).
bool ConvertToCiscoLayout(const wchar_t* source, const wchar_t* target);

}  // namespace twtiff
