#pragma once
// Runs the built lumaret-cli as a user would and collects its exit status and output.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace clitest {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ShellQuote(const std::string& arg) {
    // Built by appending only: GCC 12 warns falsely about prepending to a temporary string.
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'') quoted.append("'\\''");
        else quoted.push_back(c);
    }
    quoted.push_back('\'');
    return quoted;
}

inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Runs `cli` with `args`; stdout and stderr go through files in `scratch`.
inline CliResult RunCli(const std::string& cli, const std::vector<std::string>& args,
                        const std::filesystem::path& scratch, const std::string& environment = {}) {
    std::string command = environment.empty() ? "" : environment + " ";
    command += ShellQuote(cli);
    for (const std::string& arg : args) command.append(" ").append(ShellQuote(arg));
    const auto out = scratch / "cli.stdout", err = scratch / "cli.stderr";
    command.append(" >").append(ShellQuote(out.string())).append(" 2>").append(ShellQuote(err.string()));
    command.append(" </dev/null");
    const int raw = std::system(command.c_str());
    CliResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = Slurp(out);
    result.err = Slurp(err);
    return result;
}

}  // namespace clitest
