#pragma once
// The thumbnail database: one file per folder of a fixed drive holding the FileEntry records
// of its JPEG files ("LMTB", version 1, then 51768-byte records back to back, no count).
// Loading it before a scan spares decoding every unchanged file again. Its bytes are
// untrusted: impossible records are skipped, never shown.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/fileentry.h"

class CFileBrowserDoc;
class IProgress;

class CThumbnailDatabase {
public:
    static constexpr uint32_t kVersion = 1;
    static constexpr uint64_t kHeaderBytes = 8;
    static constexpr uint64_t kRecordBytes = FileEntry::kRecordBytes;

    // Results of Check.
    static constexpr int kValid = 0;         // valid, or created empty
    static constexpr int kCannotCreate = 1;  // missing and cannot be made
    static constexpr int kInvalid = 2;       // wrong magic, version or length

    // The database kept in `file`.
    explicit CThumbnailDatabase(std::string file = {});
    ~CThumbnailDatabase();
    CThumbnailDatabase(const CThumbnailDatabase&) = delete;
    CThumbnailDatabase& operator=(const CThumbnailDatabase&) = delete;

    // File name for a folder: every "/" becomes "(.)", then every ":" "(..)", then ".db".
    static std::string FileNameFor(const std::string& folder);
    // True when a file of `length` bytes may be a database: after the header, whole records
    // and at most half of one more.
    static bool LengthIsValid(uint64_t length);

    const std::string& File() const { return m_file; }
    // Validates an existing file (kValid or kInvalid) or creates an empty one (kValid, or
    // kCannotCreate).
    int Check();
    // Deletes the file.
    void Remove();
    // Checks the file (deleting an invalid one) and appends its plausible records to the
    // document's entry store, selection and seen marks cleared. Returns the number of
    // entries added; `skipped` counts records that were ignored.
    int Load(CFileBrowserDoc& doc, const std::atomic<bool>& stop, IProgress* progress, int* skipped = nullptr);

    // Opens the file for appending records (creating it with a header when needed); a
    // partial last record is cut off first so that new records stay aligned.
    bool OpenForAppend();
    bool IsOpen() const { return m_fd >= 0; }
    // Appends one record; false (and the database closed) when it could not be written whole.
    bool Append(const FileEntry& entry);
    void Close();

    // Replaces the file, through a temporary file and a rename, by the records of every
    // JPEG entry of the store that is not gone and has its thumbnail. Gone JPEG entries lose
    // their JPEG mark so that they are not counted again. Shows "Updating database..." on
    // `progress` and leaves ending it to the caller.
    bool Rewrite(CFileBrowserDoc& doc, IProgress* progress);

    // True when the store holds a JPEG entry that is gone (the file needs rewriting).
    static bool HasGoneImages(const CFileBrowserDoc& doc);
    // True when a record may be loaded: a plausible path, thumbnail size and flags.
    static bool RecordIsPlausible(const uint8_t* record);

private:
    bool WriteHeaderFile();

    std::string m_file;
    int m_fd = -1;
    std::vector<uint8_t> m_record;
};
