#pragma once
// Icons of the browser's entries that are not JPEG pictures: folders and other files.
// The program supplies the desktop's file-type icons; CSimpleIconProvider draws two plain
// pictures of its own for use without a desktop (command line, tests).
#include <cstddef>
#include <cstdint>
#include <string>

class IIconProvider {
public:
    // Icons are 32 x 32 pixels, BGR, rows of 96 bytes: 3072 bytes.
    static constexpr int32_t kIconSize = 32;
    static constexpr size_t kIconBytes = 3072;

    virtual ~IIconProvider() = default;
    // Draws the icon of `path` (a folder when `folder` is true) into `pixels`, on the
    // window colour. Called from the thumbnail workers, several at a time.
    virtual void DrawIcon(const std::string& path, bool folder, uint8_t* pixels) = 0;
};

class CSimpleIconProvider : public IIconProvider {
public:
    // A yellow folder, or a white page with a folded corner, on a white ground.
    void DrawIcon(const std::string& path, bool folder, uint8_t* pixels) override;
};
