#pragma once
// Internal error numbers of page rendering, as the job reports them ("Internal error: %d.").
namespace tw::imgerr {
inline constexpr int kBandCopy = 52;         // a band could not be copied into the page DIB
inline constexpr int kNoPageDib = 53;        // banding ended without a page DIB
inline constexpr int kRotation = 54;         // the page DIB could not be turned
inline constexpr int kPlaybackBudget = 55;   // the page's records took longer or were more than a page may
inline constexpr int kPageTextDc = 56;       // no DC to read the text of a page kept as a metafile
inline constexpr int kColourReduction = 57;  // colour reduction failed
inline constexpr int kSizing = 251;          // the page DIB's header could not be sized
inline constexpr int kPageDibAlloc = 252;    // the page DIB could not be allocated
}  // namespace tw::imgerr

namespace tw::imgtext {
inline constexpr wchar_t kOutOfMemory[] = L"Out of memory";
}  // namespace tw::imgtext
