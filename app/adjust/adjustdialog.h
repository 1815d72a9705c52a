#pragma once
// CAdjustDialog: what every modal adjustment dialog of the editor shares.
//
// - Constructing it rebuilds the view's display and preview copies and shows the preview
//   copy; destroying it stops the preview and shows the document image again.
// - Slider and edit pairs come from operation descriptors (AddPair); the "Preview" box
//   switches the view between the processed and the unprocessed preview.
// - StartPreview hands the preview job to a CPreviewBridge and asks for the first preview;
//   a subclass calls PostPreview() after every change that alters the result.
// - Reset, Load and Save buttons call the subclass's OnReset / LoadSettings / SaveSettings;
//   a bad file shows "Invalid file" and keeps the dialog's values.
// - Run() shows the dialog modally; OK commits the subclass's CommitRoutine over the
//   whole image as one undo step through CeditorDoc::ApplyOperation (wait cursor, a
//   status-bar progress bar for runs over half a second). Cancel and Escape change nothing.
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adjust/framework/binaryio.h"
#include "adjust/previewbridge.h"
#include "core/operation.h"
#include "editor/editordoc.h"
#include "core/prompt.h"
#include "shell/slidereditpair.h"

class CeditorView;
class IProgress;
class QGridLayout;
class QLineEdit;
class QSlider;
class QVBoxLayout;

class CAdjustDialog : public QDialog {
    Q_OBJECT
public:
    // Buttons a dialog has besides OK, Cancel and Help.
    enum Buttons { kNoButtons = 0, kReset = 1, kLoadSave = 2 };
    // What a settings file of the dialog is called in the file dialogs.
    struct SettingsFileKind {
        QString filter;     // "Curves setting (*.curves)"
        QString extension;  // "curves"
    };

    // For `view` (parent and owner of the copies); `helpContext` 0 shows no Help button.
    CAdjustDialog(CeditorView* view, const QString& title, int buttons, int helpContext);
    ~CAdjustDialog() override;

    // Shows the dialog modally and commits on OK. True when one undo step was added.
    bool Run();
    // Runs the whole-image routine as one undo step; a failure is reported through the
    // prompt and changes nothing. True when committed.
    bool Commit();
    // Reads a settings file into the dialog ("Invalid file" when it is not one); true
    // when loaded.
    bool LoadFile(const QString& path);
    // Writes the dialog's settings file; true when written.
    bool SaveFile(const QString& path);
    // Puts every parameter back to neutral and asks for a preview.
    void ResetAll();
    // The whole-image routine OK runs, with the current values (benchmarks compare it).
    CeditorDoc::Routine WholeImageRoutine(IProgress* progress = nullptr) const { return CommitRoutine(progress); }

    CeditorView* View() const { return m_view; }
    QCheckBox* PreviewBox() const { return m_previewBox; }
    QPushButton* ResetButton() const { return m_reset; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    // The preview machinery (null before StartPreview).
    CPreviewBridge* Bridge() const { return m_bridge.get(); }
    // The pairs in the order they were added.
    const std::vector<CQtSliderEdit*>& Pairs() const { return m_pairs; }
    QSlider* SliderOf(int pair) const;
    QLineEdit* EditOf(int pair) const;

protected:
    // The first pair's slider takes the keyboard, so arrow keys adjust at once.
    void showEvent(QShowEvent* event) override;
    // The dialog's controls go here, above the buttons.
    QVBoxLayout* Body() const { return m_body; }
    // A labelled slider and edit on row `row` of `grid`, set up from a descriptor's
    // parameter (bounds, step, ticks, format, transforms).
    CQtSliderEdit* AddPair(QGridLayout* grid, int row, const QString& label, const ops::Param& param);
    // The same from an explicit range and transforms.
    CQtSliderEdit* AddPair(QGridLayout* grid, int row, const QString& label, const SliderRange& range,
                           CSliderEdit::Transform display = {}, CSliderEdit::Transform input = {});
    // Creates the preview bridge with `job` and asks for the first preview.
    void StartPreview(CPreviewBridge::Job job);
    // Asks for a new preview from `stage` on.
    void PostPreview(int stage = CPreviewWorker::kFullStage);
    // Stops the preview worker (before the whole-image run, or when closing).
    void StopPreview();

    // The whole-image routine for the current parameters (called on the window thread).
    virtual CeditorDoc::Routine CommitRoutine(IProgress* progress) const = 0;
    // The red, green and blue tables of a routine that is a pure table look-up, so that the
    // document maps its histograms instead of recounting them; none for other routines.
    virtual std::optional<CeditorDoc::ChannelTables> CommitTables() const { return std::nullopt; }
    // Sets every parameter to neutral and writes the pairs; the base then posts a preview.
    virtual void OnReset() {}
    // Settings files: the file kind, reading (only on success may values change) and writing.
    virtual SettingsFileKind FileKind() const { return {}; }
    virtual adjust::SettingsFileStatus LoadSettings(const std::string& path) {
        (void)path;
        return adjust::SettingsFileStatus::InvalidFile;
    }
    virtual adjust::SettingsFileStatus SaveSettings(const std::string& path) const {
        (void)path;
        return adjust::SettingsFileStatus::CannotWrite;
    }

private:
    void OnLoadClicked();
    void OnSaveClicked();
    void ShowError(const char* text);
    QString PresetsFolder() const;

    CeditorView* m_view;
    QVBoxLayout* m_body = nullptr;
    QCheckBox* m_previewBox = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    std::vector<CQtSliderEdit*> m_pairs;
    std::vector<QSlider*> m_sliders;
    std::vector<QLineEdit*> m_edits;
    std::unique_ptr<CPreviewBridge> m_bridge;
};

// Progress for whole-image runs on the window thread: forwards to `target` only once a
// run has lasted longer than `delayMs`, so quick runs show no bar. Calls from other threads
// (bands of a parallel routine) are ignored.
class CDelayedProgress : public IProgress {
public:
    // `repaint` (may be null) is repainted after each forwarded call, since the window
    // thread is busy with the run and would not paint it otherwise.
    CDelayedProgress(IProgress* target, QWidget* repaint, int delayMs);
    ~CDelayedProgress() override;
    void Start(const std::string& title, int total) override;
    void SetPosition(int position) override;
    void End() override;

private:
    bool OnWindowThread() const;
    IProgress* m_target;
    QWidget* m_repaint;
    int m_delayMs;
    long long m_startMs = 0;
    std::string m_title;
    int m_total = 0;
    bool m_running = false;
    bool m_shown = false;
};
