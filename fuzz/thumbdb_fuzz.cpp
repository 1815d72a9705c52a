// libFuzzer target: arbitrary thumbnail database files through CThumbnailDatabase's Load,
// then Rewrite of what was loaded and a second Load of the rewritten file.
//
// A database record is 51768 bytes, nearly all thumbnail pixels that no check looks at, so
// the first byte picks how the rest becomes the file: even - the rest is the file as it
// stands (header, length rule, partial records); odd - the rest is an 8-byte header and
// then short records of the 281 bytes before the pixels plus the 4 flag bytes, which the
// target widens to whole records (pixels filled from the record's bytes). A last short
// piece becomes a partial record of its length times 181 bytes.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "scratch.h"
#include "browser/browserdoc.h"
#include "browser/thumbnails/thumbnaildb.h"

namespace {

constexpr size_t kRecord = FileEntry::kRecordBytes;
constexpr size_t kHead = offsetof(FileEntry, pixels);  // 281
constexpr size_t kShortRecord = kHead + 4;


const std::filesystem::path& Folder() {
    static const fuzzscratch::ScratchFolder folder("thumbdb");
    return folder.Path();
}

std::vector<uint8_t> Widen(std::span<const uint8_t> in) {
    const size_t header = std::min<size_t>(in.size(), 8);
    std::vector<uint8_t> file(in.begin(), in.begin() + static_cast<long>(header));
    in = in.subspan(header);
    while (in.size() >= kShortRecord) {
        const size_t at = file.size();
        file.resize(at + kRecord);
        std::copy_n(in.begin(), kHead, file.begin() + static_cast<long>(at));
        for (size_t i = kHead; i < FileEntry::kRecordBytes - 4; ++i) file[at + i] = in[i % kHead];
        std::copy_n(in.begin() + kHead, 4, file.begin() + static_cast<long>(at + kRecord - 4));
        in = in.subspan(kShortRecord);
    }
    // A partial last record, up to a record long.
    file.resize(file.size() + std::min(in.size() * 181, kRecord - 1), 0x5a);
    return file;
}

using fuzzscratch::WriteFile;

// Loads `path` into `doc`; whatever the file held, the store gets only possible entries.
int LoadChecked(const std::string& path, CFileBrowserDoc& doc) {
    const std::atomic<bool> stop{false};
    int skipped = 0;
    const int loaded = CThumbnailDatabase(path).Load(doc, stop, nullptr, &skipped);
    if (loaded != doc.EntryCount() || skipped < 0) std::abort();
    for (int32_t i = 0; i < doc.EntryCount(); ++i) {
        const FileEntry* e = doc.Entry(i);
        if (!e || e->thumbWidth > FileEntry::kMaxThumbnail || e->thumbHeight > FileEntry::kMaxThumbnail ||
            !e->IsJpeg() || e->Has(kEntryGone | kEntryFolder | kEntrySelected | kEntrySeen) ||
            EntryPathLength(*e) == 0 || EntryPathLength(*e) >= FileEntry::kPathBytes || e->path[0] != '/')
            std::abort();
        doc.StorePath(i);
    }
    return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::span<const uint8_t> rest(data + 1, size - 1);
    const std::string path = (Folder() / "fuzz.db").string();
    if (data[0] % 2 == 0) WriteFile(path, rest);
    else WriteFile(path, Widen(rest));

    CFileBrowserDoc doc;
    const int loaded = LoadChecked(path, doc);
    CThumbnailDatabase::HasGoneImages(doc);

    // What was loaded is written back; the rewritten file loads no more than that.
    const std::string rewritten = (Folder() / "rewritten.db").string();
    if (!CThumbnailDatabase(rewritten).Rewrite(doc, nullptr)) std::abort();
    CFileBrowserDoc again;
    if (LoadChecked(rewritten, again) > loaded) std::abort();
    return 0;
}
