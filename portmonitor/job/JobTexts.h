#pragma once
// Texts of the document's lifecycle that the user sees: the status texts, and the reasons a
// page or the document could not be produced.
namespace tw::jobtext {

inline constexpr wchar_t kStatusStarted[] = L"Printing started";
inline constexpr wchar_t kStatusFinished[] = L"Printing finished successfully";

// %s: format name; %d: format code.
inline constexpr wchar_t kNoWriterForFormat[] = L"The output format %s (%d) cannot be written.";
// %lu: page number; %d: the page's bits per pixel.
inline constexpr wchar_t kNotMonochrome[] =
    L"Page %lu was not printed: this printer writes black-and-white pages only, and the page is set to %d bits per "
    L"pixel. Choose a dithering method to print colour pages in black and white.";
// %lu: page number; %s: format name; %lu: format code.
inline constexpr wchar_t kNoMultipageFormat[] =
    L"Page %lu was not printed: the output format %s (%lu) cannot hold several pages in one file.";
// A step that failed without saying why. %lu: page number; %s: the step.
inline constexpr wchar_t kPageNotProduced[] = L"Page %lu could not be produced (%s).";
// %s: the step.
inline constexpr wchar_t kDocumentNotStarted[] = L"The document could not be started (%s).";
inline constexpr wchar_t kDocumentNotFinished[] = L"The document could not be finished (%s).";

}  // namespace tw::jobtext
