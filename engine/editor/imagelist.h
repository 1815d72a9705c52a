#pragma once
// IImageList: the ordered list of pictures the editor's next and previous commands walk
// (the image browser's visible list).
#include <string>

class IImageList {
public:
    virtual ~IImageList() = default;
    // Index of the picture open in the editor, -1 when none was opened from the list.
    virtual int CurrentIndex() const = 0;
    // Path at `index`; empty when there is no picture there.
    virtual std::string PathAt(int index) const = 0;
    // Remembers which picture the editor now shows.
    virtual void SetCurrentIndex(int index) = 0;
};

// True when the list has a picture after the current one.
inline bool CanShowNextImage(const IImageList* list) {
    return list && list->CurrentIndex() != -1 && !list->PathAt(list->CurrentIndex() + 1).empty();
}
// True when the list has a picture before the current one.
inline bool CanShowPreviousImage(const IImageList* list) {
    return list && list->CurrentIndex() >= 1 && !list->PathAt(list->CurrentIndex() - 1).empty();
}
