#pragma once
// A minimal JSON reader for test reference files (objects, arrays, strings, numbers, literals).
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testjson {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Value> items;
    std::map<std::string, Value> members;

    // The member `key`, or a shared null value when absent or not an object.
    const Value& operator[](const std::string& key) const {
        static const Value null;
        auto it = members.find(key);
        return it == members.end() ? null : it->second;
    }
    bool Has(const std::string& key) const { return members.count(key) != 0; }
    bool IsNull() const { return kind == Null; }
};

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    // Parses the whole text; false on a syntax error.
    bool Parse(Value& out) {
        if (!ParseValue(out)) return false;
        SkipSpace();
        return m_pos == m_text.size();
    }

private:
    void SkipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }
    bool Literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (m_text.compare(m_pos, n, word) != 0) return false;
        m_pos += n;
        return true;
    }
    bool ParseString(std::string& out) {
        if (m_text[m_pos] != '"') return false;
        ++m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            char c = m_text[m_pos++];
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (m_pos >= m_text.size()) return false;
            char e = m_text[m_pos++];
            switch (e) {
                case 'n': out.push_back('\n'); break;
                case 't': out.push_back('\t'); break;
                case 'r': out.push_back('\r'); break;
                case 'b': out.push_back('\b'); break;
                case 'f': out.push_back('\f'); break;
                case 'u': {
                    if (m_pos + 4 > m_text.size()) return false;
                    unsigned code = static_cast<unsigned>(std::strtoul(m_text.substr(m_pos, 4).c_str(), nullptr, 16));
                    m_pos += 4;
                    // UTF-8 for the basic plane; enough for comparing texts.
                    if (code < 0x80) {
                        out.push_back(static_cast<char>(code));
                    } else if (code < 0x800) {
                        out.push_back(static_cast<char>(0xC0 | code >> 6));
                        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
                    } else {
                        out.push_back(static_cast<char>(0xE0 | code >> 12));
                        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
                        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
                    }
                    break;
                }
                default: out.push_back(e);
            }
        }
        if (m_pos >= m_text.size()) return false;
        ++m_pos;
        return true;
    }
    bool ParseValue(Value& v) {
        SkipSpace();
        if (m_pos >= m_text.size()) return false;
        char c = m_text[m_pos];
        if (c == '{') {
            v.kind = Value::Object;
            ++m_pos;
            SkipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == '}') return ++m_pos, true;
            for (;;) {
                SkipSpace();
                std::string key;
                if (m_pos >= m_text.size() || !ParseString(key)) return false;
                SkipSpace();
                if (m_pos >= m_text.size() || m_text[m_pos++] != ':') return false;
                if (!ParseValue(v.members[key])) return false;
                SkipSpace();
                if (m_pos >= m_text.size()) return false;
                if (m_text[m_pos] == ',') { ++m_pos; continue; }
                if (m_text[m_pos] == '}') return ++m_pos, true;
                return false;
            }
        }
        if (c == '[') {
            v.kind = Value::Array;
            ++m_pos;
            SkipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == ']') return ++m_pos, true;
            for (;;) {
                v.items.emplace_back();
                if (!ParseValue(v.items.back())) return false;
                SkipSpace();
                if (m_pos >= m_text.size()) return false;
                if (m_text[m_pos] == ',') { ++m_pos; continue; }
                if (m_text[m_pos] == ']') return ++m_pos, true;
                return false;
            }
        }
        if (c == '"') {
            v.kind = Value::String;
            return ParseString(v.text);
        }
        if (Literal("true")) { v.kind = Value::Bool; v.boolean = true; return true; }
        if (Literal("false")) { v.kind = Value::Bool; return true; }
        if (Literal("null")) return true;
        char* end = nullptr;
        v.number = std::strtod(m_text.c_str() + m_pos, &end);
        if (end == m_text.c_str() + m_pos) return false;
        v.kind = Value::Number;
        m_pos = static_cast<size_t>(end - m_text.c_str());
        return true;
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

}  // namespace testjson
