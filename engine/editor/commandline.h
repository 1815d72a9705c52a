#pragma once
// CLumaretCommandLineInfo: the program's command line ("install", "a", "wia" and one path).
#include <string>
#include <vector>

class CLumaretCommandLineInfo {
public:
    // One argument, as the framework hands it over: flags arrive without their "-" or "/".
    void ParseParam(const std::string& param, bool isFlag, bool isLast);
    // Splits argv (without the program name) into flags and arguments and parses each.
    void Parse(const std::vector<std::string>& arguments);

    bool installFlag = false;      // run the setup wizard, then end
    bool deviceStartFlag = false;  // started by the system for a card or camera
    bool cameraFlag = false;       // started for a camera
    bool deviceFlag = false;       // started for a card or camera
    bool cameraWatch = false;      // run as the window-less camera watcher
    std::string fileName;          // the last path given
};
