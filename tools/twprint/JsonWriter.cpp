#include "JsonWriter.h"

#include <cstdio>

#include "base/WideString.h"

namespace twprint {

std::string JsonEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof(buf), "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

void JsonWriter::Newline() {
    if (m_inlineDepth && m_first.size() >= m_inlineDepth) {
        m_out += ' ';
        return;
    }
    m_out += '\n';
    m_out.append(m_first.size() * 2, ' ');
}

void JsonWriter::Member(std::string_view key) {
    if (!m_first.empty()) {
        if (!m_first.back()) m_out += ',';
        m_first.back() = false;
        Newline();
    }
    if (!key.empty()) {
        m_out += JsonEscape(key);
        m_out += ": ";
    }
}

JsonWriter& JsonWriter::BeginObject(std::string_view key) {
    bool elementOfArray = key.empty() && !m_first.empty();
    Member(key);
    m_out += '{';
    m_first.push_back(true);
    if (elementOfArray && !m_inlineDepth) m_inlineDepth = m_first.size();
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    bool empty = m_first.back();
    if (!empty && !(m_inlineDepth && m_first.size() >= m_inlineDepth)) {
        m_first.pop_back();
        Newline();
    } else {
        m_first.pop_back();
    }
    if (m_inlineDepth > m_first.size()) m_inlineDepth = 0;
    m_out += '}';
    if (m_first.empty()) m_out += '\n';
    return *this;
}

JsonWriter& JsonWriter::BeginArray(std::string_view key) {
    Member(key);
    m_out += '[';
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    bool empty = m_first.back();
    bool inlined = m_inlineDepth && m_first.size() >= m_inlineDepth;
    m_first.pop_back();
    if (!empty && !inlined) Newline();
    m_out += ']';
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view key, std::wstring_view value) {
    return String(key, std::string_view(tw::ToUtf8(value)));
}

JsonWriter& JsonWriter::String(std::string_view key, std::string_view value) {
    Member(key);
    m_out += JsonEscape(value);
    return *this;
}

JsonWriter& JsonWriter::Number(std::string_view key, int64_t value) {
    Member(key);
    m_out += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(std::string_view key, bool value) {
    Member(key);
    m_out += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null(std::string_view key) {
    Member(key);
    m_out += "null";
    return *this;
}

}  // namespace twprint
