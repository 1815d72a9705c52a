// Broken and hostile input: the scan and the parse keep inside the data and keep what is sound.
#include <gtest/gtest.h>

#include <random>

#include "exif/exif.h"
#include "exif_fixtures.h"

using namespace fixture;

namespace {

CExif ReadBytes(const std::vector<uint8_t>& jpeg) {
    CExif exif;
    exif.ReadMemory(jpeg.data(), jpeg.size());
    return exif;
}

// Parses a raw TIFF structure (hand-written bytes) as an EXIF record.
CAPP1Section ParseTiff(const std::vector<uint8_t>& tiff) {
    std::vector<uint8_t> record = Record(tiff);
    CAPP1Section s;
    s.Parse(record.data(), record.size());
    return s;
}

// II header, IFD0 at 8.
Writer IntelTiff() {
    Writer w(false);
    w.Raw(0, "II", 2);
    w.U16(2, 42);
    w.U32(4, 8);
    return w;
}

struct RawEntry {
    uint16_t tag, type;
    uint32_t count, value;
};

// Writes a directory of raw entries at `at`, followed by the offset of the next one.
void PutDirectory(Writer& w, size_t at, const std::vector<RawEntry>& entries, uint32_t next) {
    w.U16(at, uint32_t(entries.size()));
    for (const RawEntry& e : entries) {
        w.U16(at + 2, e.tag);
        w.U16(at + 4, e.type);
        w.U32(at + 6, e.count);
        w.U32(at + 10, e.value);
        at += 12;
    }
    w.U32(at + 2, next);
}

Block SmallBlock() {
    Block b;
    b.ifd0 = {Ascii(0x10F, "Make"), Short(0x112, {3})};
    b.exif = {Ascii(0x9003, "2020:01:02 03:04:05")};
    b.ifd1 = {Short(0x103, {6})};
    b.thumbnail.assign(100, 0xAB);
    return b;
}

}  // namespace

TEST(ExifBadInput, TruncatedFilesAndBlocks) {
    const std::vector<uint8_t> full = Jpeg(Payload(SmallBlock()));
    // The file cut at every length: never a crash, and a cut APP1 segment is not kept.
    for (size_t n = 0; n <= full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        CExif exif = ReadBytes(cut);
        if (n < 2 + 4 + Payload(SmallBlock()).size()) {
            EXPECT_FALSE(exif.HasExif()) << n;
        }
    }
    // The TIFF structure cut at every length inside a complete APP1 segment: what fits stays.
    const std::vector<uint8_t> tiff = BuildTiff(SmallBlock());
    for (size_t n = 0; n <= tiff.size(); ++n) {
        CAPP1Section s = ParseTiff(std::vector<uint8_t>(tiff.begin(), tiff.begin() + long(n)));
        if (!s.Thumbnail().empty()) {
            EXPECT_GE(n, s.ThumbnailOffset() + 100) << n;
        }
        if (n >= 8 + 2 + 12 + 12) {  // IFD0's first two entries lie inside
            ASSERT_NE(s.FindDirectory(kIfd0), nullptr) << n;
        }
    }
}

TEST(ExifBadInput, OneImpossibleEntryIsLeftOutAlone) {
    // Each bad entry in turn, in each directory of a camera-like chain: IFD0 (orientation,
    // EXIF pointer) -> EXIF (date) and IFD0 -> IFD1 (thumbnail).
    const RawEntry badEntries[] = {
        {0x10E, 2, 0xFFFFFFFF, 60},       // negative count
        {0x10E, 2, 0x80000000, 60},       // the smallest negative count
        {0x10E, 7, 25000, 60},            // count above 20000 that does not fit
        {0x10E, 2, 30, 0x7FFFFFF0},       // offset past the end
        {0x10E, 4, 4, 0xFFFFFFF8},        // offset + size wrapping 32 bits
        {0x10E, 5, 0x20000000, 8},        // byte size wrapping 32 bits
    };
    std::vector<uint8_t> thumbnail(40);
    for (size_t i = 0; i < thumbnail.size(); ++i) thumbnail[i] = uint8_t(i + 1);
    const char date[] = "2020:01:02 03:04:05";
    for (const RawEntry& bad : badEntries) {
        for (int where = 0; where < 3; ++where) {
            SCOPED_TRACE(testing::Message() << "count " << bad.count << " value " << bad.value << " in " << where);
            std::vector<RawEntry> ifd0 = {{0x112, 3, 1, 6}, {0x8769, 4, 1, 100}};
            std::vector<RawEntry> exif = {{0x9003, 2, 20, 300}, {0x9209, 3, 1, 16}};
            std::vector<RawEntry> ifd1 = {{0x103, 3, 1, 6}, {0x201, 4, 1, 400}, {0x202, 4, 1, 40}};
            std::vector<RawEntry>& target = where == 0 ? ifd0 : where == 1 ? exif : ifd1;
            target.insert(target.begin() + 1, bad);
            Writer w = IntelTiff();
            PutDirectory(w, 8, ifd0, 200);
            PutDirectory(w, 100, exif, 0);
            PutDirectory(w, 200, ifd1, 0);
            w.Raw(300, date, sizeof date);
            w.Raw(400, thumbnail.data(), thumbnail.size());

            const std::vector<uint8_t> record = Record(w.bytes);
            CExif parsed = ReadBytes(Jpeg(std::vector<uint8_t>(record.begin() + 2, record.end())));
            // A save carries the same over: the rebuilt block read back must agree.
            const std::vector<uint8_t> rebuilt = parsed.Section().Rebuild();
            ASSERT_FALSE(rebuilt.empty());
            CExif saved = ReadBytes(Jpeg(std::vector<uint8_t>(rebuilt.begin() + 2, rebuilt.end())));
            for (const CExif* e : {&parsed, &saved}) {
                EXPECT_EQ(e->GetOrientation(), 6);
                EXPECT_EQ(e->GetDateTaken().value_or("none"), date);
                EXPECT_EQ(std::vector<uint8_t>(e->GetThumbnail(), e->GetThumbnail() + e->GetThumbnailSize()), thumbnail);
                EXPECT_EQ(e->Section().FindEntry(0x9209)->Value(0), 16u);
                EXPECT_EQ(e->Section().FindEntry(0x10E), nullptr);
                EXPECT_EQ(e->Section().Directories().size(), 3u);
            }
        }
    }

    // A count above 20000 whose value fits the block is a real maker note: kept.
    Writer m = IntelTiff();
    PutDirectory(m, 8, {{0x927C, 7, 25000, 26}}, 0);
    m.Grow(26 + 25000);
    CAPP1Section note = ParseTiff(m.bytes);
    ASSERT_NE(note.FindEntry(0x927C), nullptr);
    EXPECT_EQ(note.FindEntry(0x927C)->Count(), 25000);
}

TEST(ExifBadInput, OffsetsPastTheEnd) {
    // Value offset past the end (left out), offset + size wrapping 32 bits, a sub-directory
    // past the end, one sound entry; the next directory past the end.
    Writer w = IntelTiff();
    PutDirectory(w, 8, {{0x10F, 2, 10, 0x7FFFFFF0}, {0x110, 2, 10, 0xFFFFFFFC}, {0x8769, 4, 1, 0x10000}, {0x112, 3, 1, 8}},
                 0xFFFFFFFF);
    CAPP1Section s = ParseTiff(w.bytes);
    ASSERT_EQ(s.Directories().size(), 1u);
    const CIFD& ifd0 = s.Directories()[0];
    ASSERT_EQ(ifd0.Entries().size(), 2u);
    EXPECT_EQ(ifd0.Entries()[0].Tag(), 0x8769);
    EXPECT_EQ(s.FindEntry(0x112)->Value(0), 8u);

    // IFD0 offset past the end: no directories at all.
    w.U32(4, 5000);
    EXPECT_TRUE(ParseTiff(w.bytes).Directories().empty());
    // A byte-order mark that is neither II nor MM: nothing.
    w.U32(4, 8);
    w.bytes[0] = 'X';
    EXPECT_EQ(ParseTiff(w.bytes).ByteOrder(), 0);
    EXPECT_TRUE(ParseTiff(w.bytes).Directories().empty());
}

TEST(ExifBadInput, DirectoryLoopsAreCut) {
    // IFD0 -> IFD1 -> IFD0 ..., IFD0's EXIF pointer -> IFD0, the EXIF directory's
    // Interoperability pointer -> the EXIF directory itself.
    Writer w = IntelTiff();
    PutDirectory(w, 8, {{0x8769, 4, 1, 100}, {0x112, 3, 1, 6}}, 200);
    PutDirectory(w, 100, {{0xA005, 4, 1, 100}, {0x8769, 4, 1, 8}}, 100);
    PutDirectory(w, 200, {{0x112, 3, 1, 1}}, 8);
    CAPP1Section s = ParseTiff(w.bytes);
    ASSERT_EQ(s.Directories().size(), 3u);
    EXPECT_EQ(s.Directories()[1].Id(), kIfdExif);

    // The rebuilt block has no loop: its pointers lead forward only.
    std::vector<uint8_t> rebuilt = s.Rebuild();
    CAPP1Section again;
    again.Parse(rebuilt.data(), rebuilt.size());
    EXPECT_EQ(again.Directories().size(), 3u);
    EXPECT_EQ(again.FindDirectory(kIfdExif)->Find(0xA005), nullptr);  // target never existed
    EXPECT_EQ(again.FindDirectory(kIfdExif)->Find(0x8769), nullptr);  // not where it belongs
}

TEST(ExifBadInput, DirectoryClaimingMoreEntriesThanTheBlockHolds) {
    std::vector<RawEntry> entries;
    for (uint32_t i = 0; i < 5000; ++i) entries.push_back({uint16_t(0x100 + i), 3, 1, i});
    Writer w = IntelTiff();
    PutDirectory(w, 8, entries, 0);
    w.U16(8, 0xFFFF);
    CAPP1Section s = ParseTiff(w.bytes);
    ASSERT_EQ(s.Directories().size(), 1u);
    EXPECT_EQ(s.Directories()[0].Entries().size(), 5000u);

    // 70,000 entries cannot be written into one segment: no block rather than a broken one.
    CIFD& ifd0 = s.Directories()[0];
    while (ifd0.Entries().size() < 70000) ifd0.Entries().push_back(ifd0.Entries()[0]);
    EXPECT_TRUE(s.Rebuild().empty());
}

TEST(ExifBadInput, BadThumbnailPointersAreIgnored) {
    const std::vector<uint8_t> tiff = BuildTiff(SmallBlock());
    CAPP1Section good = ParseTiff(tiff);
    ASSERT_EQ(good.Thumbnail().size(), 100u);
    ASSERT_NE(good.FindDirectory(kIfd1), nullptr);

    // Find IFD1's 0x202 entry in the bytes and corrupt its length, then the offset.
    size_t lengthAt = 0, offsetAt = 0;
    for (size_t i = 8; i + 12 <= tiff.size(); i += 2) {
        if (tiff[i] == 0x02 && tiff[i + 1] == 0x02 && tiff[i + 2] == 4) lengthAt = i + 8;
        if (tiff[i] == 0x01 && tiff[i + 1] == 0x02 && tiff[i + 2] == 4) offsetAt = i + 8;
    }
    ASSERT_NE(lengthAt, 0u);
    ASSERT_NE(offsetAt, 0u);
    const uint32_t badValues[] = {uint32_t(tiff.size()), 0xFFFFFFFF, 0};
    for (uint32_t bad : badValues) {
        Writer w(false);
        w.bytes = tiff;
        w.U32(lengthAt, bad);
        CAPP1Section s = ParseTiff(w.bytes);
        EXPECT_TRUE(s.Thumbnail().empty()) << bad;
        EXPECT_NE(s.FindDirectory(kIfd1), nullptr);  // the rest still opens
        w.bytes = tiff;
        w.U32(offsetAt, bad == 0 ? 0 : bad - 50);
        EXPECT_TRUE(ParseTiff(w.bytes).Thumbnail().empty()) << bad;
    }
}

TEST(ExifBadInput, OddFileStructures) {
    const std::vector<uint8_t> payload = Payload(SmallBlock());

    // Not a JPEG (an APP1 before any SOI): nothing loaded.
    const std::vector<uint8_t> whole = Jpeg(payload);
    const std::vector<uint8_t> noSoi(whole.begin() + 2, whole.end());
    EXPECT_FALSE(ReadBytes(noSoi).IsLoaded());

    // Junk bytes between segments are stepped over; fill bytes before a marker too.
    std::vector<uint8_t> junk = Jpeg(payload);
    junk.insert(junk.begin() + 2, {0x00, 0x12, 0xFF, 0xFF, 0xFF});
    CExif skipped = ReadBytes(junk);
    EXPECT_TRUE(skipped.HasExif());
    EXPECT_EQ(skipped.GetOrientation(), 3);

    // A segment length below 2 ends the scan; what came before stays.
    std::vector<uint8_t> badLength = {0xFF, 0xD8};
    AddSegment(badLength, 0xE1, payload);
    badLength.insert(badLength.end(), {0xFF, 0xDB, 0x00, 0x01, 0xFF, 0xC0});
    CExif stopped = ReadBytes(badLength);
    EXPECT_TRUE(stopped.HasExif());
    EXPECT_EQ(stopped.EntropyDataPosition(), 0u);
}

TEST(ExifBadInput, RandomDamageNeverEscapesTheData) {
    // Deterministic byte damage of a full camera-like file; the sanitizer build checks the reads.
    Block b = SmallBlock();
    b.gps = {Rational(0x2, {1, 2, 3, 4, 5, 6})};
    b.interop = {Ascii(0x1, "R98")};
    const std::vector<uint8_t> clean = Jpeg(Payload(b));
    std::mt19937 rng(1234);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = clean;
        const int hits = 1 + int(rng() % 8);
        for (int k = 0; k < hits; ++k) bytes[rng() % bytes.size()] = uint8_t(rng());
        CExif exif = ReadBytes(bytes);
        exif.GetOrientation();
        exif.GetDateTaken();
        std::vector<uint8_t> rebuilt = exif.Section().Rebuild();
        ASSERT_LE(rebuilt.size(), 65535u);
        if (!rebuilt.empty()) {
            ASSERT_EQ(size_t(rebuilt[0] << 8 | rebuilt[1]), rebuilt.size());
            CAPP1Section again;
            again.Parse(rebuilt.data(), rebuilt.size());
            ASSERT_EQ(again.ByteOrder(), 1);
        }
    }
}
