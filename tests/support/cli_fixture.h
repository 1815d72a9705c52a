#pragma once
// A scratch folder per test for running lumaret-cli, and PPM pictures to feed it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace clitest {

struct Rgb {
    int r, g, b;
};

// The bytes of a w x h PPM whose pixel (x, y) is colour(x, y).
template <class Colour>
std::string PpmBytes(int w, int h, Colour colour) {
    std::string bytes = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = colour(x, y);
            bytes += {char(c.r), char(c.g), char(c.b)};
        }
    return bytes;
}

// The samples of a PPM, after its header.
inline std::string PpmSamples(const std::string& ppm) { return ppm.substr(ppm.find("255\n") + 4); }

class CliFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("lumaret_cli_") + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
               info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    // Runs `lumaret-cli edit args...`.
    CliResult Edit(std::vector<std::string> args) {
        args.insert(args.begin(), "edit");
        return RunCli(LUMARET_CLI, args, dir);
    }
    // Writes `bytes` to `name` in the scratch folder.
    std::filesystem::path Write(const std::string& name, const std::string& bytes) {
        const auto path = dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::filesystem::path dir;
};

}  // namespace clitest
