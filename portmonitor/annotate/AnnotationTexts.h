#pragma once
// Log lines and fixed texts of the page annotations, each in one place.
#include <windows.h>

namespace tw::annottext {

inline constexpr wchar_t kAnnotationText[] = L"Annotation text is: %s";
inline constexpr wchar_t kBatesText[] = L"BatesText text is: %s";
inline constexpr wchar_t kBatesInvalidIndex[] = L"LoadBatesFormatFromRegistry Invalid index!";
inline constexpr wchar_t kBatesLoadError[] = L"Error loading BatesNumbering.";
inline constexpr wchar_t kCheckingAnnotation[] = L"Checking annotation";
inline constexpr wchar_t kAnnotationEnabled[] = L"Annotation is enabled";
inline constexpr wchar_t kUniqueWatermarkPath[] = L"Error getting the path of the unique %s watermark.";
inline constexpr wchar_t kLandscape[] = L"landscape";
inline constexpr wchar_t kPortrait[] = L"portrait";
inline constexpr wchar_t kWatermarkExit2[] = L"PrintWatermark exit(2)";
inline constexpr wchar_t kCreateDibitmapFailed[] = L"PrintWatermark: CreateDIBitmap failed. Error: %d";
inline constexpr wchar_t kStretchBltFailed[] = L"PrintWatermark: StretchBlt failed. Error: %d";
inline constexpr wchar_t kStretchDibitsFailed[] = L"StretchDIBits failed: %d.";
inline constexpr wchar_t kAlphaBlendFailed[] = L"AlphaBlend failed, last error: %d";
// What a job's error report says when a watermark picture cannot be used; the page goes on.
inline constexpr wchar_t kPictureNotLoaded[] = L"Watermark picture cannot be loaded: %s";

// The face and weight a font without a height falls back to.
inline constexpr wchar_t kDefaultFace[] = L"Arial";
inline constexpr LONG kDefaultWeight = 400;
inline constexpr LONG kDefaultHeight = 16;
// Font heights are stored for a 96-DPI screen.
inline constexpr int kScreenDpi = 96;

}  // namespace tw::annottext
