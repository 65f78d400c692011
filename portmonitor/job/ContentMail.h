#pragma once
// What content-based e-mail takes from the page text for the post-print records: the values of
// the page's mail markers, the addresses written on the page, and how several values are joined.
#include <string>
#include <vector>

namespace tw {

inline constexpr wchar_t kJoinAddresses[] = L"; ";  // recipients
inline constexpr wchar_t kJoinWords[] = L" ";       // subject, body, P1, P2
inline constexpr wchar_t kJoinList[] = L";";        // attachments, file names

struct ContentMailFields {
    std::wstring to, cc, bcc, subject, body, attachment, p1, p2;
    std::wstring addresses;  // found in the page text (simple content-based e-mail)

    // Puts `more`'s mail values after these, each with its separator (P1 and P2 are replaced).
    void Append(const ContentMailFields& more);
    // Forgets the mail values, keeping P1 and P2.
    void ClearMail();
};

// `values` joined with `separator`.
std::wstring JoinValues(const std::vector<std::wstring>& values, const wchar_t* separator);
// `text`, then `separator` and `more` when both are there; whichever is there otherwise.
std::wstring JoinTwo(const std::wstring& text, const std::wstring& more, const wchar_t* separator);

// The e-mail addresses written in `text`, in order, each once.
std::vector<std::wstring> FindMailAddresses(const std::wstring& text);

}  // namespace tw
