#include "annotate/TokenExpansion.h"

#include <optional>

#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "notify/PathExpansion.h"

namespace tw {
namespace {

// "%s\Pdf Settings" texts of the document description, at most 64 characters.
constexpr size_t kDescriptionChars = 64;

struct DescriptionToken {
    const wchar_t* token;
    const wchar_t* valueName;
};
constexpr DescriptionToken kDescriptions[] = {
    {L"DOCUMENT TITLE", L"Document Title"},
    {L"DOCUMENT AUTHOR", L"Document Author"},
    {L"DOCUMENT SUBJECT", L"Document Subject"},
    {L"DOCUMENT KEYWORDS", L"Document Keywords"},
};

std::optional<std::wstring> TokenValue(const AnnotationContext& ctx, const std::wstring& name) {
    const JobEnvironment empty;
    const JobEnvironment& env = ctx.environment ? *ctx.environment : empty;
    const SYSTEMTIME& t = ctx.printingTime;
    auto is = [&](const wchar_t* token) { return EqualsNoCase(name, token); };
    if (is(L"DOMAINNAME")) return env.domain;
    if (is(L"USERNAME")) return env.userName;
    if (is(L"COMPUTERNAME")) return env.computerName;
    if (is(L"IPADDRESS")) return env.ipAddress;
    if (is(L"DOCNAME")) return ctx.documentName;
    if (is(L"PAGENUM")) return FormatW(L"%lu", ctx.pageNumber);
    if (is(L"COPY")) return FormatW(L"%lu", ctx.copy == 0 ? 1ul : ctx.copy);
    if (is(L"PRINTERNAME")) return ctx.printerName;
    if (is(L"PRINTING TIME")) return PrintingTimeText(t);
    if (is(L"PRINTING DATE US")) return FormatW(L"%02u/%02u/%04u", t.wMonth, t.wDay, t.wYear);
    if (is(L"PRINTING DATE EU")) return FormatW(L"%02u/%02u/%04u", t.wDay, t.wMonth, t.wYear);
    if (is(L"PRINTING DATE ASIA")) return FormatW(L"%04u/%02u/%02u", t.wYear, t.wMonth, t.wDay);
    for (const DescriptionToken& d : kDescriptions) {
        if (!is(d.token)) continue;
        std::wstring text = settings::ReadString(ctx.dm, settings::kPdfSettings, d.valueName).value_or(L"");
        if (text.size() > kDescriptionChars) text.resize(kDescriptionChars);
        return text;
    }
    std::wstring value;
    if (ExpandUserVariable(name, value, ctx.tokenSource)) return value;
    if (auto envVar = settings::ReadString(ctx.dm, settings::kEnvVars, name.c_str())) return *envVar;
    return std::nullopt;
}

}  // namespace

std::wstring PrintingTimeText(const SYSTEMTIME& t) {
    const unsigned hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
    return FormatW(L"%02u:%02u:%02u %s", hour12, t.wMinute, t.wSecond, t.wHour < 12 ? L"AM" : L"PM");
}

std::wstring ExpandAnnotationTokens(const AnnotationContext& ctx, std::wstring_view templ) {
    std::wstring out;
    auto append = [&](std::wstring_view piece) {
        if (out.size() + piece.size() <= kAnnotationTextChars) out.append(piece);
    };
    size_t pos = 0;
    while (pos < templ.size()) {
        const size_t open = templ.find(kTokenOpen, pos);
        if (open == std::wstring_view::npos) {
            append(templ.substr(pos));
            break;
        }
        append(templ.substr(pos, open - pos));
        const size_t nameStart = open + 2;
        const size_t close = templ.find(kTokenClose, nameStart);
        const size_t nameEnd = close == std::wstring_view::npos ? templ.size() : close;
        const size_t next = close == std::wstring_view::npos ? templ.size() : close + 2;
        const std::wstring name(templ.substr(nameStart, nameEnd - nameStart));
        if (std::optional<std::wstring> value = TokenValue(ctx, name)) append(*value);
        else append(templ.substr(open, next - open));
        pos = next;
    }
    return out;
}

}  // namespace tw
