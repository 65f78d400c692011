#pragma once
// The markers a document writes into its page text to pass data to the monitor: "##**name=value**"
// (a named field, the value stays visible), "##**value**" (an unnamed field) and "##~~text~~"
// (barcode text, hidden). The first pass reads the page's text in record order and marks the
// characters to hide; the playing pass drops the marked characters from every text record.
#include <windows.h>

#include <string>
#include <vector>

namespace tw {

struct MarkerField {
    enum class Kind { Named, Unnamed, Barcode };
    Kind kind = Kind::Named;
    std::wstring name;   // named fields only
    std::wstring value;
};

class MarkerScanner {
public:
    // Forgets the page: marks, fields and the scanner state.
    void Reset();
    // Feeds the next text of the page, in record order.
    void Feed(const std::wstring& text);
    // Characters fed so far.
    size_t Position() const { return m_position; }
    bool IsMarked(size_t position) const { return position < m_marked.size() && m_marked[position]; }
    bool HasMarks() const { return m_markCount > 0; }
    // The fields whose closing marker was met, in page order.
    const std::vector<MarkerField>& Fields() const { return m_fields; }
    // The fields as one text: each named field "name=value" followed by "=", each unnamed one
    // "value" followed by "!".
    std::wstring CollectedText() const;
    // The values of the named fields called `name` (compared without regard to case).
    std::vector<std::wstring> Values(const wchar_t* name) const;

private:
    enum class State {
        Idle, FirstHash, Hashes, FieldStar, BarcodeTilde, FieldOpen, Value, ValueStarEnd, FieldStarEnd,
        BarcodeOpen, BarcodeTildeEnd
    };
    void Step(wchar_t c);
    void Mark(size_t first, size_t count);
    void Close(MarkerField::Kind kind);

    State m_state = State::Idle;
    size_t m_position = 0;
    size_t m_contentStart = 0;  // first position after the opening marker
    std::wstring m_content;     // the characters since the opening marker
    size_t m_nameLength = 0;    // characters before the "=" of a named field
    bool m_named = false;
    std::vector<bool> m_marked;
    size_t m_markCount = 0;
    std::vector<MarkerField> m_fields;
};

// Drops the marked characters of the records of one playback. Positions count from the first
// text record of the page, like the scanner's.
class MarkerFilter {
public:
    explicit MarkerFilter(const MarkerScanner& scanner) : m_scanner(scanner) {}
    // Which of the next `count` characters stay visible; advances the position.
    std::vector<bool> Next(size_t count);
    void Restart() { m_position = 0; }
    bool Active() const { return m_scanner.HasMarks(); }

private:
    const MarkerScanner& m_scanner;
    size_t m_position = 0;
};

}  // namespace tw
