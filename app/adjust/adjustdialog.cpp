#include "adjust/adjustdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "editor/editorview.h"
#include "editor/histogramdialog.h"
#include "platform/programfolder.h"
#include "shell/mainframe.h"
#include "shell/qtprompt.h"
#include "shell/waitcursor.h"

namespace {

// Runs longer than this show the progress bar.
constexpr int kProgressDelayMs = 500;
// Pixels between the picture and a dialog placed beside it.
constexpr int kGap = 8;

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CAdjustDialog::CAdjustDialog(CeditorView* view, const QString& title, int buttons, int helpContext)
    : QDialog(view), m_view(view) {
    setWindowTitle(title);
    // The preview works on the screen-sized copies of what the view shows.
    m_view->RebuildDisplayCopies();
    m_view->SetDisplayMode(CeditorView::kDrawPreviewCopy);

    auto* outer = new QHBoxLayout(this);
    m_body = new QVBoxLayout;
    outer->addLayout(m_body, 1);

    auto* side = new QVBoxLayout;
    auto* box = new QDialogButtonBox(Qt::Vertical, this);
    m_ok = box->addButton(QDialogButtonBox::Ok);
    m_ok->setToolTip(tr("Applies the current setting."));
    m_cancel = box->addButton(QDialogButtonBox::Cancel);
    m_cancel->setToolTip(tr("Cancels the current setting."));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (buttons & kReset) {
        m_reset = box->addButton(tr("Reset"), QDialogButtonBox::ResetRole);
        m_reset->setToolTip(tr("Resets the settings to default (neutral)."));
        connect(m_reset, &QPushButton::clicked, this, &CAdjustDialog::ResetAll);
    }
    if (buttons & kLoadSave) {
        QPushButton* load = box->addButton(tr("Load"), QDialogButtonBox::ActionRole);
        load->setToolTip(tr("Loads the settings from the file."));
        connect(load, &QPushButton::clicked, this, &CAdjustDialog::OnLoadClicked);
        QPushButton* save = box->addButton(tr("Save"), QDialogButtonBox::ActionRole);
        save->setToolTip(tr("Saves the settings to the file."));
        connect(save, &QPushButton::clicked, this, &CAdjustDialog::OnSaveClicked);
    }
    if (helpContext > 0) {
        QPushButton* help = box->addButton(QDialogButtonBox::Help);
        connect(help, &QPushButton::clicked, this, [this, helpContext] {
            if (m_view->MainFrame()) m_view->MainFrame()->ShowHelp(helpContext);
        });
    }
    side->addWidget(box);
    m_previewBox = new QCheckBox(tr("Preview"), this);
    m_previewBox->setChecked(true);
    m_previewBox->setToolTip(tr("Toggles between original image and the processed image."));
    // Unchecking shows the unprocessed copy; the worker keeps computing meanwhile.
    connect(m_previewBox, &QCheckBox::toggled, this, [this](bool on) {
        m_view->SetDisplayMode(on ? CeditorView::kDrawPreviewCopy : CeditorView::kDrawDisplayCopy);
    });
    side->addWidget(m_previewBox);
    side->addStretch(1);
    outer->addLayout(side);
}

CAdjustDialog::~CAdjustDialog() {
    StopPreview();
    ShowPreviewCounts(m_view, std::nullopt);
    m_view->SetDisplayMode(CeditorView::kDrawImage);
}

void CAdjustDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_sliders.empty()) m_sliders.front()->setFocus();
    // Beside the picture when the screen has room, so that the whole preview stays in sight.
    const QScreen* screen = m_view->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect picture(m_view->mapToGlobal(QPoint(0, 0)), m_view->size());
    const QSize size = frameGeometry().size();
    const int lowest = std::max(area.top(), area.bottom() - size.height());
    int left = 0;
    if (picture.right() + kGap + size.width() <= area.right()) left = picture.right() + kGap;
    else if (picture.left() - kGap - size.width() >= area.left()) left = picture.left() - kGap - size.width();
    else return;
    int top = std::clamp(picture.top(), area.top(), lowest);
    // Below the histogram window rather than over it, when it is in the way.
    const QWidget* histogram =
        m_view->MainFrame() ? static_cast<const QWidget*>(m_view->MainFrame()->HistogramWindow()) : nullptr;
    if (histogram && histogram->isVisible() &&
        histogram->frameGeometry().intersects(QRect(QPoint(left, top), size)))
        top = std::min(histogram->frameGeometry().bottom() + kGap, lowest);
    move(left, top);
}

bool CAdjustDialog::Run() {
    const bool accepted = exec() == QDialog::Accepted;
    const bool committed = accepted && Commit();
    StopPreview();
    ShowPreviewCounts(m_view, std::nullopt);
    m_view->SetDisplayMode(CeditorView::kDrawImage);
    return committed;
}

bool CAdjustDialog::Commit() {
    // The whole-image run needs the cores; a preview would be thrown away anyway.
    StopPreview();
    ShowPreviewCounts(m_view, std::nullopt);
    CeditorDoc* document = m_view->GetDocument();
    CMainFrame* frame = m_view->MainFrame();
    ApplyResult result = ApplyResult::NoImage;
    {
        const CWaitCursor wait;
        CDelayedProgress progress(frame ? &frame->Progress() : nullptr, frame ? frame->Progress().Bar() : nullptr,
                                  kProgressDelayMs);
        const std::optional<CeditorDoc::ChannelTables> tables = CommitTables();
        result = tables ? document->ApplyTableOperation(CommitRoutine(&progress), *tables)
                        : document->ApplyOperation(0, 0, CommitRoutine(&progress));
    }
    m_view->SetDisplayMode(CeditorView::kDrawImage);
    if (result == ApplyResult::Ok) {
        m_view->UpdateAfterEdit();
        return true;
    }
    m_view->viewport()->update();
    if (frame && result == ApplyResult::OutOfMemory)
        frame->Prompt().Message("The image could not be changed: there is not enough memory.", "Lumaret");
    else if (frame && result == ApplyResult::RoutineFailed)
        frame->Prompt().Message("The adjustment could not be applied to the image.", "Lumaret");
    return false;
}

bool CAdjustDialog::LoadFile(const QString& path) {
    const adjust::SettingsFileStatus status = LoadSettings(path.toStdString());
    if (status != adjust::SettingsFileStatus::Ok) {
        ShowError(adjust::kInvalidFileText);
        return false;
    }
    PostPreview();
    update();
    return true;
}

bool CAdjustDialog::SaveFile(const QString& path) {
    if (SaveSettings(path.toStdString()) == adjust::SettingsFileStatus::Ok) return true;
    ShowError(adjust::kCannotSaveText);
    return false;
}

void CAdjustDialog::ResetAll() {
    OnReset();
    PostPreview();
    update();
}

QSlider* CAdjustDialog::SliderOf(int pair) const {
    return pair >= 0 && pair < static_cast<int>(m_sliders.size()) ? m_sliders[pair] : nullptr;
}

QLineEdit* CAdjustDialog::EditOf(int pair) const {
    return pair >= 0 && pair < static_cast<int>(m_edits.size()) ? m_edits[pair] : nullptr;
}

CQtSliderEdit* CAdjustDialog::AddPair(QGridLayout* grid, int row, const QString& label, const ops::Param& param) {
    CQtSliderEdit* pair = AddPair(grid, row, label, SliderRange{});
    InitSliderEdit(pair->Pair(), pair, param);
    return pair;
}

CQtSliderEdit* CAdjustDialog::AddPair(QGridLayout* grid, int row, const QString& label, const SliderRange& range,
                                      CSliderEdit::Transform display, CSliderEdit::Transform input) {
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setMinimumWidth(220);
    auto* edit = new QLineEdit(this);
    edit->setMaximumWidth(64);
    grid->addWidget(new QLabel(label, this), row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(edit, row, 2);
    auto* pair = new CQtSliderEdit(slider, edit, this);
    pair->Pair().Init(pair, range, std::move(display), std::move(input));
    m_pairs.push_back(pair);
    m_sliders.push_back(slider);
    m_edits.push_back(edit);
    return pair;
}

void CAdjustDialog::StartPreview(CPreviewBridge::Job job) {
    m_bridge = std::make_unique<CPreviewBridge>(m_view, std::move(job));
    m_bridge->Post();
}

void CAdjustDialog::PostPreview(int stage) {
    if (m_bridge) m_bridge->Post(stage);
}

void CAdjustDialog::StopPreview() {
    if (m_bridge) m_bridge->Stop();
}

void CAdjustDialog::OnLoadClicked() {
    const SettingsFileKind kind = FileKind();
    QFileDialog dialog(this, tr("Load"), PresetsFolder(), kind.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(kind.extension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    LoadFile(dialog.selectedFiles().front());
}

void CAdjustDialog::OnSaveClicked() {
    const SettingsFileKind kind = FileKind();
    QFileDialog dialog(this, tr("Save"), PresetsFolder(), kind.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(kind.extension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    SaveFile(dialog.selectedFiles().front());
}

void CAdjustDialog::ShowError(const char* text) {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(adjust::kInvalidFileCaption), QString::fromLatin1(text),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("settingsFileError"));
    box.exec();
}

QString CAdjustDialog::PresetsFolder() const {
    return QString::fromStdString(platform::ProgramFile("Presets").string());
}

// ---------------------------------------------------------------- CDelayedProgress

CDelayedProgress::CDelayedProgress(IProgress* target, QWidget* repaint, int delayMs)
    : m_target(target), m_repaint(repaint), m_delayMs(delayMs) {}

CDelayedProgress::~CDelayedProgress() {
    End();
}

bool CDelayedProgress::OnWindowThread() const {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

void CDelayedProgress::Start(const std::string& title, int total) {
    if (!OnWindowThread()) return;
    m_title = title;
    m_total = total;
    m_startMs = NowMs();
    m_running = true;
    m_shown = false;
}

void CDelayedProgress::SetPosition(int position) {
    if (!m_target || !m_running || !OnWindowThread()) return;
    if (!m_shown) {
        if (NowMs() - m_startMs < m_delayMs) return;
        m_target->Start(m_title, m_total);
        m_shown = true;
    }
    m_target->SetPosition(position);
    if (m_repaint) m_repaint->repaint();
}

void CDelayedProgress::End() {
    if (!OnWindowThread()) return;
    if (m_shown && m_target) m_target->End();
    m_running = false;
    m_shown = false;
}
