#pragma once
// IImageListProvider: the browser's visible list as the editor's next and previous
// picture commands walk it.
#include <cstdint>
#include <string>

class IImageListProvider {
public:
    virtual ~IImageListProvider() = default;
    // Number of rows in the list.
    virtual int32_t ImageListCount() const = 0;
    // Path of the row, or an empty text outside 0 .. count - 1.
    virtual std::string ImageListPath(int32_t row) const = 0;
    // Row of the picture last opened from the list, or -1.
    virtual int32_t CurrentImageIndex() const = 0;
    // Records the row of the picture the editor now shows.
    virtual void SetCurrentImageIndex(int32_t row) = 0;
};
