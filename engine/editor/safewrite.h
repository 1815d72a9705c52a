#pragma once
// Replacing a file without ever leaving it half-written.
#include <functional>
#include <string>

// Makes a temporary file beside `target`, lets `produce` write it by path, then renames it
// over `target` (keeping the target's permissions when it exists). On any failure the
// temporary file is removed, `target` is untouched, and `error` says why.
bool ReplaceFileSafely(const std::string& target, const std::function<bool(const std::string&)>& produce,
                       std::string& error);
