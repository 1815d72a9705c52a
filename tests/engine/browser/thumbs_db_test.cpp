// The thumbnail database file: its name, the validity rule, loading untrusted records,
// appending and rewriting.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "browser/thumbnails/thumbnaildb.h"
#include "browser_test_util.h"

using namespace browsertest;

namespace {

constexpr size_t R = FileEntry::kRecordBytes;

std::vector<uint8_t> Record(const std::string& path, uint32_t size, uint8_t tw = 100, uint8_t th = 75,
                            uint32_t flags = kEntryJpegFlags | kEntryThumbnailReady | kEntrySeen | kEntrySelected) {
    auto e = std::make_unique<FileEntry>();
    std::memset(e.get(), 0, sizeof(FileEntry));
    SetEntryPath(*e, path);
    e->size = size;
    e->thumbWidth = tw;
    e->thumbHeight = th;
    e->imageWidth = 3000;
    e->pixels[0] = 0x5A;
    e->flags = flags;
    std::vector<uint8_t> bytes(R);
    WriteEntryRecord(*e, bytes.data());
    return bytes;
}

std::vector<uint8_t> Header(uint32_t version = 1) {
    return {'L', 'M', 'T', 'B', uint8_t(version), uint8_t(version >> 8), 0, 0};
}

void Append(std::vector<uint8_t>& file, const std::vector<uint8_t>& more) { file.insert(file.end(), more.begin(), more.end()); }

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

uint64_t Length(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

struct Loaded {
    int count = 0, skipped = 0;
    std::vector<std::string> paths;
};

Loaded LoadFile(const std::string& file) {
    CFileBrowserDoc doc;
    std::atomic<bool> stop{false};
    Loaded out;
    out.count = CThumbnailDatabase(file).Load(doc, stop, nullptr, &out.skipped);
    EXPECT_EQ(out.count, doc.EntryCount());
    for (int32_t i = 0; i < doc.EntryCount(); ++i) {
        const FileEntry* e = doc.Entry(i);
        // Whatever was in the file, what reaches the store is a possible entry.
        EXPECT_LE(e->thumbWidth, 130);
        EXPECT_LE(e->thumbHeight, 130);
        EXPECT_TRUE(e->IsJpeg());
        EXPECT_FALSE(e->Has(kEntryGone | kEntryFolder | kEntrySelected | kEntrySeen));
        out.paths.push_back(doc.StorePath(i));
    }
    return out;
}

TEST(ThumbsDatabase, FileNameReplacesSlashesThenColons) {
    EXPECT_EQ("(.)home(.)ann(.)Photos(.)2006.db", CThumbnailDatabase::FileNameFor("/home/ann/Photos/2006"));
    EXPECT_EQ("(.)srv(.)a(..)b(.)c.db", CThumbnailDatabase::FileNameFor("/srv/a:b/c"));
}

TEST(ThumbsDatabase, ValidityByLength) {
    // A partial last record up to half a record long is tolerated.
    for (auto [length, valid] : {std::pair{size_t(7), false}, {8, true}, {8 + 3 * R + 20000, true},
                                 {8 + 3 * R + 30000, false}, {8 + R / 2, true}, {8 + R / 2 + 1, false}})
        EXPECT_EQ(valid, CThumbnailDatabase::LengthIsValid(length)) << length;

    TempDir dir;
    const std::string file = dir / "x.db";
    std::vector<uint8_t> bytes = Header();
    for (int i = 0; i < 3; ++i) Append(bytes, Record("/p/" + std::to_string(i) + ".jpg", 10u + i));
    std::vector<uint8_t> valid = bytes;
    valid.resize(bytes.size() + 20000, 0x77);
    Save(file, valid);
    const Loaded three = LoadFile(file);
    EXPECT_EQ(3, three.count);  // the partial fourth record is not one
    EXPECT_EQ((std::vector<std::string>{"/p/0.jpg", "/p/1.jpg", "/p/2.jpg"}), three.paths);
    EXPECT_EQ(valid.size(), Length(file));

    std::vector<uint8_t> invalid = bytes;
    invalid.resize(bytes.size() + 30000, 0x77);
    Save(file, invalid);
    EXPECT_EQ(0, LoadFile(file).count);
    EXPECT_FALSE(std::filesystem::exists(file));  // deleted; the next check makes it anew
    EXPECT_EQ(CThumbnailDatabase::kValid, CThumbnailDatabase(file).Check());
    const std::string made = ReadFile(file);
    EXPECT_EQ(Header(), std::vector<uint8_t>(made.begin(), made.end()));
}

TEST(ThumbsDatabase, WrongVersionOrMagicIsDeletedAndRecreated) {
    TempDir dir;
    const std::string file = dir / "v.db";
    for (const std::vector<uint8_t>& header :
         {Header(2), std::vector<uint8_t>{'L', 'M', 'T', 'X', 1, 0, 0, 0}, std::vector<uint8_t>{'L', 'M'}}) {
        std::vector<uint8_t> bytes = header;
        Append(bytes, Record("/p/a.jpg", 1));
        Save(file, bytes);
        CThumbnailDatabase db(file);
        EXPECT_EQ(CThumbnailDatabase::kInvalid, db.Check());
        EXPECT_EQ(0, LoadFile(file).count);
        EXPECT_EQ(CThumbnailDatabase::kValid, db.Check());
        EXPECT_EQ(8u, Length(file));
    }
    // A database that cannot be made is simply not used.
    EXPECT_EQ(CThumbnailDatabase::kCannotCreate, CThumbnailDatabase(dir / "missing/dir/x.db").Check());
    EXPECT_EQ(0, LoadFile(dir / "missing/dir/x.db").count);
}

TEST(ThumbsDatabase, ImpossibleRecordsAreIgnored) {
    TempDir dir;
    const std::string file = dir / "c.db";
    std::vector<uint8_t> bytes = Header();
    Append(bytes, Record("/p/good1.jpg", 5));
    std::vector<uint8_t> noNul = Record("/p/x.jpg", 5);
    std::memset(noNul.data(), 'a', 260);
    Append(bytes, noNul);
    Append(bytes, Record("/p/wide.jpg", 5, 131, 10));
    Append(bytes, Record("/p/tall.jpg", 5, 10, 200));
    Append(bytes, Record("", 5));
    Append(bytes, Record("relative.jpg", 5));
    Append(bytes, Record("/p/folder", 0, 32, 32, kEntryFolder | kEntryThumbnailReady));
    Append(bytes, Record("/p/text.txt", 5, 32, 32, kEntryThumbnailReady));
    Append(bytes, Record("/p/gone.jpg", 5, 100, 75, kEntryJpegFlags | kEntryGone));
    Append(bytes, Record("/p/good2.jpg", 6));
    Save(file, bytes);
    const Loaded loaded = LoadFile(file);
    EXPECT_EQ((std::vector<std::string>{"/p/good1.jpg", "/p/good2.jpg"}), loaded.paths);
    EXPECT_EQ(8, loaded.skipped);
}

TEST(ThumbsDatabase, EveryPrefixAndDamagedRecordLoadsSafely) {
    TempDir dir;
    const std::string file = dir / "t.db";
    std::vector<uint8_t> bytes = Header();
    for (int i = 0; i < 3; ++i) Append(bytes, Record("/p/" + std::to_string(i) + ".jpg", 7u * i));
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 64; ++n) lengths.push_back(n);
    for (size_t n = 64; n < bytes.size(); n += 997) lengths.push_back(n);
    for (size_t k = 0; k <= 3; ++k)
        for (long d : {-1L, 0L, 1L, long(R / 2), long(R / 2) + 1})
            if (long(8 + k * R) + d >= 0 && 8 + k * R + d <= bytes.size()) lengths.push_back(8 + k * R + d);
    for (size_t n : lengths) {
        Save(file, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(n)));
        const Loaded loaded = LoadFile(file);
        const int whole = n >= 8 ? int((n - 8) / R) : 0;
        const int expected = CThumbnailDatabase::LengthIsValid(n) && n >= 8 ? whole : 0;
        EXPECT_EQ(expected, loaded.count) << "length " << n;
    }

    // Random damage in the fields a record is judged by never lets an impossible entry in.
    std::mt19937 random(1234);
    for (int round = 0; round < 120; ++round) {
        std::vector<uint8_t> damaged = bytes;
        for (int flips = 0; flips < 6; ++flips) {
            const size_t record = random() % 3;
            const size_t offsets[] = {random() % 282, 51764 + random() % 4};
            damaged[8 + record * R + offsets[random() % 2]] = uint8_t(random());
        }
        Save(file, damaged);
        LoadFile(file);  // the checks inside LoadFile are the test
    }
}

TEST(ThumbsDatabase, AppendingAfterAPartialRecordStaysAligned) {
    TempDir dir;
    const std::string file = dir / "a.db";
    std::vector<uint8_t> bytes = Header();
    Append(bytes, Record("/p/one.jpg", 1));
    bytes.resize(bytes.size() + 100, 0);
    Save(file, bytes);
    CThumbnailDatabase db(file);
    ASSERT_EQ(CThumbnailDatabase::kValid, db.Check());
    ASSERT_TRUE(db.OpenForAppend());
    auto e = std::make_unique<FileEntry>();
    std::memset(e.get(), 0, sizeof(FileEntry));
    SetEntryPath(*e, "/p/two.jpg");
    e->flags = kEntryJpegFlags | kEntryThumbnailReady;
    ASSERT_TRUE(db.Append(*e));
    db.Close();
    EXPECT_EQ(8 + 2 * R, Length(file));
    EXPECT_EQ((std::vector<std::string>{"/p/one.jpg", "/p/two.jpg"}), LoadFile(file).paths);
}

TEST(ThumbsDatabase, RewriteKeepsOnlyPresentImagesWithThumbnails) {
    TempDir dir;
    const std::string file = dir / "r.db";
    CFileBrowserDoc doc;
    auto add = [&](const std::string& path, uint32_t flags) {
        const int32_t i = doc.AddEntry(path);
        doc.Entry(i)->flags = flags;
        return i;
    };
    const uint32_t ready = kEntryJpegFlags | kEntryThumbnailReady | kEntrySeen;
    add("/p/a.jpg", ready);
    const int32_t gone = add("/p/b.jpg", ready | kEntryGone);
    add("/p/c.txt", kEntryThumbnailReady);
    add("/p/d.jpg", kEntryJpegFlags);
    add("/p/" + std::string(300, 'x') + ".jpg", ready);  // too long for a record
    add("/p/e.jpg", ready | kEntrySelected);
    EXPECT_TRUE(CThumbnailDatabase::HasGoneImages(doc));

    Save(file, Header());
    CThumbnailDatabase db(file);
    ASSERT_TRUE(db.Rewrite(doc, nullptr));
    EXPECT_EQ((std::vector<std::string>{"/p/a.jpg", "/p/e.jpg"}), LoadFile(file).paths);
    // The gone entry stays gone but no longer asks for another rewrite.
    EXPECT_TRUE(doc.Entry(gone)->Has(kEntryGone));
    EXPECT_FALSE(CThumbnailDatabase::HasGoneImages(doc));
    // Nothing is left behind but the database itself.
    int files = 0;
    for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(1, files);
}

}  // namespace
