#include "browser/entrysort.h"

#include <algorithm>
#include <utility>

#include "browser/browserdoc.h"

namespace {

int Sign(int64_t v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

constexpr ptrdiff_t kSmallRange = 12;

// "a goes before b" for the heap and insertion fallbacks.
struct Before {
    uint32_t mode;
    bool operator()(const SortItem& a, const SortItem& b) const { return CompareEntries(a, b, mode) > 0; }
};

void InsertionSort(SortItem* first, SortItem* last, const Before& before) {
    for (SortItem* i = first + 1; i < last; ++i) {
        SortItem item = *i;
        SortItem* j = i;
        while (j > first && before(item, *(j - 1))) {
            *j = *(j - 1);
            --j;
        }
        *j = item;
    }
}

// Quicksort with the pivot moved to the front of the range. The pivot is the median of
// the first, middle and last items so that an already sorted list (the usual case when
// re-sorting) does not degrade to quadratic time; the smaller part is sorted by recursion
// and the larger one by the loop, and a depth limit hands pathological ranges to a heap
// sort, so a long list cannot exhaust the stack.
void Sort(SortItem* first, SortItem* last, const Before& before, int depth) {
    while (last - first > kSmallRange) {
        if (depth-- == 0) {
            auto after = [&](const SortItem& a, const SortItem& b) { return before(a, b); };
            std::make_heap(first, last, after);
            std::sort_heap(first, last, after);
            return;
        }
        SortItem* mid = first + (last - first) / 2;
        SortItem* tail = last - 1;
        if (before(*mid, *first)) std::swap(*mid, *first);
        if (before(*tail, *first)) std::swap(*tail, *first);
        if (before(*tail, *mid)) std::swap(*tail, *mid);
        std::swap(*first, *mid);  // pivot to the front
        const SortItem pivot = *first;
        // Hoare partition around the pivot; items equal to it may land on either side.
        SortItem* i = first;
        SortItem* j = last;
        for (;;) {
            do ++i; while (i < last && before(*i, pivot));
            do --j; while (before(pivot, *j));
            if (i >= j) break;
            std::swap(*i, *j);
        }
        std::swap(*first, *j);  // pivot to its final place
        if (j - first < last - (j + 1)) {
            Sort(first, j, before, depth);
            first = j + 1;
        } else {
            Sort(j + 1, last, before, depth);
            last = j;
        }
    }
    if (last - first > 1) InsertionSort(first, last, before);
}

}  // namespace

int CompareEntries(const SortItem& a, const SortItem& b, uint32_t mode) {
    const bool folderA = a.entry->IsFolder(), folderB = b.entry->IsFolder();
    if (folderA != folderB) return folderA ? 1 : -1;
    const bool ascending = (mode & CFileBrowserDoc::kSortAscending) != 0;
    // "Ascending" means a smaller key goes first, i.e. a positive result when a < b.
    auto directed = [ascending](int order) { return ascending ? -order : order; };
    if (folderA) return directed(CompareNoCase(a.path, b.path));
    if (mode & CFileBrowserDoc::kSortBySize)
        return directed(Sign(static_cast<int64_t>(a.entry->size) - static_cast<int64_t>(b.entry->size)));
    if (mode & CFileBrowserDoc::kSortByName) return directed(CompareNoCase(a.path, b.path));
    if (mode & CFileBrowserDoc::kSortByDate) {
        const uint64_t x = a.entry->date.Ticks(), y = b.entry->date.Ticks();
        return directed(x < y ? -1 : (x > y ? 1 : 0));
    }
    return 0;
}

void QuickSortEntries(std::vector<SortItem>& items, uint32_t mode) {
    if (items.size() < 2) return;
    int depth = 0;
    for (size_t n = items.size(); n > 1; n >>= 1) depth += 2;
    Sort(items.data(), items.data() + items.size(), Before{mode}, depth);
}
