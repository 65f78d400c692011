// The marker scanner: a character-by-character state machine over the page's text.
#include "emfimage/MarkerScanner.h"

#include <cwctype>

namespace tw {
namespace {

constexpr size_t kOpeningLength = 4;  // "##**" or "##~~"
constexpr size_t kClosingLength = 2;  // "**" or "~~"
constexpr wchar_t kNamedEnd = L'=';
constexpr wchar_t kUnnamedEnd = L'!';

bool EqualNoCase(const std::wstring& a, const wchar_t* b) { return ::_wcsicmp(a.c_str(), b) == 0; }

}  // namespace

void MarkerScanner::Reset() { *this = MarkerScanner(); }

void MarkerScanner::Feed(const std::wstring& text) {
    m_marked.resize(m_position + text.size(), false);
    for (wchar_t c : text) {
        Step(c);
        ++m_position;
    }
}

void MarkerScanner::Mark(size_t first, size_t count) {
    for (size_t i = first; i < first + count && i < m_marked.size(); ++i) {
        if (!m_marked[i]) ++m_markCount;
        m_marked[i] = true;
    }
}

void MarkerScanner::Close(MarkerField::Kind kind) {
    Mark(m_position + 1 - kClosingLength, kClosingLength);
    // The closing marker's first character was taken into the content.
    std::wstring content = m_content.substr(0, m_content.size() - 1);
    MarkerField field;
    field.kind = kind;
    if (kind == MarkerField::Kind::Named) {
        field.name = content.substr(0, m_nameLength);
        field.value = content.substr(m_nameLength + 1);
    } else {
        field.value = content;
    }
    if (kind == MarkerField::Kind::Barcode) Mark(m_contentStart, content.size());
    m_fields.push_back(std::move(field));
    m_state = State::Idle;
}

void MarkerScanner::Step(wchar_t c) {
    auto open = [&](State next) {
        Mark(m_position + 1 - kOpeningLength, kOpeningLength);
        m_contentStart = m_position + 1;
        m_content.clear();
        m_nameLength = 0;
        m_state = next;
    };
    auto startValue = [&] {
        // The name and its "=" are hidden; the value stays.
        m_nameLength = m_content.size();
        Mark(m_contentStart, m_nameLength + 1);
        m_content += c;
        m_state = State::Value;
    };
    switch (m_state) {
    case State::Idle: m_state = c == L'#' ? State::FirstHash : State::Idle; break;
    case State::FirstHash: m_state = c == L'#' ? State::Hashes : State::Idle; break;
    case State::Hashes:
        m_state = c == L'#' ? State::Hashes : c == L'*' ? State::FieldStar : c == L'~' ? State::BarcodeTilde : State::Idle;
        break;
    case State::FieldStar:
        if (c == L'*') open(State::FieldOpen);
        else m_state = c == L'#' ? State::FirstHash : State::Idle;
        break;
    case State::BarcodeTilde:
        if (c == L'~') open(State::BarcodeOpen);
        else m_state = c == L'#' ? State::FirstHash : State::Idle;
        break;
    case State::FieldOpen:
        if (c == L'=') {
            startValue();
            break;
        }
        m_content += c;
        if (c == L'*') m_state = State::FieldStarEnd;
        break;
    case State::FieldStarEnd:
        if (c == L'*') {
            Close(MarkerField::Kind::Unnamed);
        } else if (c == L'=') {
            startValue();
        } else {
            m_content += c;
            m_state = State::FieldOpen;
        }
        break;
    case State::Value:
        m_content += c;
        if (c == L'*') m_state = State::ValueStarEnd;
        break;
    case State::ValueStarEnd:
        if (c == L'*') {
            Close(MarkerField::Kind::Named);
        } else {
            m_content += c;
            m_state = State::Value;
        }
        break;
    case State::BarcodeOpen:
        m_content += c;
        if (c == L'~') m_state = State::BarcodeTildeEnd;
        break;
    case State::BarcodeTildeEnd:
        if (c == L'~') {
            Close(MarkerField::Kind::Barcode);
        } else {
            m_content += c;
            m_state = State::BarcodeOpen;
        }
        break;
    }
}

std::wstring MarkerScanner::CollectedText() const {
    std::wstring text;
    for (const MarkerField& f : m_fields) {
        if (f.kind == MarkerField::Kind::Named) text += f.name + L"=" + f.value + kNamedEnd;
        else if (f.kind == MarkerField::Kind::Unnamed) text += f.value + kUnnamedEnd;
    }
    return text;
}

std::vector<std::wstring> MarkerScanner::Values(const wchar_t* name) const {
    std::vector<std::wstring> values;
    for (const MarkerField& f : m_fields)
        if (f.kind == MarkerField::Kind::Named && EqualNoCase(f.name, name)) values.push_back(f.value);
    return values;
}

std::vector<bool> MarkerFilter::Next(size_t count) {
    std::vector<bool> keep(count, true);
    for (size_t i = 0; i < count; ++i) keep[i] = !m_scanner.IsMarked(m_position + i);
    m_position += count;
    return keep;
}

}  // namespace tw
