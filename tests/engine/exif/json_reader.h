#pragma once
// A minimal JSON reader for test reference files (objects, arrays, strings, numbers, literals).
#include <cstdlib>
#include <cstring>
#include <map>
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
    bool Parse(Value& out) { return ParseValue(out) && (SkipSpace(), m_pos == m_text.size()); }

private:
    void SkipSpace() {
        while (m_pos < m_text.size() && std::strchr(" \n\r\t", m_text[m_pos]) && m_text[m_pos]) ++m_pos;
    }
    bool Next(char c) { return SkipSpace(), m_pos < m_text.size() && m_text[m_pos] == c && ++m_pos; }
    bool Literal(const char* word) {
        const size_t n = std::strlen(word);
        return m_text.compare(m_pos, n, word) == 0 && (m_pos += n);
    }
    // Appends `code` as UTF-8 (basic plane: enough for comparing texts).
    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) return out.push_back(char(code));
        if (code >= 0x800) out += {char(0xE0 | code >> 12), char(0x80 | ((code >> 6) & 0x3F))};
        else out.push_back(char(0xC0 | code >> 6));
        out.push_back(char(0x80 | (code & 0x3F)));
    }
    bool ParseString(std::string& out) {
        if (!Next('"')) return false;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            const char c = m_text[m_pos++];
            if (c != '\\') { out.push_back(c); continue; }
            if (m_pos >= m_text.size()) return false;
            const char e = m_text[m_pos++];
            const char* simple = std::strchr("n\nt\tr\rb\bf\f", e);
            if (e == 'u') {
                if (m_pos + 4 > m_text.size()) return false;
                AppendUtf8(out, unsigned(std::strtoul(m_text.substr(m_pos, 4).c_str(), nullptr, 16)));
                m_pos += 4;
            } else {
                out.push_back(simple && e ? simple[1] : e);
            }
        }
        return m_pos < m_text.size() && ++m_pos;
    }
    // The comma-separated elements of an object or array, up to `close`.
    template <class Element>
    bool ParseList(char close, Element element) {
        if (Next(close)) return true;
        do {
            if (!element()) return false;
        } while (Next(','));
        return Next(close);
    }
    bool ParseValue(Value& v) {
        SkipSpace();
        if (m_pos >= m_text.size()) return false;
        if (Next('{')) {
            v.kind = Value::Object;
            return ParseList('}', [&] {
                std::string key;
                return ParseString(key) && Next(':') && ParseValue(v.members[key]);
            });
        }
        if (Next('[')) {
            v.kind = Value::Array;
            return ParseList(']', [&] { return ParseValue(v.items.emplace_back()); });
        }
        if (m_text[m_pos] == '"') return v.kind = Value::String, ParseString(v.text);
        if (Literal("true")) return v.kind = Value::Bool, v.boolean = true;
        if (Literal("false")) return v.kind = Value::Bool, true;
        if (Literal("null")) return true;
        char* end = nullptr;
        v.number = std::strtod(m_text.c_str() + m_pos, &end);
        if (end == m_text.c_str() + m_pos) return false;
        v.kind = Value::Number;
        m_pos = size_t(end - m_text.c_str());
        return true;
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

}  // namespace testjson
