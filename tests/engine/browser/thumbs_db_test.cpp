// The thumbnail database file: its name, the validity rule, loading untrusted records,
// appending and rewriting.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "browser/thumbnails/thumbnaildb.h"
#include "browser_test_util.h"
#include "filesize_limit.h"

using namespace browsertest;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

namespace {

constexpr size_t R = FileEntry::kRecordBytes;

Bytes Record(const std::string& path, uint32_t size, uint8_t tw = 100, uint8_t th = 75,
             uint32_t flags = kEntryJpegFlags | kEntryThumbnailReady | kEntrySeen | kEntrySelected) {
    auto e = std::make_unique<FileEntry>();
    std::memset(e.get(), 0, sizeof(FileEntry));
    SetEntryPath(*e, path);
    e->size = size;
    e->thumbWidth = tw;
    e->thumbHeight = th;
    e->imageWidth = 3000;
    e->flags = flags;
    Bytes bytes(R);
    WriteEntryRecord(*e, bytes.data());
    return bytes;
}

// A header and `n` records of paths /p/0.jpg, /p/1.jpg ...
Bytes Database(int n, uint32_t version = 1) {
    Bytes bytes = {'L', 'M', 'T', 'B', uint8_t(version), uint8_t(version >> 8), 0, 0};
    for (int i = 0; i < n; ++i) {
        const Bytes r = Record("/p/" + std::to_string(i) + ".jpg", 7u * i);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    return bytes;
}

void Append(Bytes& file, const Bytes& more) { file.insert(file.end(), more.begin(), more.end()); }

struct DbFixture : ::testing::Test {
    TempDir dir;
    std::string file = dir / "t.db";

    void Save(const Bytes& bytes) { WriteText(file, std::string(bytes.begin(), bytes.end())); }
    uint64_t Length() {
        std::error_code ec;
        const auto n = std::filesystem::file_size(file, ec);
        return ec ? 0 : n;
    }
    // Loads the file into a fresh document; whatever was in the file, what reaches the
    // store must be a possible entry.
    Names Load(int* skipped = nullptr, const std::string& path = {}) {
        CFileBrowserDoc doc;
        std::atomic<bool> stop{false};
        const int count = CThumbnailDatabase(path.empty() ? file : path).Load(doc, stop, nullptr, skipped);
        EXPECT_EQ(count, doc.EntryCount());
        Names paths;
        for (int32_t i = 0; i < doc.EntryCount(); ++i) {
            const FileEntry* e = doc.Entry(i);
            EXPECT_LE(e->thumbWidth, 130);
            EXPECT_LE(e->thumbHeight, 130);
            EXPECT_TRUE(e->IsJpeg());
            EXPECT_FALSE(e->Has(kEntryGone | kEntryFolder | kEntrySelected | kEntrySeen));
            paths.push_back(doc.StorePath(i));
        }
        return paths;
    }
};

TEST(ThumbsDatabase, FileNameReplacesSlashesThenColons) {
    EXPECT_EQ("(.)home(.)ann(.)Photos(.)2006.db", CThumbnailDatabase::FileNameFor("/home/ann/Photos/2006"));
    EXPECT_EQ("(.)srv(.)a(..)b(.)c.db", CThumbnailDatabase::FileNameFor("/srv/a:b/c"));
}

// A partial last record up to half a record long is tolerated; a longer one makes the
// file invalid: it is deleted and the next check makes it anew.
TEST_F(DbFixture, ValidityByLength) {
    for (auto [length, valid] : {std::pair{size_t(7), false}, {8, true}, {8 + 3 * R + 20000, true},
                                 {8 + 3 * R + 30000, false}, {8 + R / 2, true}, {8 + R / 2 + 1, false}})
        EXPECT_EQ(valid, CThumbnailDatabase::LengthIsValid(length)) << length;
    Bytes bytes = Database(3);
    bytes.resize(bytes.size() + 30000, 0x77);
    Save(bytes);
    EXPECT_TRUE(Load().empty());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(CThumbnailDatabase::kValid, CThumbnailDatabase(file).Check());
    EXPECT_EQ(ReadText(file), std::string("LMTB\x01\0\0\0", 8));
}

TEST_F(DbFixture, WrongVersionOrMagicIsDeletedAndRecreated) {
    Bytes badMagic = Database(1);
    badMagic[3] = 'X';
    Bytes cut = Database(1);
    cut.erase(cut.begin() + 2, cut.begin() + 8);
    for (const Bytes& bytes : {Database(1, 2), badMagic, cut}) {
        Save(bytes);
        CThumbnailDatabase db(file);
        EXPECT_EQ(CThumbnailDatabase::kInvalid, db.Check());
        EXPECT_TRUE(Load().empty());
        EXPECT_EQ(CThumbnailDatabase::kValid, db.Check());
        EXPECT_EQ(8u, Length());
    }
    // A database that cannot be made is simply not used.
    EXPECT_EQ(CThumbnailDatabase::kCannotCreate, CThumbnailDatabase(dir / "missing/dir/x.db").Check());
    EXPECT_TRUE(Load(nullptr, dir / "missing/dir/x.db").empty());
}

TEST_F(DbFixture, ImpossibleRecordsAreIgnored) {
    Bytes bytes = Database(0);
    Bytes noNul = Record("/p/x.jpg", 5);
    std::memset(noNul.data(), 'a', 260);
    for (const Bytes& r : {Record("/p/good1.jpg", 5), noNul, Record("/p/wide.jpg", 5, 131, 10), Record("/p/tall.jpg", 5, 10, 200),
                           Record("", 5), Record("relative.jpg", 5), Record("/p/folder", 0, 32, 32, kEntryFolder | kEntryThumbnailReady),
                           Record("/p/text.txt", 5, 32, 32, kEntryThumbnailReady),
                           Record("/p/gone.jpg", 5, 100, 75, kEntryJpegFlags | kEntryGone), Record("/p/good2.jpg", 6)})
        Append(bytes, r);
    Save(bytes);
    int skipped = 0;
    EXPECT_EQ((Names{"/p/good1.jpg", "/p/good2.jpg"}), Load(&skipped));
    EXPECT_EQ(8, skipped);
}

TEST_F(DbFixture, EveryPrefixAndDamagedRecordLoadsSafely) {
    const Bytes bytes = Database(3);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 64; ++n) lengths.push_back(n);
    for (size_t n = 64; n < bytes.size(); n += 997) lengths.push_back(n);
    for (size_t k = 0; k <= 3; ++k)
        for (long d : {-1L, 0L, 1L, long(R / 2), long(R / 2) + 1})
            if (long(8 + k * R) + d >= 0 && 8 + k * R + d <= bytes.size()) lengths.push_back(8 + k * R + d);
    for (size_t n : lengths) {
        Save(Bytes(bytes.begin(), bytes.begin() + long(n)));
        const size_t expected = CThumbnailDatabase::LengthIsValid(n) && n >= 8 ? (n - 8) / R : 0;
        EXPECT_EQ(expected, Load().size()) << "length " << n;
        if (CThumbnailDatabase::LengthIsValid(n) && n >= 8) {
            EXPECT_EQ(n, Length()) << "a sound file is not cut";
        }
    }

    // Random damage in the fields a record is judged by never lets an impossible entry in.
    std::mt19937 random(1234);
    for (int round = 0; round < 120; ++round) {
        Bytes damaged = bytes;
        for (int flips = 0; flips < 6; ++flips) {
            const size_t record = random() % 3;
            const size_t offsets[] = {random() % 282, 51764 + random() % 4};
            damaged[8 + record * R + offsets[random() % 2]] = uint8_t(random());
        }
        Save(damaged);
        Load();  // the checks inside Load are the test
    }
}

TEST_F(DbFixture, AppendingAfterAPartialRecordStaysAligned) {
    Bytes bytes = Database(1);
    bytes.resize(bytes.size() + 100, 0);
    Save(bytes);
    CThumbnailDatabase db(file);
    ASSERT_EQ(CThumbnailDatabase::kValid, db.Check());
    ASSERT_TRUE(db.OpenForAppend());
    auto e = std::make_unique<FileEntry>();
    ReadEntryRecord(Record("/p/two.jpg", 1).data(), *e);
    ASSERT_TRUE(db.Append(*e));
    db.Close();
    EXPECT_EQ(8 + 2 * R, Length());
    EXPECT_EQ((Names{"/p/0.jpg", "/p/two.jpg"}), Load());
}

TEST_F(DbFixture, RewriteKeepsOnlyPresentImagesWithThumbnails) {
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

    Save(Database(0));
    ASSERT_TRUE(CThumbnailDatabase(file).Rewrite(doc, nullptr));
    EXPECT_EQ((Names{"/p/a.jpg", "/p/e.jpg"}), Load());
    // The gone entry stays gone but no longer asks for another rewrite.
    EXPECT_TRUE(doc.Entry(gone)->Has(kEntryGone));
    EXPECT_FALSE(CThumbnailDatabase::HasGoneImages(doc));
    // Nothing is left behind but the database itself.
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()));
}

// A rewrite that cannot be completed (a full disk) keeps the old database whole.
TEST_F(DbFixture, FailedRewriteKeepsTheOldFile) {
    CFileBrowserDoc doc;
    for (int i = 0; i < 3; ++i) doc.Entry(doc.AddEntry("/p/" + std::to_string(i) + ".jpg"))->flags =
            kEntryJpegFlags | kEntryThumbnailReady | kEntrySeen;
    doc.Entry(doc.AddEntry("/p/gone.jpg"))->flags = kEntryJpegFlags | kEntryThumbnailReady | kEntryGone;
    const Bytes old = Database(4);
    Save(old);
    {
        testsupport::FileSizeLimit full(8 + R);
        if (!full.Active()) GTEST_SKIP() << "cannot limit the file size";
        EXPECT_FALSE(CThumbnailDatabase(file).Rewrite(doc, nullptr));
    }
    EXPECT_TRUE(ReadText(file) == std::string(old.begin(), old.end()));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()));
}

}  // namespace
