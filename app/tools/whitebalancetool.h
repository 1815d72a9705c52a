#pragma once
// CWhiteBalance: the white balance tool. A click on the picture picks the reference
// colour (1 x 1 or 3 x 3 pixels); the colour wheel or the hue and saturation pairs set it
// too. The preview follows in the view's preview copy; Ok applies the factors to the
// whole picture as one undo step.
#include <QWidget>
#include <functional>
#include <memory>

#include "adjust/framework/previewworker.h"
#include "adjust/whitebalance/whitebalance.h"
#include "tools/toolbase.h"

class CPreviewBridge;
class CQtSliderEdit;
class QCheckBox;
class QRadioButton;

// The 120 x 120 colour wheel; a press or drag inside the circle chooses hue and saturation.
class CColorWheel : public QWidget {
    Q_OBJECT
public:
    explicit CColorWheel(QWidget* parent);
    // Moves the cross to this hue (degrees) and saturation (0..60) and repaints.
    void SetChoice(float hue, float saturation);
    QSize sizeHint() const override { return {adjust::kWheelSize, adjust::kWheelSize}; }

signals:
    // The user chose a point of the wheel.
    void chosen(float hue, float saturation);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Choose(const QPoint& at);

    float m_hue = 0;
    float m_saturation = 0;
};

class CWhiteBalance : public CToolBase {
public:
    explicit CWhiteBalance(CeditorView* view);
    ~CWhiteBalance() override;

    void Create(QWidget* parent) override;
    void Close() override;
    bool OnLButtonDown(unsigned flags, int x, int y) override;
    bool OnMouseMove(unsigned flags, int x, int y) override;
    bool OnSetCursor() override;
    void OnViewChanging() override;
    void OnViewChanged() override;
    bool RenderResult(const ImagePlane& destination) override;
    void GetResultSize(ImagePlane& size) override;
    bool IsViewDependent() override { return true; }

    const adjust::CWhiteBalanceModel& Model() const { return m_model; }
    CPreviewBridge* Bridge() const { return m_bridge.get(); }
    CColorWheel* Wheel() const { return m_wheel; }
    CQtSliderEdit* HuePair() const { return m_hue; }
    CQtSliderEdit* SaturationPair() const { return m_saturation; }
    // Chooses the dropper size as its radio buttons do.
    void SetDropper(adjust::DropperSize size);

private:
    void FromWheel(float hue, float saturation);
    void ShowModel();
    void MakeBridge();

    adjust::CWhiteBalanceModel m_model;
    // The factors the preview worker reads.
    std::shared_ptr<CLatestValue<adjust::WhiteBalanceFactors>> m_factors;
    std::unique_ptr<CPreviewBridge> m_bridge;
    CQtSliderEdit* m_hue = nullptr;
    CQtSliderEdit* m_saturation = nullptr;
    CColorWheel* m_wheel = nullptr;
    QRadioButton* m_one = nullptr;
    QRadioButton* m_three = nullptr;
    QCheckBox* m_preview = nullptr;
};
