#pragma once
// A minimal JSON reader for test reference files: the text is flattened into a map from
// member paths ("files.3.exiftool.Orientation") to scalar texts (strings unquoted, numbers
// and literals as written); "path#" holds the length of the array at `path`.
#include <cstring>
#include <map>
#include <string>

namespace testjson {

using Flat = std::map<std::string, std::string>;

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    // Parses the whole text; false on a syntax error.
    bool Parse(Flat& out) {
        m_out = &out;
        return Value("") && (SkipSpace(), m_pos == m_text.size());
    }

private:
    void SkipSpace() {
        while (m_pos < m_text.size() && m_text[m_pos] && std::strchr(" \n\r\t", m_text[m_pos])) ++m_pos;
    }
    bool Next(char c) { return SkipSpace(), m_pos < m_text.size() && m_text[m_pos] == c && ++m_pos; }
    // A string with simple escapes (a \u escape becomes '?': no compared text has one).
    bool String(std::string& out) {
        if (!Next('"')) return false;
        for (; m_pos < m_text.size() && m_text[m_pos] != '"'; ++m_pos) {
            char c = m_text[m_pos];
            if (c == '\\') {
                if (++m_pos >= m_text.size()) return false;
                c = m_text[m_pos];
                const char* simple = c ? std::strchr("n\nt\tr\rb\bf\f", c) : nullptr;
                if (c == 'u') m_pos += 4;
                c = c == 'u' ? '?' : simple ? simple[1] : c;
            }
            out.push_back(c);
        }
        return m_pos++ < m_text.size();
    }
    bool Value(const std::string& path) {
        const std::string prefix = path.empty() ? path : path + ".";
        if (Next('{')) {
            if (Next('}')) return true;
            do {
                std::string key;
                if (!String(key) || !Next(':') || !Value(prefix + key)) return false;
            } while (Next(','));
            return Next('}');
        }
        if (Next('[')) {
            size_t count = 0;
            if (!Next(']')) {
                do {
                    if (!Value(prefix + std::to_string(count++))) return false;
                } while (Next(','));
                if (!Next(']')) return false;
            }
            (*m_out)[path + "#"] = std::to_string(count);
            return true;
        }
        std::string text;
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            if (!String(text)) return false;
        } else {
            const size_t start = m_pos;
            while (m_pos < m_text.size() && !std::strchr(",}] \n\r\t", m_text[m_pos])) ++m_pos;
            if (m_pos == start) return false;
            text = m_text.substr(start, m_pos - start);
        }
        (*m_out)[path] = text;
        return true;
    }

    const std::string& m_text;
    size_t m_pos = 0;
    Flat* m_out = nullptr;
};

}  // namespace testjson
