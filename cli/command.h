#pragma once
// The sub-command table of lumaret-cli: each command file registers its commands.
#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;   // first word on the command line
    const char* usage;  // one or more usage lines, without the program name
    int (*run)(const Args& args);  // arguments after the command word; returns the exit status
};

// Registers a command; used through a static CommandRegistration in each command file.
void RegisterCommand(const Command& command);
// Every registered command, in name order.
std::vector<Command> Commands();

struct CommandRegistration {
    explicit CommandRegistration(const Command& command) { RegisterCommand(command); }
};

// Exit statuses shared by all commands.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the operation ran and failed (e.g. cannot write output)
constexpr int kExitUsage = 2;    // bad arguments, or an input that cannot be read

// Prints "lumaret-cli: <message>" on stderr and returns kExitUsage.
int Fail(const std::string& message);
// Prints usage text; lines that start with a space continue the one above.
void PrintUsageLines(const std::string& usage);
// Prints the usage lines of one command on stderr and returns kExitUsage.
int UsageError(const char* commandName);

}  // namespace cli
