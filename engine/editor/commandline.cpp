#include "editor/commandline.h"

#include <strings.h>

void CLumaretCommandLineInfo::ParseParam(const std::string& param, bool isFlag, bool /*isLast*/) {
    if (!isFlag) {
        fileName = param;
        return;
    }
    if (strcasecmp(param.c_str(), "install") == 0) {
        installFlag = true;
    } else if (strcasecmp(param.c_str(), "a") == 0) {
        deviceStartFlag = deviceFlag = true;
    } else if (strcasecmp(param.c_str(), "wia") == 0) {
        cameraFlag = deviceStartFlag = deviceFlag = true;
    } else if (strcasecmp(param.c_str(), "-camera-watch") == 0) {
        // "--camera-watch" arrives with one dash taken off.
        cameraWatch = true;
    }
}

void CLumaretCommandLineInfo::Parse(const std::vector<std::string>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        // A "/" starts a flag only when it is not an absolute path that exists as such:
        // on this system "/media/card" is a folder, "/a" is the flag.
        const bool slashFlag = arg.size() > 1 && arg[0] == '/' && arg.find('/', 1) == std::string::npos &&
                               (strcasecmp(arg.c_str() + 1, "a") == 0 || strcasecmp(arg.c_str() + 1, "wia") == 0 ||
                                strcasecmp(arg.c_str() + 1, "install") == 0);
        const bool isFlag = (arg.size() > 1 && arg[0] == '-') || slashFlag;
        ParseParam(isFlag ? arg.substr(1) : arg, isFlag, i + 1 == arguments.size());
    }
}
