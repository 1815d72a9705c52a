// The editor document: opening upright, histograms, undo, and saving without ever losing
// the file on disk.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fakes.h"
#include "tempdir.h"
#include "editor/editordoc.h"
#include "editor/imagelist.h"
#include "editor_fixtures.h"
#include "exif/exif.h"

namespace fs = std::filesystem;
using namespace editortest;

namespace {

// Answers Yes (to "Overwrite?") unless a test says otherwise.
struct ScriptedPrompt : testsupport::ScriptedPrompt {
    ScriptedPrompt() { whenOutOfAnswers = PromptAnswer::Yes; }
};

class EditorDocTest : public ::testing::Test {
protected:
    testsupport::TempDir scratch{"editordoc"};
    const fs::path& dir = scratch.Path();
};

struct OrientationCase {
    int orientation;
    int32_t width, height;
    Colour topLeft, topRight, bottomLeft;
};

}  // namespace

TEST_F(EditorDocTest, OpensEveryOrientationUprightAsOneUnmodifiedUndoStep) {
    // The stored picture is 40 x 20: red | green over blue | white.
    const OrientationCase cases[] = {
        {1, 40, 20, Colour::Red, Colour::Green, Colour::Blue},
        {2, 40, 20, Colour::Green, Colour::Red, Colour::White},
        {3, 40, 20, Colour::White, Colour::Blue, Colour::Green},
        {4, 40, 20, Colour::Blue, Colour::White, Colour::Red},
        {5, 40, 20, Colour::Red, Colour::Green, Colour::Blue},  // transposed kinds are left alone
        {6, 20, 40, Colour::Blue, Colour::Red, Colour::White},  // turned clockwise
        {8, 20, 40, Colour::Green, Colour::White, Colour::Red}, // turned counter-clockwise
    };
    for (const OrientationCase& c : cases) {
        SCOPED_TRACE(c.orientation);
        const fs::path path = dir / (std::to_string(c.orientation) + "-turned.jpg");
        WriteQuadrantJpeg(path, 40, 20, c.orientation);
        CeditorDoc doc;
        EXPECT_TRUE(doc.OnOpenDocument(path));
        const ImagePlane image = doc.CurrentImage();
        ASSERT_EQ(image.width, c.width);
        ASSERT_EQ(image.height, c.height);
        EXPECT_EQ(ColourAt(image, 1, 1), c.topLeft);
        EXPECT_EQ(ColourAt(image, image.width - 2, 1), c.topRight);
        EXPECT_EQ(ColourAt(image, 1, image.height - 2), c.bottomLeft);
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(doc.Exif().GetOrientation(), 1);
        const bool turned = c.orientation == 2 || c.orientation == 3 || c.orientation == 4 ||
                            c.orientation == 6 || c.orientation == 8;
        EXPECT_EQ(doc.CanUndo(), turned);
        if (turned) {
            // Undo shows the picture as stored in the file.
            ASSERT_TRUE(doc.Undo());
            EXPECT_EQ(doc.CurrentImage().width, 40);
            EXPECT_EQ(ColourAt(doc.CurrentImage(), 1, 1), Colour::Red);
        }
    }
}

TEST_F(EditorDocTest, AFileThatIsNotAJpegOpensEmpty) {
    WriteBytes(dir / "text.jpg", {'h', 'e', 'l', 'l', 'o'});
    CeditorDoc doc;
    EXPECT_TRUE(doc.OnOpenDocument(dir / "text.jpg"));
    EXPECT_EQ(doc.CurrentImage().data, nullptr);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_EQ(doc.HistogramPeak(), 0u);
    // Operations on the empty image change nothing and do not crash.
    EXPECT_FALSE(doc.IsModified());
    ScriptedPrompt prompt;
    CeditorDoc doc2(&prompt);
    doc2.OnOpenDocument(dir / "missing.jpg");
    EXPECT_FALSE(doc2.SaveAs(dir / "out.jpg", 90, false));
    EXPECT_FALSE(fs::exists(dir / "out.jpg"));
}

TEST_F(EditorDocTest, HistogramsCountRedGreenBlueAndThePeak) {
    CImageBuffer pixels;
    pixels.Create(3, 2);
    const uint8_t bgr[6][3] = {{10, 20, 30}, {10, 20, 31}, {10, 21, 30}, {0, 0, 0}, {10, 0, 30}, {255, 255, 255}};
    for (int i = 0; i < 6; ++i)
        for (int c = 0; c < 3; ++c) pixels.Plane().Row(i / 3)[(i % 3) * 3 + c] = bgr[i][c];
    CeditorDoc doc;
    ASSERT_TRUE(doc.OpenPixels(pixels.Plane(), "mem"));
    EXPECT_EQ(doc.GetHistogram(2)[10], 4u);  // blue
    EXPECT_EQ(doc.GetHistogram(1)[20], 2u);  // green
    EXPECT_EQ(doc.GetHistogram(0)[30], 3u);  // red
    EXPECT_EQ(doc.GetHistogram(0)[255], 1u);
    EXPECT_EQ(doc.HistogramPeak(), 4u);
    for (uint32_t count : doc.GetHistogram(3)) EXPECT_EQ(count, 0u);
    // Recounted after every commit and undo.
    ASSERT_TRUE(doc.ResizeImage(1, 1, geometry::ResizeMethod::Nearest));
    EXPECT_EQ(doc.HistogramPeak(), 1u);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.HistogramPeak(), 4u);
}

TEST_F(EditorDocTest, LargePicturesCountTheSameAsAPlainLoop) {
    // Odd width and height: the counting splits rows in two and pixels in pairs.
    CImageBuffer pixels;
    pixels.Create(1201, 999);
    uint32_t seed = 12345;
    const ImagePlane plane = pixels.Plane();
    uint32_t expected[3][256] = {};
    for (int32_t y = 0; y < plane.height; ++y)
        for (int32_t x = 0; x < plane.width * 3; ++x) {
            seed = seed * 1664525u + 1013904223u;
            plane.Row(y)[x] = uint8_t(seed >> 24) & 0xF7;
            ++expected[2 - x % 3][plane.Row(y)[x]];
        }
    CeditorDoc doc;
    ASSERT_TRUE(doc.OpenPixels(plane, "mem"));
    uint32_t peak = 0;
    for (int t = 0; t < 3; ++t)
        for (int v = 0; v < 256; ++v) {
            ASSERT_EQ(doc.GetHistogram(t)[v], expected[t][v]) << t << " " << v;
            peak = std::max(peak, expected[t][v]);
        }
    EXPECT_EQ(doc.HistogramPeak(), peak);
}

TEST_F(EditorDocTest, UndoReachesBackThreeStepsAndANewStepEndsRedo) {
    CImageBuffer pixels;
    pixels.Create(4, 4);
    FillQuadrants(pixels.Plane());
    CeditorDoc doc;
    ASSERT_TRUE(doc.OpenPixels(pixels.Plane(), "mem"));
    ASSERT_TRUE(doc.RotateImage(90));  // first edit: green top-left
    ASSERT_TRUE(doc.MirrorLeftRight());
    ASSERT_TRUE(doc.MirrorTopBottom());
    ASSERT_TRUE(doc.MirrorLeftRight());
    EXPECT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.Undo());
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_EQ(ColourAt(doc.CurrentImage(), 0, 0), Colour::Green);
    EXPECT_TRUE(doc.CanRedo());
    ASSERT_TRUE(doc.MirrorTopBottom());
    EXPECT_FALSE(doc.CanRedo());
}

TEST_F(EditorDocTest, SaveAsCarriesExifOverWithOrientationOneAndTheNewSize) {
    const fs::path in = dir / "camera.jpg";
    WriteQuadrantJpeg(in, 40, 20, 6);
    CeditorDoc doc;
    doc.OnOpenDocument(in);
    ASSERT_TRUE(doc.ResizeImage(10, 20, geometry::ResizeMethod::Bilinear));

    const fs::path kept = dir / "kept.jpg";
    ASSERT_TRUE(doc.SaveAs(kept, 85, false));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.PathName(), kept.string());
    CExif written(kept);
    ASSERT_EQ(written.Read(), 0);
    EXPECT_EQ(written.GetOrientation(), 1);
    uint32_t x = 0, y = 0;
    ASSERT_TRUE(written.Section().FindEntry(kTagPixelXDimension));
    written.Section().FindEntry(kTagPixelXDimension)->FirstInteger(x);
    written.Section().FindEntry(kTagPixelYDimension)->FirstInteger(y);
    EXPECT_EQ(x, 10u);
    EXPECT_EQ(y, 20u);
    EXPECT_EQ(written.GetDateTaken().value_or(""), "2024:05:17 10:11:12");
    int w = 0, h = 0, c = 0;
    ASSERT_TRUE(getJPEGFileInfo(kept.c_str(), &w, &h, &c));
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, 20);
    CImageBuffer scratch;
    scratch.Create(w, h);
    readJPEGfile(scratch.Data(), 1);

    const fs::path stripped = dir / "stripped.jpg";
    ASSERT_TRUE(doc.SaveAs(stripped, 85, true));
    CExif none(stripped);
    ASSERT_EQ(none.Read(), 0);
    EXPECT_FALSE(none.HasExif());
}

TEST_F(EditorDocTest, SaveAsksBeforeOverwritingAndKeepsEditsOnNo) {
    const fs::path path = dir / "pic.jpg";
    WriteQuadrantJpeg(path, 16, 8, 0);
    const std::vector<uint8_t> original = ReadBytes(path);
    ScriptedPrompt prompt;
    CeditorDoc doc(&prompt);
    doc.OnOpenDocument(path);
    ASSERT_TRUE(doc.MirrorLeftRight());

    prompt.whenOutOfAnswers = PromptAnswer::No;
    EXPECT_FALSE(doc.OnFileSave());
    ASSERT_EQ(prompt.Texts().size(), 1u);
    EXPECT_EQ(prompt.Texts()[0], "Overwrite?");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ReadBytes(path), original);

    prompt.whenOutOfAnswers = PromptAnswer::Yes;
    EXPECT_TRUE(doc.OnFileSave());
    EXPECT_FALSE(doc.IsModified());
    CeditorDoc reread;
    reread.OnOpenDocument(path);
    EXPECT_EQ(ColourAt(reread.CurrentImage(), 1, 1), Colour::Green);
    // Save writes the pixels only.
    CExif exif(path);
    exif.Read();
    EXPECT_FALSE(exif.HasExif());
}

TEST_F(EditorDocTest, FailedSavesLeaveTheFileAndTheEditsAlone) {
    const fs::path path = dir / "pic.jpg";
    WriteQuadrantJpeg(path, 16, 8, 1);
    const std::vector<uint8_t> original = ReadBytes(path);
    ScriptedPrompt prompt;
    CeditorDoc doc(&prompt);
    doc.OnOpenDocument(path);
    ASSERT_TRUE(doc.MirrorTopBottom());

    // The encoder fails half-way: the old file must survive untouched.
    doc.SetJpegWriter([](const std::string& temp, const ImagePlane&, int) {
        WriteBytes(temp, {0xFF, 0xD8, 0xFF});
        return false;
    });
    EXPECT_FALSE(doc.OnFileSave());
    EXPECT_FALSE(doc.SaveAs(path, 90, false));
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(prompt.Texts().back().rfind("The image was not saved", 0), 0u);
    // No temporary file is left beside it.
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u);

    // A folder that does not exist.
    CeditorDoc other(&prompt);
    other.OnOpenDocument(path);
    EXPECT_FALSE(other.SaveAs(dir / "no" / "such.jpg", 90, false));
}

TEST_F(EditorDocTest, SaveToANonJpegNameIsReportedNotSilentlyDropped) {
    const fs::path path = dir / "pic.jpg";
    WriteQuadrantJpeg(path, 16, 8, 0);
    fs::copy_file(path, dir / "pic.png");
    const std::vector<uint8_t> original = ReadBytes(dir / "pic.png");
    ScriptedPrompt prompt;
    CeditorDoc doc(&prompt);
    doc.OnOpenDocument(dir / "pic.png");
    ASSERT_TRUE(doc.MirrorLeftRight());
    EXPECT_FALSE(doc.OnFileSave());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ReadBytes(dir / "pic.png"), original);
    EXPECT_EQ(prompt.Texts().back().rfind("The image was not saved", 0), 0u);
}

TEST_F(EditorDocTest, SavedFilesGetOrdinaryPermissions) {
    const fs::path path = dir / "new.jpg";
    CImageBuffer pixels;
    pixels.Create(8, 8);
    CeditorDoc doc;
    doc.OpenPixels(pixels.Plane(), "mem");
    ASSERT_TRUE(doc.SaveAs(path, 90, true));
    const fs::perms perms = fs::status(path).permissions();
    // Readable by others as a new file would be under the usual umask, not 0600.
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
    EXPECT_NE(perms & fs::perms::others_read, fs::perms::none);
}

namespace {
class FakeList : public IImageList {
public:
    std::vector<std::string> paths;
    int index = -1;
    int CurrentIndex() const override { return index; }
    std::string PathAt(int i) const override { return i >= 0 && i < int(paths.size()) ? paths[i] : ""; }
    void SetCurrentIndex(int i) override { index = i; }
};
}  // namespace

TEST(ImageListTest, NextAndPreviousStopAtTheEndsWithoutWrapping) {
    FakeList list;
    list.paths = {"a.jpg", "b.jpg", "c.jpg"};
    EXPECT_FALSE(CanShowNextImage(nullptr));
    EXPECT_FALSE(CanShowNextImage(&list));  // nothing opened from the list
    list.index = 0;
    EXPECT_TRUE(CanShowNextImage(&list));
    EXPECT_FALSE(CanShowPreviousImage(&list));
    list.index = 2;
    EXPECT_FALSE(CanShowNextImage(&list));
    EXPECT_TRUE(CanShowPreviousImage(&list));
}

// The upright picture is made while the decoder runs: it must equal decoding first and
// turning after, and its histograms a fresh count, on a picture of many bands.
TEST_F(EditorDocTest, OpeningUprightEqualsDecodingThenTurning) {
    const int32_t w = 131, h = 203;
    CImageBuffer pixels;
    pixels.Create(w, h);
    const ImagePlane plane = pixels.Plane();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = plane.Row(y) + x * 3;
            p[0] = uint8_t(x * 2), p[1] = uint8_t(y + x / 3), p[2] = uint8_t((x * y) >> 4);
        }
    for (int orientation : {1, 3, 6, 8}) {
        SCOPED_TRACE(orientation);
        const fs::path path = dir / (std::to_string(orientation) + "-turned.jpg");
        ASSERT_TRUE(writeJPEGfile(path.c_str(), w, h, pixels.Data(), 90));
        InsertExifOrientation(path, w, h, orientation);

        CeditorDoc doc;
        doc.OnOpenDocument(path);
        std::array<CeditorDoc::Histogram, 3> counted{};
        for (int t = 0; t < 3; ++t) counted[t] = doc.GetHistogram(t);
        const uint32_t peak = doc.HistogramPeak();
        const ImagePlane opened = doc.CurrentImage();

        CeditorDoc reference;
        reference.OpenPixels(opened, "");  // a copy, to compare after the document turns back
        if (orientation != 1) {
            ASSERT_TRUE(doc.Undo());
        }
        const float angle = orientation == 3 ? 180.0f : orientation == 6 ? -90.0f : orientation == 8 ? 90.0f : 0.0f;
        ASSERT_TRUE(doc.RotateImage(angle));
        const ImagePlane turned = doc.CurrentImage();
        ASSERT_EQ(turned.width, reference.CurrentImage().width);
        ASSERT_EQ(turned.height, reference.CurrentImage().height);
        for (int32_t y = 0; y < turned.height; ++y)
            ASSERT_EQ(0, std::memcmp(turned.Row(y), reference.CurrentImage().Row(y), size_t(turned.width) * 3)) << y;
        for (int t = 0; t < 3; ++t) EXPECT_EQ(counted[t], reference.GetHistogram(t));
        EXPECT_EQ(peak, reference.HistogramPeak());
    }
    // A sideways file cut short still opens upright at full size, the missing part filled in.
    std::vector<uint8_t> cut = ReadBytes(dir / "6-turned.jpg");
    cut.resize(cut.size() / 2);
    WriteBytes(dir / "cut.jpg", cut);
    CeditorDoc doc;
    doc.OnOpenDocument(dir / "cut.jpg");
    EXPECT_EQ(doc.CurrentImage().width, h);
    EXPECT_EQ(doc.CurrentImage().height, w);
    EXPECT_TRUE(doc.CanUndo());
}
