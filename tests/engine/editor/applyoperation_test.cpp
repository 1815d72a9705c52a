// The document's one commit path: a successful operation is exactly one undo step; a
// failed routine or a failed allocation leaves image, undo, redo and modified flag alone,
// wherever the ring stands (fresh, with redo pending, at its deepest undo).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <ostream>
#include <vector>

#include "core/memorymanager.h"
#include "editor/editordoc.h"
#include "test_image.h"

namespace {

constexpr int32_t kW = 12, kH = 8;

std::vector<uint8_t> Bytes(const ImagePlane& plane) {
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < plane.height; ++y)
        bytes.insert(bytes.end(), plane.Row(y), plane.Row(y) + plane.width * 3);
    return bytes;
}

// Writes every byte of the destination as `value`.
CeditorDoc::Routine Fill(uint8_t value) {
    return [value](const ImagePlane&, const ImagePlane& dst) {
        for (int32_t y = 0; y < dst.height; ++y) std::memset(dst.Row(y), value, static_cast<size_t>(dst.width) * 3);
        return true;
    };
}

// Scribbles over the destination, then refuses.
bool Refuse(const ImagePlane&, const ImagePlane& dst) {
    for (int32_t y = 0; y < dst.height; ++y) std::memset(dst.Row(y), 0xEE, static_cast<size_t>(dst.width) * 3);
    return false;
}

// Everything a user could observe of the history: the image after every reachable undo
// and redo, and the flags.
struct History {
    std::vector<std::vector<uint8_t>> undos, redos;
    std::vector<uint8_t> current;
    bool modified = false;
    bool operator==(const History&) const = default;
    // Failures show the first byte of each state, which the fills make telling.
    friend void PrintTo(const History& h, std::ostream* os) {
        auto first = [](const std::vector<uint8_t>& b) { return b.empty() ? -1 : int(b[0]); };
        *os << "current " << first(h.current) << ", undo";
        for (const auto& u : h.undos) *os << ' ' << first(u);
        *os << ", redo";
        for (const auto& r : h.redos) *os << ' ' << first(r);
        *os << (h.modified ? ", modified" : "");
    }
};

History Observe(CeditorDoc& doc) {
    History h;
    h.current = Bytes(doc.CurrentImage());
    h.modified = doc.IsModified();
    int back = 0;
    while (doc.Undo()) {
        h.undos.push_back(Bytes(doc.CurrentImage()));
        ++back;
    }
    while (back-- > 0) doc.Redo();
    int forward = 0;
    while (doc.Redo()) {
        h.redos.push_back(Bytes(doc.CurrentImage()));
        ++forward;
    }
    while (forward-- > 0) doc.Undo();
    doc.SetModifiedFlag(h.modified);
    return h;
}

// A document whose blocks may not exceed what a few kW x kH images need, so a large
// result cannot be had.
class ApplyOperationTest : public ::testing::TestWithParam<int> {
protected:
    ApplyOperationTest() : allocator(Options()), doc(nullptr, &allocator) {}
    static CMemoryManager::Options Options() {
        CMemoryManager::Options options;
        options.clock = [] { return 0.0; };
        options.reaperPeriod = std::chrono::milliseconds(0);
        options.maxBlockSize = 64 * 1024;
        return options;
    }
    void SetUp() override {
        std::vector<uint8_t> pixels(ImagePlane::BytesFor(kW, kH), 10);
        ASSERT_TRUE(doc.OpenPixels(ImagePlane::Make(pixels.data(), kW, kH), "start.ppm"));
        // Bring the ring to the position under test: 0 fresh, 1 with a redo pending, 2 at
        // the deepest undo (the next slot holds the oldest state).
        const int position = GetParam();
        const int commits = position == 2 ? 4 : position == 1 ? 2 : 0;
        for (int k = 0; k < commits; ++k) {
            ASSERT_EQ(doc.ApplyOperation(0, 0, Fill(static_cast<uint8_t>(20 + k))), ApplyResult::Ok);
        }
        if (position == 1) {
            ASSERT_TRUE(doc.Undo());
        }
    }
    CMemoryManager allocator;
    CeditorDoc doc;
};

TEST_P(ApplyOperationTest, FailuresLeaveEverythingAsItWas) {
    const History before = Observe(doc);
    EXPECT_EQ(doc.ApplyOperation(0, 0, Refuse), ApplyResult::RoutineFailed);
    EXPECT_EQ(Observe(doc), before);
    EXPECT_EQ(doc.ApplyOperation(kW * 2, kH, Refuse), ApplyResult::RoutineFailed);
    EXPECT_EQ(Observe(doc), before);
    EXPECT_EQ(doc.ApplyOperation(5000, 5000, Fill(1)), ApplyResult::OutOfMemory);
    EXPECT_EQ(Observe(doc), before);
    EXPECT_EQ(doc.ApplyOperation(-1, 3, Fill(1)), ApplyResult::InvalidSize);
    EXPECT_EQ(Observe(doc), before);
    // Two steps whose second one fails commit neither.
    EXPECT_EQ(doc.ApplyPlan({{0, 0, Fill(5)}, {3, 3, Refuse}}), ApplyResult::RoutineFailed);
    EXPECT_EQ(Observe(doc), before);
}

TEST_P(ApplyOperationTest, SuccessIsExactlyOneUndoStep) {
    const History before = Observe(doc);
    doc.SetModifiedFlag(false);
    ASSERT_EQ(doc.ApplyOperation(kW + 1, kH, Fill(99)), ApplyResult::Ok);
    const History after = Observe(doc);
    EXPECT_EQ(doc.CurrentImage().width, kW + 1);
    EXPECT_EQ(after.current, std::vector<uint8_t>(static_cast<size_t>(kW + 1) * kH * 3, 99));
    EXPECT_TRUE(after.modified);
    EXPECT_TRUE(after.redos.empty());
    // The state before is one undo back, the older ones behind it, at most three in all.
    ASSERT_FALSE(after.undos.empty());
    EXPECT_EQ(after.undos[0], before.current);
    const size_t kept = std::min<size_t>(before.undos.size(), CImageRing::kMaxUndo - 1);
    EXPECT_EQ(after.undos.size(), kept + 1);
    for (size_t k = 0; k < kept; ++k) EXPECT_EQ(after.undos[k + 1], before.undos[k]);
}

TEST_P(ApplyOperationTest, TwoStepsRenderEachFromTheOneBefore) {
    const std::vector<uint8_t> start = Bytes(doc.CurrentImage());
    const auto copyCorner = [](const ImagePlane& src, const ImagePlane& dst) {
        for (int32_t y = 0; y < dst.height; ++y) std::memcpy(dst.Row(y), src.Row(y), static_cast<size_t>(dst.width) * 3);
        return true;
    };
    ASSERT_EQ(doc.ApplyPlan({{0, 0, Fill(7)}, {3, 2, copyCorner}}), ApplyResult::Ok);
    EXPECT_EQ(Bytes(doc.CurrentImage()), std::vector<uint8_t>(3 * 2 * 3, 7));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Bytes(doc.CurrentImage()), std::vector<uint8_t>(kW * kH * 3, 7));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Bytes(doc.CurrentImage()), start);
}

INSTANTIATE_TEST_SUITE_P(RingPositions, ApplyOperationTest, ::testing::Values(0, 1, 2));

TEST(ApplyOperation, AnEmptyDocumentHasNothingToChange) {
    CeditorDoc doc;
    EXPECT_EQ(doc.ApplyOperation(0, 0, Fill(1)), ApplyResult::NoImage);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.IsModified());
}

}  // namespace

// A table operation's histograms, mapped through its tables, are the counts of the new
// picture; a refused one leaves picture and histograms as they were.
TEST(ApplyTableOperation, MappedHistogramsEqualARecount) {
    testimage::Image picture = testimage::RandomImage(97, 61, 5);
    CeditorDoc doc;
    ASSERT_TRUE(doc.OpenPixels(picture.plane, "random.ppm"));
    CeditorDoc::ChannelTables tables;
    for (int v = 0; v < 256; ++v) {
        tables.red[v] = static_cast<uint8_t>(v / 3);             // many values meet in one
        tables.green[v] = static_cast<uint8_t>(255 - v);         // reversed
        tables.blue[v] = static_cast<uint8_t>(v < 128 ? 0 : v);  // a clipped end
    }
    const auto routine = [&](const ImagePlane& src, const ImagePlane& dst) {
        for (int32_t y = 0; y < src.height; ++y)
            for (int32_t x = 0; x < src.width; ++x) {
                const uint8_t* s = src.Row(y) + 3 * x;
                uint8_t* d = dst.Row(y) + 3 * x;
                d[0] = tables.blue[s[0]], d[1] = tables.green[s[1]], d[2] = tables.red[s[2]];
            }
        return true;
    };
    ASSERT_EQ(doc.ApplyTableOperation(routine, tables), ApplyResult::Ok);
    std::array<CeditorDoc::Histogram, 3> mapped;
    for (int t = 0; t < 3; ++t) mapped[t] = doc.GetHistogram(t);
    const uint32_t mappedPeak = doc.HistogramPeak();
    doc.ComputeHistogram();
    for (int t = 0; t < 3; ++t) EXPECT_EQ(mapped[t], doc.GetHistogram(t)) << "table " << t;
    EXPECT_EQ(mappedPeak, doc.HistogramPeak());
    EXPECT_TRUE(doc.CanUndo());

    const std::vector<uint8_t> before = Bytes(doc.CurrentImage());
    const CeditorDoc::Histogram red = doc.GetHistogram(0);
    EXPECT_EQ(doc.ApplyTableOperation(Refuse, tables), ApplyResult::RoutineFailed);
    EXPECT_EQ(Bytes(doc.CurrentImage()), before);
    EXPECT_EQ(doc.GetHistogram(0), red);
}
