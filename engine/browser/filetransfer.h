#pragma once
// Copying and moving files into a folder with a progress display and the overwrite
// question. A file is never lost: copies go to a hidden temporary name in the target
// folder and are renamed into place when complete, and a moved file's source is removed
// only after its copy is complete. A move within one file system is a rename.
#include <string>
#include <vector>

class IPrompt;
class IProgress;

enum class TransferKind { Copy, Move };

struct TransferReport {
    int transferred = 0;               // files and folders copied or moved
    int skipped = 0;                   // not overwritten by the user's answer, or already in place
    bool cancelled = false;            // the user chose Cancel
    std::vector<std::string> failed;   // source paths that could not be copied or moved
};

// Copies or moves each path (file or folder) into `folder`. Conflicts are asked through
// `prompt` ("The file %s already exists." ...; no prompt: existing files are skipped);
// progress goes to `progress` when given. Failures are collected, not shown.
TransferReport TransferFiles(const std::vector<std::string>& paths, const std::string& folder,
                             TransferKind kind, IPrompt* prompt, IProgress* progress);
