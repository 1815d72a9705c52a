#pragma once
// CeditorDoc: one opened JPEG file in the editor — its EXIF data, the ring of image states
// with undo and redo, and the colour histograms of the current state.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/imagering.h"
#include "core/operation.h"
#include "core/prompt.h"
#include "geometry/resize.h"
#include "geometry/types.h"

class CExif;
class CHistogramCounter;

// How an operation committed through CeditorDoc ended.
using ApplyResult = ops::ApplyResult;

class CeditorDoc {
public:
    using Histogram = std::array<uint32_t, 256>;
    // Writes a picture file; the default goes through the JPEG codec component. Tests and
    // callers that need another writer may replace it.
    using JpegWriter = std::function<bool(const std::string& path, const ImagePlane& pixels, int quality)>;

    // `prompt` asks the user (the "Overwrite?" question, failure messages); may be null,
    // in which case every question is answered Yes and messages are dropped.
    explicit CeditorDoc(IPrompt* prompt = nullptr, CMemoryManager* allocator = nullptr);
    ~CeditorDoc();
    CeditorDoc(const CeditorDoc&) = delete;
    CeditorDoc& operator=(const CeditorDoc&) = delete;

    // Loads the file: EXIF read, orientation reset to 1 in memory, pixels decoded, the
    // orientation applied as a first undo step. A file that cannot be decoded gives an
    // empty image. Always returns true, as a document always opens.
    bool OnOpenDocument(const std::string& path);
    // Opens pixels that come from no JPEG file (a PPM, a test picture): an image without
    // EXIF data and without history. False when memory for the copy could not be had.
    bool OpenPixels(const ImagePlane& pixels, const std::string& path);
    // Save: asks "Overwrite?" and writes the current image over the document's file at
    // quality 90, without EXIF. False when nothing was written (declined or failed; a
    // failure is reported through the prompt and the document stays modified).
    bool OnFileSave();
    // Save As after the dialog: writes the current image to `path` at `quality`, carrying
    // the EXIF block over (orientation 1, pixel size of the image) unless `stripExif`.
    // The document then refers to `path`. False, reported, when the file could not be written.
    bool SaveAs(const std::string& path, int quality, bool stripExif);

    // Recounts the histograms from the current state.
    void ComputeHistogram();
    // Tables 0, 1, 2 count red, green and blue; table 3 stays empty.
    const Histogram& GetHistogram(int table) const { return m_histograms[table]; }
    // Largest count in the red, green and blue tables.
    uint32_t HistogramPeak() const { return m_peak; }

    using Routine = std::function<bool(const ImagePlane& source, const ImagePlane& destination)>;
    // The one way an operation changes the image: `routine` writes the next state (of
    // width x height, 0, 0 meaning the current size) from the current one, and the result
    // is committed as one undo step (modified, histograms recounted). When memory or the
    // routine fails, image, undo and redo history and the modified flag stay as they were.
    ApplyResult ApplyOperation(int32_t width, int32_t height, const Routine& routine);
    // A routine that sends every pixel's red, green and blue through these tables (levels,
    // curves, brightness, boost): the histograms are then mapped through the tables instead
    // of recounting the whole picture, which would cost as much as the routine itself.
    struct ChannelTables {
        std::array<uint8_t, 256> red, green, blue;
    };
    ApplyResult ApplyTableOperation(const Routine& routine, const ChannelTables& tables);
    // One step back or forward; false when not possible.
    bool Undo();
    bool Redo();
    bool CanUndo() const { return m_ring.CanUndo(); }
    bool CanRedo() const { return m_ring.CanRedo(); }
    ImagePlane CurrentImage() const { return m_ring.Current(); }
    const CImageRing& Ring() const { return m_ring; }

    // Runs the steps of an operation (a descriptor's plan, a tool's result steps), each
    // from the result of the one before and each committed as an undo step; on failure
    // nothing changes, as with ApplyOperation.
    ApplyResult ApplyPlan(const std::vector<ops::Step>& steps);
    // The image operations of the editor, each one committed step.
    bool RotateImage(float angleDegrees);
    bool MirrorLeftRight();
    bool MirrorTopBottom();
    bool ResizeImage(int32_t width, int32_t height, geometry::ResizeMethod method);
    bool CropImage(const geometry::CropRect& rect);

    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified) { m_modified = modified; }
    const std::string& PathName() const { return m_path; }
    // The EXIF data of the opened file (orientation already reset to 1).
    CExif& Exif() { return *m_exif; }
    // The orientation the file declared when it was opened.
    int OpenedOrientation() const { return m_openedOrientation; }

    void SetJpegWriter(JpegWriter writer) { m_writer = std::move(writer); }

private:
    bool WriteImage(const std::string& path, int quality, const CExif* exif, std::string& error);
    void Report(const std::string& text, const std::string& caption);
    // Takes the counted red, green and blue tables and their peak.
    void SetHistograms(const CHistogramCounter& counter);
    // The bookkeeping after the ring advanced by one or more committed steps.
    void Committed();

    IPrompt* m_prompt;
    CMemoryManager* m_allocator;
    std::string m_path;
    std::unique_ptr<CExif> m_exif;
    CImageRing m_ring;
    std::array<Histogram, 4> m_histograms{};
    uint32_t m_peak = 0;
    bool m_modified = false;
    int m_openedOrientation = 1;
    JpegWriter m_writer;
};
