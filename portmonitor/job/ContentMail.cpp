// Content-based e-mail values: joining them and finding the addresses a page shows.
#include "job/ContentMail.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace tw {
namespace {

// Characters of an address as people write them: letters, digits and these.
bool IsAddressChar(wchar_t c) {
    return c != 0 && (std::iswalnum(c) || c > 0x7F || std::wcschr(L".!#$%&'*+/=?^_`{|}~-@", c) != nullptr);
}

// local@domain.tld: one "@", something before it, a dotted domain of letters, digits and hyphens
// after it, and no dot at either end of either part.
bool IsAddress(const std::wstring& s) {
    const size_t at = s.find(L'@');
    if (at == std::wstring::npos || at == 0 || s.find(L'@', at + 1) != std::wstring::npos) return false;
    const std::wstring local = s.substr(0, at), domain = s.substr(at + 1);
    if (local.front() == L'.' || local.back() == L'.' || domain.size() < 3) return false;
    const size_t dot = domain.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0 || domain.size() - dot - 1 < 2 || domain.front() == L'-') return false;
    if (domain.find(L"..") != std::wstring::npos) return false;
    return std::all_of(domain.begin(), domain.end(),
                       [](wchar_t c) { return std::iswalnum(c) || c > 0x7F || c == L'.' || c == L'-'; });
}

}  // namespace

std::wstring JoinValues(const std::vector<std::wstring>& values, const wchar_t* separator) {
    std::wstring out;
    for (const std::wstring& v : values) out = JoinTwo(out, v, separator);
    return out;
}

std::wstring JoinTwo(const std::wstring& text, const std::wstring& more, const wchar_t* separator) {
    if (text.empty()) return more;
    if (more.empty()) return text;
    return text + separator + more;
}

void ContentMailFields::Append(const ContentMailFields& more) {
    to = JoinTwo(to, more.to, kJoinAddresses);
    cc = JoinTwo(cc, more.cc, kJoinAddresses);
    bcc = JoinTwo(bcc, more.bcc, kJoinAddresses);
    subject = JoinTwo(subject, more.subject, kJoinWords);
    body = JoinTwo(body, more.body, kJoinWords);
    attachment = JoinTwo(attachment, more.attachment, kJoinList);
    addresses = JoinTwo(addresses, more.addresses, kJoinAddresses);
    p1 = more.p1;
    p2 = more.p2;
}

void ContentMailFields::ClearMail() {
    const std::wstring keep1 = p1, keep2 = p2;
    *this = ContentMailFields{};
    p1 = keep1;
    p2 = keep2;
}

std::vector<std::wstring> FindMailAddresses(const std::wstring& text) {
    std::vector<std::wstring> found;
    size_t i = 0;
    while (i < text.size()) {
        if (!IsAddressChar(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && IsAddressChar(text[end])) ++end;
        std::wstring word = text.substr(i, end - i);
        i = end;
        // Punctuation that ends a sentence or a quotation is not part of the address.
        while (!word.empty() && std::wcschr(L".-'`", word.back()) != nullptr) word.pop_back();
        while (!word.empty() && std::wcschr(L"'`", word.front()) != nullptr) word.erase(0, 1);
        if (IsAddress(word) && std::find(found.begin(), found.end(), word) == found.end()) found.push_back(word);
    }
    return found;
}

}  // namespace tw
