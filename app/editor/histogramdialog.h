#pragma once
// CHistogramDialog: the small "Histogram" tool window. It draws the red, green, blue and
// average curves of the active editor document and carries the editor's zoom controls
// (slider, zoom text, "+" and "-").
#include <QDialog>
#include <QPolygon>
#include <QRect>
#include <array>
#include <cstdint>
#include <optional>

class CeditorView;
class CMainFrame;
class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

// The count that fills the box height twice over: the peak, but at most 1 % of the pixels,
// so that a single spike does not flatten every other level.
uint32_t HistogramCap(uint32_t maxCount, int32_t imageWidth, int32_t imageHeight);
// The 256 points of one curve in `box` (the drawing area inside the frame) for the counts
// `levels`, scaled so that `cap` reaches twice the box height and clipped to its top.
// Empty when cap is 0.
QPolygon HistogramCurve(const float* levels, const QRect& box, uint32_t cap);

class CHistogramDialog : public QDialog {
    Q_OBJECT
public:
    enum Curve { kRed = 0, kGreen = 1, kBlue = 2, kAverage = 3 };

    explicit CHistogramDialog(CMainFrame* frame);

    // Brings the zoom controls in step with the active view and repaints the curves.
    void Refresh();
    // One zoom step larger or smaller on the active view ("+" and "-").
    void OnPlus();
    void OnMinus();
    // Draws the checked curves of the active document into the box's rectangle `frame`.
    void PaintCurves(QPainter& painter, const QRect& frame);

    // Counts of an adjustment dialog's preview picture, shown instead of the document's
    // histograms while set (an adjustment's preview follows every change).
    struct PreviewCounts {
        std::array<std::array<uint32_t, 256>, 3> rgb{};  // red, green, blue
        uint32_t peak = 0;
        int32_t width = 0;
        int32_t height = 0;
    };
    // Shows `counts` (nullopt: the document's histograms again) and repaints.
    void SetPreviewCounts(std::optional<PreviewCounts> counts);
    const std::optional<PreviewCounts>& PreviewCountsShown() const { return m_preview; }

    QCheckBox* CurveBox(Curve curve) const { return m_checks[curve]; }
    QSlider* ZoomSlider() const { return m_slider; }
    QLabel* ZoomLabel() const { return m_zoomText; }
    QWidget* HistogramBox() const { return m_box; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSliderChanged(int position);
    void OnSliderReleased();
    void Step(bool in);

    CMainFrame* m_frame;
    QWidget* m_box;
    QCheckBox* m_checks[4];
    QSlider* m_slider;
    QLabel* m_zoomText;
    QPushButton* m_plus;
    QPushButton* m_minus;
    bool m_syncing = false;
    std::optional<PreviewCounts> m_preview;
};
