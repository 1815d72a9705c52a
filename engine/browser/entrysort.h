#pragma once
// The browser's sort order: folders before files, folders by path, files by size, name
// or date, ascending or descending.
#include <cstdint>
#include <string_view>
#include <vector>

#include "browser/fileentry.h"

struct SortItem {
    int32_t index;           // store index
    const FileEntry* entry;
    std::string_view path;   // the full path (may be longer than the record's)
};

// Compares two entries under a sort mode (CFileBrowserDoc::kSort* bits): positive when a
// goes before b, negative when b goes first, 0 when the mode does not order them.
int CompareEntries(const SortItem& a, const SortItem& b, uint32_t mode);

// Sorts the items so that no item compares positive against an item before it. A
// quicksort that is not stable; its recursion depth stays logarithmic.
void QuickSortEntries(std::vector<SortItem>& items, uint32_t mode);
