#pragma once
// RunHooks: what a detail operation reports while it runs, and how a preview learns that
// its result is no longer wanted.
#include <functional>

class IProgress;

namespace detail {

struct RunHooks {
    // Status-bar progress of a whole-image run (null: none).
    IProgress* progress = nullptr;
    // Asked at each tile border of a preview run: true when a newer request waits, so the
    // run gives up (a fresh one follows).
    std::function<bool()> stale;
    // Called after each finished tile of a preview run (the view repaints what is done).
    std::function<void()> tileDone;
};

}  // namespace detail
