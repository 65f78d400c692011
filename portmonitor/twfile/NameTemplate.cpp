#include "twfile/NameTemplate.h"

#include <algorithm>
#include <vector>

#include "base/WideString.h"
#include "monitor/Trace.h"
#include "twfile/FileNameRules.h"

namespace tw {
namespace {

constexpr std::wstring_view kOpen = L"<<";
constexpr std::wstring_view kClose = L">>";
constexpr std::wstring_view kTokenThenDot = L">>.";
constexpr std::wstring_view kBothNone = L"<<NONE>><<NONE>>.";
// Characters no part of a name may hold; in an expanded name each becomes a hyphen, as do
// control characters.
constexpr std::wstring_view kForbidden = L"\\/:*?\"<>|";
constexpr wchar_t kReplacement = L'-';
constexpr wchar_t kCollisionFormat[] = L"%s(%lu)";

constexpr wchar_t kNone[] = L"NONE";
constexpr wchar_t kDocName[] = L"DOCNAME";
constexpr wchar_t kUserName[] = L"USERNAME";
constexpr wchar_t kComputer[] = L"COMPUTER";
constexpr wchar_t kPageNum[] = L"PAGENUM";
constexpr wchar_t kDate[] = L"DATE";
constexpr wchar_t kTime[] = L"TIME";
constexpr wchar_t kTimeMs[] = L"TIMEMS";
constexpr wchar_t kCounter[] = L"COUNTER";
constexpr wchar_t kDateTime[] = L"DATETIME";
constexpr wchar_t kBates[] = L"BATES";
const wchar_t* const kKnownTokens[] = {kNone, kDocName, kUserName, kComputer, kPageNum, kDate,
                                       kTime, kTimeMs,  kCounter,  kDateTime, kBates};

constexpr wchar_t kDocumentNameStandIn[] = L"DocumentName";
constexpr wchar_t kUserNameStandIn[] = L"USERNAME";
constexpr wchar_t kBatesStandIn[] = L"1";
constexpr wchar_t kComputerVariable[] = L"COMPUTERNAME";
constexpr wchar_t kTimeMsFormat[] = L"%02u:%02u:%02u.%03u";
constexpr int kLocaleTextChars = 128;

struct TokenSpan {
    size_t open;   // index of "<<"
    size_t close;  // index just after ">>"
};

bool HasForbidden(std::wstring_view text) { return text.find_first_of(kForbidden) != std::wstring_view::npos; }

std::wstring_view TokenName(std::wstring_view text, const TokenSpan& t) {
    return text.substr(t.open + kOpen.size(), t.close - t.open - kOpen.size() - kClose.size());
}

// The "<<" ... ">>" pairs of the template; false when they do not pair or a bracket stands alone.
bool FindTokens(std::wstring_view text, std::vector<TokenSpan>& tokens) {
    bool inside = false;
    size_t openAt = 0;
    for (size_t i = 0; i < text.size();) {
        std::wstring_view rest = text.substr(i);
        if (rest.substr(0, 2) == kOpen) {
            if (inside) return false;
            inside = true;
            openAt = i;
            i += 2;
        } else if (rest.substr(0, 2) == kClose) {
            if (!inside) return false;
            inside = false;
            tokens.push_back({openAt, i + 2});
            i += 2;
        } else if (text[i] == L'<' || text[i] == L'>') {
            return false;
        } else {
            ++i;
        }
    }
    return !inside;
}

std::wstring LocaleDate() {
    wchar_t picture[kLocaleTextChars] = {}, out[kLocaleTextChars] = {};
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, kLocaleTextChars);
    ::GetDateFormatW(LOCALE_USER_DEFAULT, 0, nullptr, picture, out, kLocaleTextChars);
    return out;
}

std::wstring LocaleTime() {
    wchar_t picture[kLocaleTextChars] = {}, out[kLocaleTextChars] = {};
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, picture, kLocaleTextChars);
    ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, picture, out, kLocaleTextChars);
    return out;
}

struct TokenValues {
    std::wstring documentName, userName, pageNumber, counter, bates;
};

std::wstring ExpandToken(std::wstring_view name, const TokenValues& v) {
    if (name == kDocName) return v.documentName;
    if (name == kUserName) return v.userName;
    if (name == kComputer) {
        wchar_t buffer[MAX_PATH] = {};
        DWORD n = ::GetEnvironmentVariableW(kComputerVariable, buffer, MAX_PATH);
        return n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
    }
    if (name == kPageNum) return v.pageNumber;
    if (name == kDate) return LocaleDate();
    if (name == kTime) return LocaleTime();
    if (name == kTimeMs) {
        SYSTEMTIME now{};
        ::GetLocalTime(&now);
        return FormatW(kTimeMsFormat, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    }
    if (name == kCounter) return v.counter;
    if (name == kDateTime) return LocaleDate() + L" " + LocaleTime();
    if (name == kBates) return v.bates;
    return {};  // NONE
}

bool ExistsInDirectory(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    int bytes = ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    std::string ansi(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
    return ::GetFileAttributesA(ansi.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool IsKnownTemplateToken(std::wstring_view name) {
    for (const wchar_t* known : kKnownTokens)
        if (name == known) return true;
    return false;
}

int ParseNameTemplate(std::wstring_view text, NameTemplate& out) {
    using namespace tplcode;
    if (text.size() > tpllimit::kTemplateChars) return kTooLong;
    if (text.size() < tpllimit::kMinTemplateChars) return kTooShort;
    std::vector<TokenSpan> tokens;
    if (!FindTokens(text, tokens)) return kBracketsUnpaired;
    const size_t lastDot = text.rfind(L'.');
    const size_t beforeDot = lastDot == std::wstring_view::npos
                                 ? 0
                                 : std::count_if(tokens.begin(), tokens.end(),
                                                 [&](const TokenSpan& t) { return t.close <= lastDot; });
    if (beforeDot < 2) return kTooFewTokensBeforeDot;
    if (beforeDot > 2) return kTooManyTokensBeforeDot;
    if (tokens.size() < 2) return kTooFewTokens;
    if (tokens.size() > 3) return kTooManyTokens;
    const size_t tokenDot = text.find(kTokenThenDot);
    if (tokenDot == std::wstring_view::npos) return kNoTokenBeforeDot;
    const std::wstring_view extension = text.substr(tokenDot + kTokenThenDot.size());
    if (extension != kOriginalExtensionToken) {
        if (extension.size() > tpllimit::kExtensionChars) return kExtensionTooLong;
        if (HasForbidden(extension)) return kExtensionCharacter;
        if (extension.find(L'.') != std::wstring_view::npos) return kExtensionDot;
    }
    if (text.find(kOpen) == std::wstring_view::npos) return kBracketsUnpaired;
    const std::wstring_view prefix = text.substr(0, tokens[0].open);
    if (prefix.size() > tpllimit::kPrefixChars) return kPrefixTooLong;
    if (HasForbidden(prefix)) return kPrefixCharacter;
    const std::wstring_view first = TokenName(text, tokens[0]);
    if (first.empty()) return kFirstTokenEmpty;
    if (!IsKnownTemplateToken(first)) return kFirstTokenUnknown;
    const std::wstring_view second = TokenName(text, tokens[1]);
    if (second.empty()) return kSecondTokenEmpty;
    if (!IsKnownTemplateToken(second)) return kSecondTokenUnknown;
    const std::wstring_view separator = text.substr(tokens[0].close, tokens[1].open - tokens[0].close);
    if (separator.size() > tpllimit::kSeparatorChars) return kSeparatorTooLong;
    if (HasForbidden(separator)) return kSeparatorCharacter;
    if (text.substr(0, kBothNone.size()) == kBothNone) return kBothTokensNone;

    out.text.assign(text);
    out.prefix.assign(prefix);
    out.firstToken.assign(first);
    out.separator.assign(separator);
    out.secondToken.assign(second);
    out.extension.assign(extension);
    out.error = kOk;
    return kOk;
}

int GenerateFileNameTW(NameTemplate& tpl, std::wstring& name, size_t capacity, const std::wstring& documentName,
                       const std::wstring& devmodeExtension, const std::wstring& userName, DWORD sheetNumber,
                       DWORD documentCounter, const std::wstring& directory, DWORD existingFileAction,
                       const std::wstring& batesText,
                       const std::function<bool(const std::wstring&)>& exists) {
    TW_TRACE(L"> GenerateFileNameTW %s", tpl.text.c_str());
    TokenValues values;
    values.documentName = documentName.empty() ? kDocumentNameStandIn : documentName.substr(0, tpllimit::kDocumentNameChars);
    values.userName = userName.empty() ? kUserNameStandIn : userName;
    values.bates = batesText.empty() ? kBatesStandIn : batesText;
    values.pageNumber = FormatW(L"%04lu", static_cast<unsigned long>(sheetNumber % tpllimit::kPageNumberModulo));
    values.counter = FormatW(L"%07lu", static_cast<unsigned long>(documentCounter % tpllimit::kCounterModulo));
    const std::wstring firstValue = ExpandToken(tpl.firstToken, values);
    const std::wstring secondValue = ExpandToken(tpl.secondToken, values);
    const std::wstring extensionValue = tpl.extension == kOriginalExtensionToken
                                            ? devmodeExtension.substr(0, tpllimit::kDevModeExtensionChars)
                                            : tpl.extension;
    const size_t directoryChars = std::max(tpllimit::kMinDirectoryChars, directory.size());
    bool shortened = false;

    // Fits the parts into the budget in their order of importance and composes the name.
    auto compose = [&](size_t collisionRoom, unsigned long collision) {
        size_t left = tpllimit::kPathBudget > directoryChars + collisionRoom
                          ? tpllimit::kPathBudget - directoryChars - collisionRoom
                          : 0;
        // A long document title is cut as a matter of course; cutting what the template itself
        // asks for means the name is not what was configured.
        auto fit = [&](std::wstring part, bool title = false) {
            if (part.size() > left) {
                part.resize(left);
                if (!title) shortened = true;
            }
            left -= part.size();
            return part;
        };
        const bool firstIsDoc = tpl.firstToken == kDocName, secondIsDoc = tpl.secondToken == kDocName;
        std::wstring extension = fit(extensionValue);
        std::wstring first, second;
        if (firstIsDoc) first = fit(firstValue, true);
        if (secondIsDoc) second = fit(secondValue, true);
        std::wstring prefix = fit(tpl.prefix);
        std::wstring separator = fit(tpl.separator);
        if (!firstIsDoc) first = fit(firstValue);
        if (!secondIsDoc) second = fit(secondValue);
        std::wstring base = prefix + first + separator + second;
        if (collision) base = FormatW(kCollisionFormat, base.c_str(), collision);
        std::wstring composed = extension.empty() ? base : base + L"." + extension;
        std::replace_if(composed.begin(), composed.end(),
                        [](wchar_t c) { return c < L' ' || kForbidden.find(c) != std::wstring_view::npos; },
                        kReplacement);
        // A document title must not name a device instead of a file.
        if (IsReservedDeviceName(composed)) composed.insert(0, L"_");
        return composed;
    };

    name = compose(0, 0);
    if (existingFileAction == 2) {
        auto taken = [&](const std::wstring& path) { return exists ? exists(path) : ExistsInDirectory(path); };
        for (unsigned long g = 1; taken(directory + name); ++g)
            name = compose(std::to_wstring(g).size() + 2, g);
    }
    if (capacity > 0 && name.size() > capacity - 1) {
        name.resize(capacity - 1);
        shortened = true;
    }
    int code = shortened ? tplcode::kNameShortened : tplcode::kOk;
    if (!DirectoryExists(directory)) code = tplcode::kDirectoryMissing;
    tpl.error = code;
    TW_TRACE(L"< GenerateFileNameTW: %d %s", code, name.c_str());
    return code;
}

std::wstring FormatBatesText(DWORD start, DWORD pageCounter, bool countsDocuments, wchar_t fill, size_t width) {
    DWORD number = start + (countsDocuments || pageCounter == 0 ? 0 : pageCounter - 1);
    std::wstring digits = std::to_wstring(number);
    if (fill && digits.size() < width) digits.insert(0, width - digits.size(), fill);
    return digits;
}

}  // namespace tw
