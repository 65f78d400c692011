#pragma once
// Output names from a template (naming method 7): a short prefix, two tokens with a separator
// between them, a dot and an extension, e.g. "<<DOCNAME>><<NONE>>.<<ORIGINAL>>". The parser
// checks a template and takes it apart; the expander fills in the job's values, fits the name
// into what the directory leaves of a path and steps around existing files.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace tw {

inline constexpr wchar_t kDefaultNameTemplate[] = L"<<DOCNAME>><<NONE>>.<<ORIGINAL>>";
inline constexpr wchar_t kOriginalExtensionToken[] = L"<<ORIGINAL>>";

// Why a template was refused (ParseNameTemplate) and what the expander ran into.
namespace tplcode {
inline constexpr int kOk = 0;
inline constexpr int kNameShortened = 110;
inline constexpr int kDirectoryMissing = 112;
inline constexpr int kTooLong = 120;
inline constexpr int kTooShort = 121;
inline constexpr int kTooManyTokens = 122;
inline constexpr int kTooFewTokens = 123;
inline constexpr int kTooFewTokensBeforeDot = 124;
inline constexpr int kTooManyTokensBeforeDot = 125;
inline constexpr int kBracketsUnpaired = 126;
inline constexpr int kNoTokenBeforeDot = 127;
inline constexpr int kExtensionTooLong = 128;
inline constexpr int kExtensionCharacter = 129;
inline constexpr int kExtensionDot = 130;
inline constexpr int kPrefixTooLong = 131;
inline constexpr int kPrefixCharacter = 132;
inline constexpr int kFirstTokenEmpty = 133;
inline constexpr int kFirstTokenUnknown = 134;
inline constexpr int kSecondTokenEmpty = 135;
inline constexpr int kSecondTokenUnknown = 136;
inline constexpr int kSeparatorTooLong = 137;
inline constexpr int kSeparatorCharacter = 138;
inline constexpr int kBothTokensNone = 139;
}  // namespace tplcode

// Field limits of the template record, in characters.
namespace tpllimit {
inline constexpr size_t kTemplateChars = 259;
inline constexpr size_t kPrefixChars = 4;
inline constexpr size_t kSeparatorChars = 64;
inline constexpr size_t kExtensionChars = 4;
inline constexpr size_t kMinTemplateChars = 9;
inline constexpr size_t kDocumentNameChars = 255;
inline constexpr size_t kDevModeExtensionChars = 128;
inline constexpr DWORD kPageNumberModulo = 10000;
inline constexpr DWORD kCounterModulo = 10000000;
// The name must fit kPathBudget - max(kMinDirectoryChars, directory length) - collision room.
inline constexpr size_t kPathBudget = 257;
inline constexpr size_t kMinDirectoryChars = 3;
}  // namespace tpllimit

struct NameTemplate {
    std::wstring text;
    std::wstring prefix;
    std::wstring firstToken;   // the token's name, without "<<" and ">>"
    std::wstring separator;
    std::wstring secondToken;
    std::wstring extension;    // literal text, or kOriginalExtensionToken
    int error = tplcode::kOk;  // of the last expansion
};

// Checks `text` rule by rule and fills `out` when it passes; the code of the first broken rule
// otherwise (tplcode).
int ParseNameTemplate(std::wstring_view text, NameTemplate& out);
bool IsKnownTemplateToken(std::wstring_view name);

// Expands a parsed template into `name` (the file name without the directory, at most
// `capacity` - 1 characters). The values that are empty get their stand-ins ("DocumentName",
// "USERNAME", "1"). With existing-file action 2, a name that exists in `directory` is
// numbered "(1)", "(2)" ... before its extension; `exists` (when given) decides whether a path
// is taken, and may take a free one itself. Returns 0, kNameShortened when a part other
// than the document's title had to be cut to fit the path, or kDirectoryMissing; `name` is
// filled in every case.
int GenerateFileNameTW(NameTemplate& tpl, std::wstring& name, size_t capacity, const std::wstring& documentName,
                       const std::wstring& devmodeExtension, const std::wstring& userName, DWORD sheetNumber,
                       DWORD documentCounter, const std::wstring& directory, DWORD existingFileAction,
                       const std::wstring& batesText,
                       const std::function<bool(const std::wstring&)>& exists = nullptr);

// The Bates number a page's name carries: the start value, plus the page counter minus 1
// unless the numbering counts documents, filled on the left up to `width` when `fill` is set.
std::wstring FormatBatesText(DWORD start, DWORD pageCounter, bool countsDocuments, wchar_t fill, size_t width);

}  // namespace tw
