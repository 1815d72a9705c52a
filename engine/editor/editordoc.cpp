#include "editor/editordoc.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "codec/codeclock.h"
#include "codec/jpegcodec.h"
#include "editor/opendecode.h"
#include "exif/exif.h"
#include "geometry/orient.h"
#include "geometry/rotate.h"
#include "platform/safewrite.h"

namespace {

bool HasJpegExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "jpg" || ext == "jpeg";
}

// Makes the EXIF block state the saved picture's size: the pixel dimension entries of the
// EXIF directory are set, and added there (with the directory, when the block has none)
// when missing. Copies elsewhere in the block are set too so that none disagrees. A file
// without an EXIF block gets none.
void SetPixelDimensions(CExif& exif, int32_t width, int32_t height) {
    CAPP1Section& section = exif.Section();
    if (section.ByteOrder() == 0 || width <= 0 || height <= 0) return;
    const std::pair<uint16_t, uint32_t> sizes[] = {{kTagPixelXDimension, static_cast<uint32_t>(width)},
                                                   {kTagPixelYDimension, static_cast<uint32_t>(height)}};
    for (const auto& [tag, value] : sizes) {
        for (CIFD& directory : section.Directories())
            if (directory.Find(tag) != nullptr) directory.SetUnsigned(tag, value);
        section.Directory(kIfdExif).SetUnsigned(tag, value);
    }
}

bool CodecWriter(const std::string& path, const ImagePlane& pixels, int quality) {
    return writeJPEGfile(path.c_str(), pixels.width, pixels.height, pixels.data, quality) != 0;
}

}  // namespace

CeditorDoc::CeditorDoc(IPrompt* prompt, CMemoryManager* allocator)
    : m_prompt(prompt),
      m_allocator(allocator),
      m_exif(std::make_unique<CExif>()),
      m_ring(allocator),
      m_writer(CodecWriter) {}

CeditorDoc::~CeditorDoc() = default;

void CeditorDoc::Report(const std::string& text, const std::string& caption) {
    if (m_prompt) m_prompt->Message(text, caption);
}

bool CeditorDoc::OnOpenDocument(const std::string& path) {
    m_path = path;
    m_exif = std::make_unique<CExif>(path);
    m_exif->Read();
    m_openedOrientation = m_exif->GetOrientation();
    m_exif->ResetOrientation();

    m_ring.Reset();
    CHistogramCounter counter;
    bool counted = false;
    {
        std::lock_guard<std::mutex> guard(CodecLock());
        int width = 0, height = 0, components = 0;
        if (getJPEGFileInfo(path.c_str(), &width, &height, &components)) {
            const ImagePlane first = m_ring.PrepareFirstState(width, height);
            if (first.data) {
                // The upright copy is made while the decoder works further down the picture
                // and becomes the first undo step. Without memory for it the picture opens
                // as it was stored.
                ImagePlane upright;
                if (geometry::IsUprightingOrientation(m_openedOrientation)) {
                    const geometry::ImageSize size = geometry::OrientedSize(width, height, m_openedOrientation);
                    upright = m_ring.PrepareNextState(size.width, size.height);
                }
                DecodeUpright(first, upright, m_openedOrientation, counter);
                if (upright.data) m_ring.Commit();
                counted = true;
            } else {
                // Without memory for the picture the document opens empty, as for an
                // unreadable file; the codec still forgets the file it remembered.
                m_ring.PrepareFirstState(0, 0);
                readJPEGfile(nullptr, 0);
            }
        }
    }
    // Setting a picture upright only moves pixels, so the counts of the decoded rows are
    // those of the upright picture.
    if (counted) SetHistograms(counter);
    else ComputeHistogram();
    m_modified = false;
    return true;
}

bool CeditorDoc::OpenPixels(const ImagePlane& pixels, const std::string& path) {
    m_path = path;
    m_exif = std::make_unique<CExif>();
    m_openedOrientation = 1;
    ImagePlane first = m_ring.PrepareFirstState(pixels.width, pixels.height);
    const bool copied = first.data && pixels.data;
    if (copied) {
        for (int32_t y = 0; y < pixels.height; ++y)
            std::memcpy(first.Row(y), pixels.Row(y), static_cast<size_t>(pixels.width) * 3);
    } else {
        m_ring.PrepareFirstState(0, 0);
    }
    ComputeHistogram();
    m_modified = false;
    return copied;
}

void CeditorDoc::ComputeHistogram() {
    for (Histogram& table : m_histograms) table.fill(0);
    m_peak = 0;
    const ImagePlane plane = m_ring.Current();
    if (!plane.data) return;
    // Large pictures are counted in two halves at once; the sums are the same either way.
    CHistogramCounter top, bottom;
    const bool split = static_cast<int64_t>(plane.width) * plane.height >= (1 << 20);
    const int32_t middle = split ? plane.height / 2 : plane.height;
    std::thread helper;
    if (split) {
        try {
            helper = std::thread([&] { bottom.CountRows(plane, middle, plane.height); });
        } catch (const std::system_error&) {
            bottom.CountRows(plane, middle, plane.height);
        }
    }
    top.CountRows(plane, 0, middle);
    if (helper.joinable()) helper.join();
    top.Add(bottom);
    SetHistograms(top);
}

void CeditorDoc::SetHistograms(const CHistogramCounter& counter) {
    counter.Finish(m_histograms);
    m_histograms[3].fill(0);
    // The peak is the largest count of any bin, which is what raising it bin by bin yields.
    m_peak = 0;
    for (int t = 0; t < 3; ++t)
        m_peak = std::max(m_peak, *std::max_element(m_histograms[t].begin(), m_histograms[t].end()));
}

void CeditorDoc::Committed() {
    m_modified = true;
    ComputeHistogram();
}

ApplyResult CeditorDoc::ApplyOperation(int32_t width, int32_t height, const Routine& routine) {
    return ApplyPlan({{width, height, routine}});
}

ApplyResult CeditorDoc::ApplyTableOperation(const Routine& routine, const ChannelTables& tables) {
    const std::array<Histogram, 4> before = m_histograms;
    const ApplyResult result = geometry::CommitSteps(m_ring, {{0, 0, routine}}, m_allocator);
    if (result != ApplyResult::Ok) return result;
    m_modified = true;
    // Every pixel's value v in a channel became table[v], so its count moves there.
    const std::array<const std::array<uint8_t, 256>*, 3> map = {&tables.red, &tables.green, &tables.blue};
    m_peak = 0;
    for (size_t t = 0; t < 3; ++t) {
        m_histograms[t].fill(0);
        for (size_t v = 0; v < 256; ++v) m_histograms[t][(*map[t])[v]] += before[t][v];
        m_peak = std::max(m_peak, *std::max_element(m_histograms[t].begin(), m_histograms[t].end()));
    }
    return result;
}

ApplyResult CeditorDoc::ApplyPlan(const std::vector<ops::Step>& steps) {
    const ApplyResult result = geometry::CommitSteps(m_ring, steps, m_allocator);
    if (result == ApplyResult::Ok && !steps.empty()) Committed();
    return result;
}

bool CeditorDoc::Undo() {
    if (!m_ring.Undo()) return false;
    ComputeHistogram();
    return true;
}

bool CeditorDoc::Redo() {
    if (!m_ring.Redo()) return false;
    m_modified = true;
    ComputeHistogram();
    return true;
}

bool CeditorDoc::RotateImage(float angleDegrees) {
    const ImagePlane current = m_ring.Current();
    const geometry::ImageSize size = geometry::RotatedSize(current.width, current.height, angleDegrees);
    return ApplyPlan({{size.width, size.height, [angleDegrees](const ImagePlane& src, const ImagePlane& dst) {
                            return geometry::RotateImage(src, dst, angleDegrees);
                        }}}) == ApplyResult::Ok;
}

bool CeditorDoc::MirrorLeftRight() {
    const ImagePlane current = m_ring.Current();
    return ApplyPlan({{current.width, current.height, geometry::MirrorLeftRight}}) == ApplyResult::Ok;
}

bool CeditorDoc::MirrorTopBottom() {
    const ImagePlane current = m_ring.Current();
    return ApplyPlan({{current.width, current.height, geometry::MirrorTopBottom}}) == ApplyResult::Ok;
}

bool CeditorDoc::ResizeImage(int32_t width, int32_t height, geometry::ResizeMethod method) {
    return ApplyPlan({{width, height, [method](const ImagePlane& src, const ImagePlane& dst) {
                            return geometry::ResizeImage(src, dst, method);
                        }}}) == ApplyResult::Ok;
}

bool CeditorDoc::CropImage(const geometry::CropRect& rect) {
    return ApplyPlan({{rect.Width(), rect.Height(), [rect](const ImagePlane& src, const ImagePlane& dst) {
                            return geometry::CropImage(src, dst, rect);
                        }}}) == ApplyResult::Ok;
}

bool CeditorDoc::WriteImage(const std::string& path, int quality, const CExif* exif, std::string& error) {
    const ImagePlane pixels = m_ring.Current();
    if (!pixels.data) {
        error = "there is no picture to save";
        return false;
    }
    return platform::ReplaceFileByPath(
        path,
        [&](const std::string& temp) {
            if (!m_writer(temp, pixels, quality)) {
                error = "the picture could not be encoded into " + path;
                return false;
            }
            if (!exif) return true;
            CExif written(temp);
            if (written.Read() < 0) {
                error = "the written picture could not be read back";
                return false;
            }
            written.CopyExifFrom(*exif);
            if (!written.WriteFile()) {
                error = "the EXIF data could not be written into " + path;
                return false;
            }
            return true;
        },
        error);
}

bool CeditorDoc::OnFileSave() {
    if (m_prompt && m_prompt->Ask("Overwrite?", "Save", PromptButtons::YesNo) != PromptAnswer::Yes) return false;
    if (!HasJpegExtension(m_path)) {
        // Writing nothing yet calling the picture saved would lose the edits without a word.
        Report("The image was not saved: only .jpg and .jpeg files can be written. Use Save As.", "Save");
        return false;
    }
    std::string error;
    if (!WriteImage(m_path, 90, nullptr, error)) {
        Report("The image was not saved: " + error + ".", "Save");
        return false;
    }
    m_modified = false;
    return true;
}

bool CeditorDoc::SaveAs(const std::string& path, int quality, bool stripExif) {
    const ImagePlane current = m_ring.Current();
    SetPixelDimensions(*m_exif, current.width, current.height);
    std::string error;
    if (!WriteImage(path, std::clamp(quality, 1, 100), stripExif ? nullptr : m_exif.get(), error)) {
        Report("The image was not saved: " + error + ".", "Save As");
        return false;
    }
    m_path = path;
    m_modified = false;
    return true;
}
