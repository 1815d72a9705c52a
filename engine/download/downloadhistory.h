#pragma once
// CDownloadHistory: every download as a batch (a name and the target paths of the files
// copied and verified in it), kept in the text file download.history.
#include <ctime>
#include <memory>
#include <string>
#include <vector>

// One download batch: its name (the local start time) and its targets in download order.
struct CFileList {
    std::string name;
    std::vector<std::string> files;
};

class CDownloadHistory {
public:
    // A history kept in the file at `path` (normally download.history in the program folder).
    explicit CDownloadHistory(std::string path) : m_path(std::move(path)) {}

    // Reads the file; a missing file or one whose first line is not "Ver 1.0" leaves the
    // history empty (and returns false).
    bool Load();
    // Replaces the file with the whole history (safely: a crash leaves the old or the new
    // file). False, with `error` set, when it cannot be written.
    bool Save(std::string& error) const;

    // The history held by `text` in the file's format; nothing when the first line is wrong.
    static bool Parse(const std::string& text, std::vector<std::unique_ptr<CFileList>>& batches);
    // The file's text for `batches`.
    static std::string Serialize(const std::vector<std::unique_ptr<CFileList>>& batches);
    // The batch name for a local start time: "%A, %B %d, %Y %H:%M:%S".
    static std::string BatchName(std::time_t start);

    // Appends a new batch and returns it (the reference stays valid until it is removed).
    CFileList& AddBatch(std::string name);
    // Removes the batch at `index` (nothing when out of range).
    void RemoveBatch(size_t index);
    // The batches, oldest first.
    const std::vector<std::unique_ptr<CFileList>>& Batches() const { return m_batches; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::vector<std::unique_ptr<CFileList>> m_batches;
};
