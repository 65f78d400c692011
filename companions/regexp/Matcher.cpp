#include "Matcher.h"

#include <memory>

#define PCRE2_CODE_UNIT_WIDTH 16
#define PCRE2_STATIC
#include <pcre2.h>

#include "TwRegExp.h"

namespace regexp {
namespace {

struct CodeDeleter {
    void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};

PCRE2_SPTR16 Ptr(const std::u16string& s) { return reinterpret_cast<PCRE2_SPTR16>(s.c_str()); }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Appends group `number` of the match; false when the pattern has no such group.
bool AppendGroup(pcre2_match_data* data, uint32_t groups, long number, const std::u16string& text,
                 std::u16string& out) {
    if (number < 0 || static_cast<uint32_t>(number) > groups) return false;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
    const PCRE2_SIZE start = ov[2 * number], end = ov[2 * number + 1];
    if (start != PCRE2_UNSET && end >= start) out.append(text, start, end - start);  // an unset group adds nothing
    return true;
}

// "$n" and "${n}" put group n, "${name}" a named group, "$$" a dollar; other characters stay.
int Format(const pcre2_code* code, pcre2_match_data* data, const std::u16string& text, const std::u16string& format,
           std::u16string& out) {
    uint32_t groups = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &groups);
    if (format.empty()) return AppendGroup(data, groups, 0, text, out) ? kRegExpMatched : kRegExpBadFormat;
    for (size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (c != u'$' || i + 1 >= format.size()) {
            out.push_back(c);
            continue;
        }
        const char16_t next = format[i + 1];
        if (next == u'$') {
            out.push_back(u'$');
            ++i;
        } else if (IsDigit(next)) {
            size_t j = i + 1;
            long n = 0;
            while (j < format.size() && IsDigit(format[j]) && n < 100000) n = n * 10 + (format[j++] - u'0');
            if (!AppendGroup(data, groups, n, text, out)) return kRegExpBadFormat;
            i = j - 1;
        } else if (next == u'{') {
            const size_t close = format.find(u'}', i + 2);
            if (close == std::u16string::npos || close == i + 2) return kRegExpBadFormat;
            const std::u16string name = format.substr(i + 2, close - i - 2);
            long n = 0;
            bool numeric = true;
            for (char16_t d : name) {
                if (!IsDigit(d) || n >= 100000) numeric = false;
                else n = n * 10 + (d - u'0');
            }
            if (!numeric) n = pcre2_substring_number_from_name(code, Ptr(name));
            if (!AppendGroup(data, groups, n, text, out)) return kRegExpBadFormat;
            i = close;
        } else {
            out.push_back(c);
        }
    }
    return kRegExpMatched;
}

}  // namespace

int MatchAndFormat(const std::u16string& pattern, const std::u16string& text, const std::u16string& format,
                   std::u16string& result) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    // Page text may hold lone surrogates: they never match, and never fail the whole match.
    // \w, \d and the case rules take Unicode's letters and digits, as page text has them.
    std::unique_ptr<pcre2_code, CodeDeleter> code(pcre2_compile(Ptr(pattern), pattern.size(),
                                                                PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF, &error, &offset,
                                                                nullptr));
    if (!code) return error == PCRE2_ERROR_NOMEMORY ? kRegExpNoMemory : kRegExpBadPattern;
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(pcre2_match_context_create(nullptr));
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!context || !data) return kRegExpNoMemory;
    pcre2_set_match_limit(context.get(), kMatchLimit);
    pcre2_set_depth_limit(context.get(), kDepthLimit);
    pcre2_set_heap_limit(context.get(), kHeapLimitKiB);
    const int rc = pcre2_match(code.get(), Ptr(text), text.size(), 0, 0, data.get(), context.get());
    if (rc == PCRE2_ERROR_NOMATCH) return kRegExpNoMatch;
    if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT) return kRegExpLimit;
    if (rc == PCRE2_ERROR_NOMEMORY) return kRegExpNoMemory;
    if (rc < 0) return kRegExpNoMatch;
    result.clear();
    return Format(code.get(), data.get(), text, format, result);
}

}  // namespace regexp
