#include "setup/desktopentry.h"

#include <sstream>

namespace setup {

namespace {

constexpr const char* kDefaultsGroup = "[Default Applications]";

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool IsGroupHeader(const std::string& line) {
    const std::string trimmed = Trim(line);
    return !trimmed.empty() && trimmed.front() == '[';
}

std::vector<std::string> SplitList(const std::string& value) {
    std::vector<std::string> items;
    std::string item;
    std::istringstream in(value);
    while (std::getline(in, item, ';'))
        if (!Trim(item).empty()) items.push_back(Trim(item));
    return items;
}

// Where the key for `mimeType` sits in the defaults group: the group header line, the key
// line (or -1), and the line where the group ends.
struct KeyPlace {
    int group = -1;
    int key = -1;
    int groupEnd = -1;
};

KeyPlace FindKey(const std::vector<std::string>& lines, const std::string& mimeType) {
    KeyPlace place;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        if (Trim(lines[i]) == kDefaultsGroup) {
            place.group = i;
            place.groupEnd = static_cast<int>(lines.size());
            for (int j = i + 1; j < static_cast<int>(lines.size()); ++j) {
                if (IsGroupHeader(lines[j])) {
                    place.groupEnd = j;
                    break;
                }
                const size_t equals = lines[j].find('=');
                if (place.key < 0 && equals != std::string::npos && Trim(lines[j].substr(0, equals)) == mimeType)
                    place.key = j;
            }
            return place;
        }
    }
    return place;
}

std::string ListValue(const std::string& line) { return line.substr(line.find('=') + 1); }

}  // namespace

std::string QuoteExecArgument(const std::string& argument) {
    bool reserved = argument.empty();
    for (char c : argument)
        if (std::string(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string::npos) reserved = true;
    std::string out;
    if (reserved) out += '"';
    for (char c : argument) {
        if (reserved && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
        out += c;
        if (c == '%') out += '%';
    }
    if (reserved) out += '"';
    return out;
}

std::string EscapeDesktopValue(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::string ExecValue(const std::string& program, const std::vector<std::string>& arguments) {
    std::string exec = QuoteExecArgument(program);
    for (const std::string& argument : arguments) {
        const bool fieldCode = argument.size() == 2 && argument[0] == '%';
        exec += " " + (fieldCode ? argument : QuoteExecArgument(argument));
    }
    return EscapeDesktopValue(exec);
}

std::vector<std::string> DefaultApplications(const std::string& mimeAppsText, const std::string& mimeType) {
    const std::vector<std::string> lines = SplitLines(mimeAppsText);
    const KeyPlace place = FindKey(lines, mimeType);
    if (place.key < 0) return {};
    return SplitList(ListValue(lines[place.key]));
}

std::string WithDefaultApplication(const std::string& mimeAppsText, const std::string& mimeType,
                                   const std::string& desktopId) {
    std::vector<std::string> lines = SplitLines(mimeAppsText);
    const KeyPlace place = FindKey(lines, mimeType);
    if (place.key >= 0) {
        std::string value = desktopId + ";";
        for (const std::string& id : SplitList(ListValue(lines[place.key])))
            if (id != desktopId) value += id + ";";
        lines[place.key] = mimeType + "=" + value;
    } else if (place.group >= 0) {
        // After the group's last key, before any blank lines that separate it from the next.
        int at = place.groupEnd;
        while (at - 1 > place.group && Trim(lines[at - 1]).empty()) --at;
        lines.insert(lines.begin() + at, mimeType + "=" + desktopId + ";");
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
        lines.push_back(kDefaultsGroup);
        lines.push_back(mimeType + "=" + desktopId + ";");
    }
    return JoinLines(lines);
}

std::string WithoutDefaultApplication(const std::string& mimeAppsText, const std::string& mimeType,
                                      const std::string& desktopId) {
    std::vector<std::string> lines = SplitLines(mimeAppsText);
    const KeyPlace place = FindKey(lines, mimeType);
    if (place.key < 0) return mimeAppsText;
    std::string value;
    bool listed = false;
    for (const std::string& id : SplitList(ListValue(lines[place.key]))) {
        if (id != desktopId)
            value += id + ";";
        else
            listed = true;
    }
    if (!listed) return mimeAppsText;
    if (value.empty())
        lines.erase(lines.begin() + place.key);
    else
        lines[place.key] = mimeType + "=" + value;
    return JoinLines(lines);
}

}  // namespace setup
