#pragma once
// A small streaming JSON writer for twprint's report: objects, arrays, strings (UTF-16 in,
// UTF-8 out, escaped), numbers and booleans; one member per line, and each element of an array
// on a line of its own.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace twprint {

class JsonWriter {
public:
    JsonWriter& BeginObject(std::string_view key = {});
    JsonWriter& EndObject();
    JsonWriter& BeginArray(std::string_view key = {});
    JsonWriter& EndArray();
    JsonWriter& String(std::string_view key, std::wstring_view value);
    JsonWriter& String(std::string_view key, std::string_view value);
    JsonWriter& Number(std::string_view key, int64_t value);
    JsonWriter& Bool(std::string_view key, bool value);
    JsonWriter& Null(std::string_view key);
    const std::string& str() const { return m_out; }

private:
    void Member(std::string_view key);
    void Newline();

    std::string m_out;
    std::vector<bool> m_first;  // per open container: no member written yet
    size_t m_inlineDepth = 0;   // containers from this depth on are written on one line
};

std::string JsonEscape(std::string_view utf8);

}  // namespace twprint
