#pragma once
// CHint: a browse request for a file source (a folder, an explicit list of files, or a
// camera), also carried by camera connect/disconnect updates.
#include <cstdint>
#include <string>
#include <vector>

struct CHint {
    // Source kinds.
    static constexpr int32_t kLocal = 1;
    static constexpr int32_t kCamera = 2;
    // Modes.
    static constexpr int32_t kFolder = 1;          // a folder, or a camera
    static constexpr int32_t kFileList = 2;        // the paths in `files`
    static constexpr int32_t kCameraGone = 3;      // camera enumerator updates
    static constexpr int32_t kCameraArrived = 4;

    int32_t sourceKind = kLocal;
    int32_t mode = kFolder;
    std::vector<std::string> files;  // mode 2: the files to show, in order
    int32_t cameraSlot = -1;         // source kind 2: the camera's slot index
    std::string path;                // mode 1: the folder

    // A request to show one folder of a disk.
    static CHint Folder(std::string folder) {
        CHint h;
        h.path = std::move(folder);
        return h;
    }
    // A request to show exactly these files.
    static CHint FileList(std::vector<std::string> paths) {
        CHint h;
        h.mode = kFileList;
        h.files = std::move(paths);
        return h;
    }
};
