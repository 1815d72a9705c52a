// lumaret-cli: the headless face of Lumaret; every engine capability, scriptable.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "command.h"

namespace cli {

namespace {
std::map<std::string, Command>& Registry() {
    static std::map<std::string, Command> registry;
    return registry;
}
}  // namespace


void PrintUsageLines(const std::string& usage) {
    size_t start = 0;
    while (start < usage.size()) {
        size_t end = usage.find('\n', start);
        if (end == std::string::npos) end = usage.size();
        const std::string line = usage.substr(start, end - start);
        if (!line.empty() && line[0] == ' ') std::fprintf(stderr, "  %s\n", line.c_str());
        else std::fprintf(stderr, "  lumaret-cli %s\n", line.c_str());
        start = end + 1;
    }
}

void RegisterCommand(const Command& command) { Registry()[command.name] = command; }

std::vector<Command> Commands() {
    std::vector<Command> list;
    for (const auto& [name, command] : Registry()) list.push_back(command);
    return list;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "lumaret-cli: %s\n", message.c_str());
    return kExitUsage;
}

int UsageError(const char* commandName) {
    auto it = Registry().find(commandName);
    if (it == Registry().end()) return kExitUsage;
    std::fprintf(stderr, "usage:\n");
    PrintUsageLines(it->second.usage);
    return kExitUsage;
}

}  // namespace cli

static int PrintUsage() {
    std::fprintf(stderr, "usage:\n  lumaret-cli --version\n");
    for (const auto& command : cli::Commands()) cli::PrintUsageLines(command.usage);
    return cli::kExitUsage;
}

int main(int argc, char** argv) {
    if (argc < 2) return PrintUsage();
    std::string word = argv[1];
    if (word == "--version") {
        std::printf("lumaret-cli %s\n", LUMARET_VERSION);
        return cli::kExitOk;
    }
    if (word == "--help" || word == "-h") {
        PrintUsage();
        return cli::kExitOk;
    }
    for (const auto& command : cli::Commands()) {
        if (word == command.name) return command.run(cli::Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "lumaret-cli: unknown command '%s'\n", word.c_str());
    return PrintUsage();
}
