// The thumbnail record: byte layout, round trip, checks of untrusted records, name rules.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "browser/fileentry.h"

namespace {

std::unique_ptr<FileEntry> FilledEntry() {
    auto e = std::make_unique<FileEntry>();
    std::memset(e.get(), 0, sizeof(FileEntry));
    SetEntryPath(*e, "/media/card/DCIM/100ABCDE/IMG_0001.JPG");
    e->size = 0x11223344;
    e->thumbWidth = 130;
    e->thumbHeight = 87;
    e->padding[0] = 0xA5;
    e->padding[1] = 0x5A;
    e->date = FileTime::FromTicks(0x0102030405060708ULL);
    e->imageWidth = 0x0BB8;
    e->imageHeight = 0x07D0;
    e->bitsPerPixel = 24;
    for (size_t i = 0; i < FileEntry::kPixelBytes; ++i) e->pixels[i] = static_cast<uint8_t>(i * 7 + 3);
    e->flags = 0x22B;
    return e;
}

std::vector<uint8_t> Bytes(const std::vector<uint8_t>& record, size_t from, size_t to) {
    return std::vector<uint8_t>(record.begin() + static_cast<long>(from), record.begin() + static_cast<long>(to));
}

TEST(FileEntryRecord, FieldsLandAtTheirOffsetsLittleEndianAndRoundTrip) {
    const auto e = FilledEntry();
    std::vector<uint8_t> bytes(FileEntry::kRecordBytes, 0xEE);
    WriteEntryRecord(*e, bytes.data());
    EXPECT_EQ(0, std::memcmp(bytes.data(), "/media/card/DCIM/100ABCDE/IMG_0001.JPG", 39));  // with its NUL
    EXPECT_EQ(0, bytes[259]);
    EXPECT_EQ((std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 130, 87, 0xA5, 0x5A, 8, 7, 6, 5, 4, 3, 2, 1,
                                    0xB8, 0x0B, 0xD0, 0x07, 24, 3}),
              Bytes(bytes, 260, 282));
    EXPECT_EQ(static_cast<uint8_t>((FileEntry::kPixelBytes - 1) * 7 + 3), bytes[51763]);
    EXPECT_EQ((std::vector<uint8_t>{0x2B, 0x02, 0, 0}), Bytes(bytes, 51764, 51768));

    auto back = std::make_unique<FileEntry>();
    ReadEntryRecord(bytes.data(), *back);
    EXPECT_EQ(0, std::memcmp(e.get(), back.get(), sizeof(FileEntry)));
}

TEST(FileEntryRecord, UntrustedRecordsAreChecked) {
    std::vector<uint8_t> bytes(FileEntry::kRecordBytes);
    WriteEntryRecord(*FilledEntry(), bytes.data());
    EXPECT_TRUE(RecordLooksValid(bytes.data()));
    const std::pair<size_t, uint8_t> damages[] = {{0, 0}, {264, 131}, {265, 200}};  // empty path, too wide, too tall
    for (const auto& [at, value] : damages) {
        auto bad = bytes;
        bad[at] = value;
        EXPECT_FALSE(RecordLooksValid(bad.data())) << at;
    }
    auto noNul = bytes;
    std::memset(noNul.data(), 'x', FileEntry::kPathBytes);
    EXPECT_FALSE(RecordLooksValid(noNul.data()));
    auto back = std::make_unique<FileEntry>();
    ReadEntryRecord(noNul.data(), *back);  // still terminated after reading
    EXPECT_EQ(FileEntry::kPathBytes - 1, EntryPathLength(*back));
}

TEST(FileEntryPath, LongPathsAreCutAndReported) {
    auto e = std::make_unique<FileEntry>();
    EXPECT_TRUE(SetEntryPath(*e, std::string(259, 'a')));
    EXPECT_FALSE(SetEntryPath(*e, std::string(300, 'b')));
    EXPECT_EQ(259u, EntryPathLength(*e));
    EXPECT_TRUE(SetEntryPath(*e, "short"));
    EXPECT_STREQ("short", e->path);
    EXPECT_EQ(0, e->path[258]);  // the rest is cleared
}

TEST(FileEntryNames, JpegNamesCaseAndTimes) {
    for (const char* yes : {"IMG.JPEG", "a.Jpg", "/x/y/c.jPeG", ".jpg"}) EXPECT_TRUE(IsJpegName(yes)) << yes;
    for (const char* no : {"x.jp", "a.jpe", "a.jpg.txt", "jpg", "a.jpgx", ""}) EXPECT_FALSE(IsJpegName(no)) << no;
    EXPECT_EQ(0, CompareNoCase("ABC.jpg", "abc.JPG"));
    EXPECT_LT(CompareNoCase("a", "B"), 0);
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);
    EXPECT_GT(CompareNoCase("\xC3\xA9", "z"), 0);  // bytes above 127 compare unsigned
    EXPECT_EQ(116444736000000000ULL + 10000000ULL + 5, FileTime::FromUnix(1, 500).Ticks());
    EXPECT_EQ(0u, FileTime::FromUnix(-11644473601LL, 0).Ticks());  // before 1601: clamped
}

}  // namespace
