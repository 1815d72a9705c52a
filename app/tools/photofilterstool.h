#pragma once
// CPhotographicFilters: the photographic filters tool. A full filter tints the picture; a
// graduated one blends two colours across a line whose position and angle are set with
// the pairs or dragged on the picture (press on the line's new place, drag to turn it).
// The preset library (categories and filters) lives in data/cokin.pfs, the last settings
// in data/photographic_filters.last. Ok applies the filter as one undo step.
#include <QList>
#include <QWidget>
#include <memory>

#include "adjust/filters/filterpresets.h"
#include "adjust/filters/photofilter.h"
#include "adjust/framework/previewworker.h"
#include "tools/toolbase.h"

class CPreviewBridge;
class CQtSliderEdit;
class QCheckBox;
class QListWidget;
class QPushButton;

// The colour bar: the filter's colours from top to bottom; a click in its upper half
// chooses colour 1, in its lower half colour 2.
class CFilterColorBar : public QWidget {
    Q_OBJECT
public:
    explicit CFilterColorBar(QWidget* parent);
    void SetParams(const adjust::PhotoFilterParams& params);
    QSize sizeHint() const override { return {40, 160}; }

signals:
    // The user clicked the upper (first) or lower half.
    void colorClicked(bool first);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    adjust::PhotoFilterParams m_params;
};

class CPhotographicFilters : public CToolBase {
public:
    // Where the library and the last settings are read and written.
    struct Files {
        std::string presetsRead, presetsWrite, lastRead, lastWrite;
    };
    // The program's own files below its data folder.
    static Files ProgramFiles();

    CPhotographicFilters(CeditorView* view, Files files = ProgramFiles());
    ~CPhotographicFilters() override;

    void Create(QWidget* parent) override;
    void Close() override;
    bool OnLButtonDown(unsigned flags, int x, int y) override;
    bool OnLButtonUp(unsigned flags, int x, int y) override;
    bool OnMouseMove(unsigned flags, int x, int y) override;
    bool OnSetCursor() override;
    void DrawOverlay(QPainter& painter) override;
    void OnViewChanging() override;
    void OnViewChanged() override;
    bool RenderResult(const ImagePlane& destination) override;
    void GetResultSize(ImagePlane& size) override;
    bool IsViewDependent() override { return true; }

    const adjust::PhotoFilterParams& Params() const { return m_params; }
    // Replaces the settings and shows them in the panel (a preset chosen, a test).
    void SetParams(const adjust::PhotoFilterParams& params);
    adjust::CFilterPresetLibrary& Library() { return m_library; }
    CPreviewBridge* Bridge() const { return m_bridge.get(); }
    QListWidget* CategoryList() const { return m_categories; }
    QListWidget* FilterList() const { return m_filters; }
    // The full-image points where the transition line (t = 0.5) crosses the picture's
    // bounding circle, for drawing and tests.
    std::pair<QPointF, QPointF> TransitionLine(float t = 0.5f) const;
    // OK: offers to save a changed library, commits, writes the last settings.
    void Accept();
    // Cancel: offers to save a changed library and ends the tool.
    void Reject();

private:
    void Changed();
    void ShowParams();
    void MakeBridge();
    void ChooseColor(bool first);
    void FillCategories(int select);
    void FillFilters(int select);
    void PresetChosen();
    std::optional<size_t> SelectedCategory() const;
    std::optional<size_t> SelectedFilter() const;
    // Puts the transition line through the full-image point (x, y), keeping its angle.
    void LineThrough(double x, double y);

    Files m_files;
    adjust::PhotoFilterParams m_params;
    adjust::CFilterPresetLibrary m_library;
    std::shared_ptr<CLatestValue<adjust::PhotoFilterParams>> m_shared;
    std::shared_ptr<CLatestValue<adjust::FilterPreviewMapping>> m_mapping;
    std::unique_ptr<CPreviewBridge> m_bridge;
    bool m_dragging = false;
    QPointF m_anchor;  // full-image point the dragged line turns about
    CQtSliderEdit* m_angle = nullptr;
    CQtSliderEdit* m_hardness = nullptr;
    CQtSliderEdit* m_offset = nullptr;
    CQtSliderEdit* m_strength = nullptr;
    CFilterColorBar* m_bar = nullptr;
    QCheckBox* m_preview = nullptr;
    QCheckBox* m_grad = nullptr;
    QCheckBox* m_blackAndWhite = nullptr;
    QListWidget* m_categories = nullptr;
    QListWidget* m_filters = nullptr;
    QList<QWidget*> m_gradControls;  // the angle, hardness and offset sliders and edits
};
