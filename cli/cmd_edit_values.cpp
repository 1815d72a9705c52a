// Reading and describing the values of `lumaret-cli edit` operations from their
// descriptors: one word per parameter ("W H"), "a:b:c", "a,b,c" or "key=value,...", a
// settings file, and trailing option words such as "--method NAME".
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "edit_operations.h"

namespace cli {
namespace {

using ops::Param;
using ops::ParamKind;
using ops::ValueSyntax;

// Words starting with "--" are options, never values (negative numbers are values).
bool IsOptionWord(const std::string& word) { return word.rfind("--", 0) == 0; }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> SplitText(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

bool ParseDecimal(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(value);
}

bool ParseWhole(const std::string& text, double& value) {
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || !end || *end != '\0') return false;
    value = static_cast<double>(v);
    return true;
}

bool ParseColor(const std::string& text, double& value) {
    const std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    if (digits.size() != 6) return false;
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    value = static_cast<double>(std::strtoul(digits.c_str(), nullptr, 16));
    return true;
}

std::string Number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// The accepted values of a parameter, e.g. "0..255", "above 0 to 1000", "0..width-1".
std::string RangeText(const Param& p) {
    if (p.kind == ParamKind::Choice) {
        std::string words;
        for (const char* word : p.choices) {
            if (!words.empty()) words += '|';
            words += Lower(word);
        }
        return words;
    }
    if (p.kind == ParamKind::Color) return "RRGGBB";
    if (p.kind == ParamKind::Flag) return "present or not";
    if (std::isinf(p.min) && std::isinf(p.max)) return "any";
    std::string high;
    if (p.maxFrom != ops::ImageLimit::None) {
        high = p.maxFrom == ops::ImageLimit::Width ? "width" : "height";
        if (p.max != 0) high += (p.max > 0 ? "+" : "") + Number(p.max);
    } else {
        high = Number(p.max);
    }
    if (p.minBound == ops::Bound::Inclusive && p.maxBound == ops::Bound::Inclusive)
        return Number(p.min) + ".." + high;
    return (p.minBound == ops::Bound::Inclusive ? "from " : "above ") + Number(p.min) +
           (p.maxBound == ops::Bound::Inclusive ? " to " : " to below ") + high;
}

std::string DefaultText(const Param& p) {
    if (p.kind == ParamKind::Choice) {
        const auto index = static_cast<size_t>(p.def);
        return index < p.choices.size() ? Lower(p.choices[index]) : "";
    }
    char text[64];
    if (p.kind == ParamKind::Color) std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(p.def));
    else std::snprintf(text, sizeof text, p.format, p.def);
    return text;
}

// Reads one value word into `value`; false with `error` set when it does not fit.
bool ReadValue(const Param& p, const std::string& word, int32_t width, int32_t height, double& value,
               std::string& error) {
    bool ok = false;
    switch (p.kind) {
    case ParamKind::Number:
        ok = ParseDecimal(word, value) && p.Accepts(value, width, height);
        break;
    case ParamKind::Integer:
        ok = ParseWhole(word, value) && p.Accepts(value, width, height);
        break;
    case ParamKind::Choice:
        for (size_t k = 0; k < p.choices.size() && !ok; ++k)
            if (Lower(word) == Lower(p.choices[k])) {
                value = static_cast<double>(k);
                ok = true;
            }
        break;
    case ParamKind::Color:
        ok = ParseColor(word, value);
        break;
    case ParamKind::Flag:
        ok = Lower(word) == Lower(p.name);
        value = 1;
        break;
    }
    if (ok) return true;
    std::string what = std::string(p.name) + " must be ";
    if (p.kind == ParamKind::Number) what += "a number ";
    else if (p.kind == ParamKind::Integer) what += "a whole number ";
    else if (p.kind == ParamKind::Choice) what += "one of ";
    else if (p.kind == ParamKind::Color) what += "a colour ";
    if (p.kind == ParamKind::Flag) what = "'" + Lower(p.name) + "' ";
    const std::string range = p.kind == ParamKind::Flag ? "or nothing" : RangeText(p);
    const bool whole = p.maxFrom != ops::ImageLimit::None;
    error = what + range + (whole ? " (" + std::to_string(width) + " x " + std::to_string(height) + " picture)" : "") +
            ", got '" + word + "'";
    return false;
}

// The usage of the values: "CH:BLACK:WHITE:GAMMA", "W H [--method METHOD]", ...
std::string SyntaxText(const ops::Operation& op) {
    std::string text;
    const char* separator = op.syntax == ValueSyntax::Colon ? ":" : op.syntax == ValueSyntax::Comma ? "," : " ";
    bool first = true;
    for (const Param& p : op.params) {
        if (p.option) continue;
        std::string item = p.kind == ParamKind::Flag ? Lower(p.name) : p.name;
        if (op.syntax == ValueSyntax::KeyValue) item = Lower(p.name) + "=" + p.name;
        const std::string joined = (first ? "" : (op.syntax == ValueSyntax::KeyValue ? "," : separator)) + item;
        text += p.optional && op.syntax != ValueSyntax::KeyValue ? "[" + joined + "]" : joined;
        first = false;
    }
    for (const Param& p : op.params)
        if (p.option) text += std::string(text.empty() ? "" : " ") + "[" + p.option +
                              (p.kind == ParamKind::Flag ? "" : std::string(" ") + p.name) + "]";
    if (op.file == ops::FileUse::Only) text = op.fileName;
    if (op.file == ops::FileUse::Alternative) text += std::string(" | ") + op.fileName;
    return text;
}

// Reads positional values (words or parts of one word) into `values`: optional
// parameters that do not match are skipped and keep their defaults.
bool ReadPositional(const ops::Operation& op, const std::vector<std::string>& parts, int32_t width, int32_t height,
                    std::vector<double>& values, std::string& error) {
    std::vector<size_t> positional;
    for (size_t k = 0; k < op.params.size(); ++k)
        if (!op.params[k].option) positional.push_back(k);
    size_t next = 0;
    for (const std::string& part : parts) {
        std::string skipped;
        bool taken = false;
        while (next < positional.size() && !taken) {
            const Param& p = op.params[positional[next]];
            std::string why;
            taken = ReadValue(p, part, width, height, values[positional[next]], why);
            ++next;
            if (taken) break;
            if (!p.optional) return (error = why, false);
            if (skipped.empty()) skipped = why;
        }
        if (!taken)
            return (error = !skipped.empty() ? skipped : "expected " + SyntaxText(op) + ", got '" + part + "'", false);
    }
    for (; next < positional.size(); ++next)
        if (!op.params[positional[next]].optional) return (error = "expected " + SyntaxText(op), false);
    return true;
}

// "key=value,..." over the defaults.
bool ReadKeyValues(const ops::Operation& op, const std::string& text, int32_t width, int32_t height,
                   std::vector<double>& values, std::string& error) {
    for (const std::string& item : SplitText(text, ',')) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos) return (error = "expected key=value, got '" + item + "'", false);
        const std::string key = Lower(item.substr(0, eq));
        size_t k = 0;
        while (k < op.params.size() && Lower(op.params[k].name) != key) ++k;
        if (k == op.params.size()) {
            std::string keys;
            for (const Param& p : op.params) keys += (keys.empty() ? "" : ", ") + Lower(p.name);
            return (error = "unknown setting '" + key + "' (" + keys + ")", false);
        }
        if (!ReadValue(op.params[k], item.substr(eq + 1), width, height, values[k], error)) return false;
    }
    return true;
}

// Whether the one word of an operation that also reads a settings file holds values.
bool HoldsValues(const ops::Operation& op, const std::string& word) {
    if (op.syntax == ValueSyntax::KeyValue) return word.find('=') != std::string::npos;
    const std::vector<std::string> parts = SplitText(word, op.syntax == ValueSyntax::Comma ? ',' : ':');
    double first = 0;
    return parts.size() > 1 && ParseDecimal(parts[0], first);
}

// The parameter whose trailing option word `word` is and that has not come yet (marked as
// come now), or -1.
int TrailingOption(const ops::Operation& op, const std::string& word, std::vector<bool>& seen) {
    for (size_t k = 0; k < op.params.size(); ++k) {
        if (!op.params[k].option || seen[k] || word != op.params[k].option) continue;
        seen[k] = true;
        return static_cast<int>(k);
    }
    return -1;
}

}  // namespace

std::string OptionWord(const ops::Operation& op) { return std::string("--") + op.option; }

size_t SkipOperationWords(const ops::Operation& op, const Args& args, size_t i) {
    while (i < args.size() && !IsOptionWord(args[i])) ++i;
    // Each trailing option word may come once; a repeat is left to be refused as unknown.
    std::vector<bool> seen(op.params.size(), false);
    for (int k; i < args.size() && (k = TrailingOption(op, args[i], seen)) >= 0;)
        i = std::min(args.size(), i + (op.params[size_t(k)].kind == ParamKind::Flag ? 1 : 2));
    return i;
}

bool ReadOperationInput(const ops::Operation& op, const Args& args, size_t& i, int32_t width, int32_t height,
                        OperationInput& input, std::string& error) {
    input.values = ops::Defaults(op);
    input.file.clear();
    std::vector<std::string> words;
    while (i < args.size() && !IsOptionWord(args[i])) words.push_back(args[i++]);

    const bool oneWord = op.syntax != ValueSyntax::Words;
    if (op.syntax == ValueSyntax::None && op.file == ops::FileUse::None) {
        if (!words.empty()) return (error = "takes no values; unexpected '" + words[0] + "'", false);
        return true;
    }
    if (oneWord && words.empty()) return (error = "needs a value: " + SyntaxText(op), false);
    if (oneWord && words.size() > 1) return (error = "takes one value; unexpected '" + words[1] + "'", false);

    if (op.file == ops::FileUse::Only || (op.file == ops::FileUse::Alternative && !HoldsValues(op, words[0]))) {
        input.file = words[0];
        return true;
    }
    bool ok = false;
    switch (op.syntax) {
    case ValueSyntax::Words:
        ok = ReadPositional(op, words, width, height, input.values, error);
        break;
    case ValueSyntax::Colon:
    case ValueSyntax::Comma:
        ok = ReadPositional(op, SplitText(words[0], op.syntax == ValueSyntax::Colon ? ':' : ','), width, height,
                            input.values, error);
        break;
    case ValueSyntax::KeyValue:
        ok = ReadKeyValues(op, words[0], width, height, input.values, error);
        break;
    case ValueSyntax::None:
        break;
    }
    if (!ok) return false;

    // Trailing option words of the operation, in any order, each once.
    std::vector<bool> seen(op.params.size(), false);
    for (int k; i < args.size() && (k = TrailingOption(op, args[i], seen)) >= 0;) {
        const Param& p = op.params[size_t(k)];
        ++i;
        if (p.kind == ParamKind::Flag) {
            input.values[size_t(k)] = 1;
        } else {
            if (i >= args.size()) return (error = std::string(p.option) + " needs a value", false);
            if (!ReadValue(p, args[i++], width, height, input.values[size_t(k)], error)) return false;
        }
    }
    if (op.check) {
        if (const char* why = op.check(input.values)) return (error = std::string(why) + ": " + SyntaxText(op), false);
    }
    return true;
}

std::string HelpLine(const ops::Operation& op) {
    const std::string syntax = SyntaxText(op);
    std::string line = OptionWord(op) + (syntax.empty() ? "" : " " + syntax) + "  " + op.meaning;
    std::string params;
    for (const Param& p : op.params) {
        if (!params.empty()) params += "; ";
        if (p.kind == ParamKind::Flag) {
            params += (p.option ? std::string(p.option) : Lower(p.name)) + ": " + p.meaning;
            continue;
        }
        params += std::string(p.name) + ": " + p.meaning + ", " + RangeText(p);
        if (p.kind == ParamKind::Integer && !p.choices.empty()) {
            params += " (";
            for (size_t k = 0; k < p.choices.size(); ++k)
                params += (k ? ", " : "") + Number(p.min + static_cast<double>(k)) + " " + p.choices[k];
            params += ")";
        }
        // Parameters without a fixed default (a size, a place in the picture) show none.
        if (p.maxFrom == ops::ImageLimit::None && p.Accepts(p.def)) params += ", default " + DefaultText(p);
    }
    if (!params.empty()) line += ". " + params;
    if (op.note) line += std::string("; ") + op.note;
    return line;
}

}  // namespace cli
