#pragma once
// The operations of `lumaret-cli edit`, read and described from the engine's operation
// descriptors: option words, value syntax, range checks and help all come from there.
#include <cstdint>
#include <string>
#include <vector>

#include "command.h"
#include "core/operation.h"

namespace cli {

// Every operation `edit` offers, in the order the help lists them.
const std::vector<const ops::Operation*>& EditOperations();

// The option word of an operation: "--" and its option.
std::string OptionWord(const ops::Operation& op);

// Past the words that belong to the operation whose values start at args[i]: everything
// up to the next option word, then any of the operation's own trailing option words with
// their values.
size_t SkipOperationWords(const ops::Operation& op, const Args& args, size_t i);

// What one occurrence of an operation gave: its values in parameter order, or the path of
// a settings file.
struct OperationInput {
    std::vector<double> values;
    std::string file;
};

// Reads the values of `op` from args[i] on (just past its option word) for an image of
// width x height, checking each against its parameter's bounds; advances `i` past them.
// False with `error` set when the words do not fit the operation.
bool ReadOperationInput(const ops::Operation& op, const Args& args, size_t& i, int32_t width, int32_t height,
                        OperationInput& input, std::string& error);

// One help line: the option, its value syntax, and each parameter's range and default.
std::string HelpLine(const ops::Operation& op);

}  // namespace cli
