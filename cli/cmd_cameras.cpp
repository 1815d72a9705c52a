// cameras: the connected cameras (and those listed in LUMARET_CAMERAS), one per line.
#include <cstdio>
#include <cstdlib>

#include "command.h"
#include "download/camera.h"

namespace cli {
namespace {

int RunCameras(const Args& args) {
    if (!args.empty()) return UsageError("cameras");
    const char* extra = std::getenv("LUMARET_CAMERAS");
    for (const CameraId& camera : EnumerateCameras(extra ? extra : ""))
        std::printf("%s\t%s\n", camera.model.c_str(), camera.port.c_str());
    return kExitOk;
}

const CommandRegistration kCameras({"cameras", "cameras", RunCameras});

}  // namespace
}  // namespace cli
