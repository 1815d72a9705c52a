#pragma once
// The operations of `lumaret-cli edit`: each file adds its own through a static
// EditOperationRegistration, and the command runs them in the order given.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "command.h"

class CeditorDoc;

namespace cli {

// One operation: `run` consumes its values from `args` starting at `i` (just past the
// option word), applies itself to the document as one undo step, and sets `error` when it
// cannot. `values` is how many words follow the option (the option may take more when its
// own parsing says so, e.g. "--resize W H --method M").
struct EditOperation {
    const char* option;
    const char* usage;  // one usage line, e.g. "--rotate DEG"
    std::function<bool(CeditorDoc& doc, const Args& args, size_t& i, std::string& error)> run;
    // An option word that may follow the operation's values and belongs to it (e.g.
    // "--method" after --resize), with the number of values it takes.
    const char* subOption = nullptr;
    int subOptionValues = 0;
};

// Registers an operation; used through a static EditOperationRegistration.
void RegisterEditOperation(const EditOperation& operation);
// Every registered operation, in registration order within each file.
const std::vector<EditOperation>& EditOperations();

struct EditOperationRegistration {
    explicit EditOperationRegistration(std::vector<EditOperation> operations) {
        for (auto& op : operations) RegisterEditOperation(op);
    }
};

// Helpers for parsing operation values; each returns false on malformed text.
bool NeedArgs(const Args& args, size_t i, size_t n, const char* option, std::string& error);
bool ParseNumber(const std::string& text, double& value);
bool ParseInt(const std::string& text, int32_t& value, int32_t low, int32_t high);
// Splits "a:b:c" at `separator`.
std::vector<std::string> SplitText(const std::string& text, char separator);

}  // namespace cli
