#pragma once
// Writing freedesktop desktop entries and editing mimeapps.list.
#include <string>
#include <vector>

namespace setup {

// One argument of an Exec key: quoted with double quotes when it holds a reserved character,
// with `"`, `` ` ``, `$` and `\` escaped inside the quotes; `%` doubled so it is not a field code.
std::string QuoteExecArgument(const std::string& argument);

// A value of type string as stored in the file: `\` doubled, newline, tab and carriage return
// escaped.
std::string EscapeDesktopValue(const std::string& value);

// The Exec value for `program` followed by `arguments` (field codes such as %f pass as they are).
std::string ExecValue(const std::string& program, const std::vector<std::string>& arguments);

// The desktop ids listed for `mimeType` under [Default Applications] in mimeapps.list text.
std::vector<std::string> DefaultApplications(const std::string& mimeAppsText, const std::string& mimeType);

// mimeapps.list text with `desktopId` first in the default list of `mimeType`; other ids of
// that type stay after it, every other line stays as it was. The group is added when missing.
std::string WithDefaultApplication(const std::string& mimeAppsText, const std::string& mimeType,
                                   const std::string& desktopId);

// mimeapps.list text with `desktopId` taken out of the default list of `mimeType` (the key
// goes when nothing else is left); every other line stays as it was.
std::string WithoutDefaultApplication(const std::string& mimeAppsText, const std::string& mimeType,
                                      const std::string& desktopId);

}  // namespace setup
