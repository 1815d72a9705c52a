// CeditorView: the command table's enabling and handlers, the improvement wizard panel,
// and next and previous image.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "adjust/adjustcommands.h"
#include "editor/childframe.h"
#include "editor/commandtable.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "editor/guiitem.h"
#include "editor/imagelist.h"
#include "editor/savefiledialog.h"
#include "exif/exifinfodialog.h"
#include "geometry/resizedialog.h"
#include "platform/programfolder.h"
#include "shell/mainframe.h"
#include "shell/waitcursor.h"
#include "tools/starttool.h"

namespace {

// The action words of the wizard page and the commands they run, in the order they are
// tried.
struct WizardWord {
    const char* word;
    int command;
};
constexpr WizardWord kWizardWords[] = {
    // --- Adjustment dialogs ---
    {"brightness", cmd::Brightness},
    {"levels", cmd::Levels},
    {"boost", cmd::Boost},
    {"shadowcontrol", cmd::ShadowControl},
    {"highlightcontrol", cmd::HighlightControl},
    // --- end of adjustment dialogs ---
    {"-90", cmd::Rotate90Clockwise},
    {"+90", cmd::Rotate90CounterClockwise},
    {"180", cmd::Rotate180},
    // --- Adjustment dialogs ---
    {"bw", cmd::BlackAndWhite},
    {"ir", cmd::IrFilm},
    {"usm", cmd::Sharpen},
    // --- end of adjustment dialogs ---
    // The interactive tools.
    {"rotatearbitrary", cmd::ArbitraryRotation},
    {"crop", cmd::Crop},
    {"redeyeremoval", cmd::RedEyeRemoval},
    {"photofilters", cmd::PhotographicFilters},
    {"whitebalance", cmd::WhiteBalance},
    // End of the interactive tools.
    {"zoom100", cmd::Zoom100},
};

}  // namespace

bool CeditorView::IsCommandEnabled(int id) const {
    const CommandInfo* info = FindViewCommand(id);
    if (!info || (info->toolBlocked && m_tool)) return false;
    const bool hasImage = m_document->CurrentImage().IsValid();
    switch (id) {
        case cmd::EditUndo:
            return m_tool ? m_tool->CanUndo() : m_document->CanUndo();
        case cmd::EditRedo:
            return m_tool ? m_tool->CanRedo() : m_document->CanRedo();
        case cmd::ShowNextImage:
            return m_frame && CanShowNextImage(m_frame->ImageList());
        case cmd::ShowPreviousImage:
            return m_frame && CanShowPreviousImage(m_frame->ImageList());
        case cmd::FileClose:
        case cmd::ImprovementWizard:
        case cmd::ShowExifInfo:
            return true;
        default:
            return hasImage;
    }
}

void CeditorView::OnCommand(int id) {
    if (!IsCommandEnabled(id)) return;
    if (tools::IsToolCommand(id)) {
        tools::StartToolCommand(*this, id);
        Changed();
        return;
    }
    switch (id) {
        case cmd::EditUndo:
            if (m_tool) m_tool->Undo();
            else m_document->Undo();
            UpdateScrollBars();
            viewport()->update();
            break;
        case cmd::EditRedo:
            if (m_tool) m_tool->Redo();
            else m_document->Redo();
            UpdateScrollBars();
            viewport()->update();
            break;
        case cmd::Rotate90Clockwise:
        case cmd::Rotate90CounterClockwise:
        case cmd::Rotate180:
        case cmd::FlipHorizontal:
        case cmd::FlipVertical:
            Turn(id);
            break;
        case cmd::Resize: RunResize(); break;
        case cmd::ShowExifInfo: RunExifInfo(); break;
        case cmd::FileSave: RunSave(); break;
        case cmd::FileSaveAs: RunSaveAs(); break;
        case cmd::FileClose:
            if (CChildFrame* child = ChildFrame()) child->close();
            return;  // the view may be gone
        case cmd::ImprovementWizard: ShowWizard(); break;
        case cmd::Zoom100: ZoomTo100(); break;
        case cmd::ZoomFit: ZoomToFit(); break;
        case cmd::ShowNextImage: ShowNeighbour(+1); break;
        case cmd::ShowPreviousImage: ShowNeighbour(-1); break;
        default:
            // --- Adjustment dialogs ---
            if (IsAdjustCommand(id)) RunAdjustDialog(id, this);
            // --- end of adjustment dialogs ---
            break;
    }
    Changed();
}

void CeditorView::Turn(int id) {
    bool done = false;
    {
        const CWaitCursor wait;
        switch (id) {
            case cmd::Rotate90Clockwise: done = m_document->RotateImage(-90.0f); break;
            case cmd::Rotate90CounterClockwise: done = m_document->RotateImage(90.0f); break;
            case cmd::Rotate180: done = m_document->RotateImage(180.0f); break;
            case cmd::FlipHorizontal: done = m_document->MirrorLeftRight(); break;
            case cmd::FlipVertical: done = m_document->MirrorTopBottom(); break;
            default: break;
        }
    }
    if (!done && m_frame) m_frame->Prompt().Message("The image could not be changed: there is not enough memory.", "Lumaret");
    UpdateScrollBars();
    viewport()->update();
}

void CeditorView::RunResize() {
    const ImagePlane image = m_document->CurrentImage();
    CResize dialog(image.width, image.height, m_frame, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const geometry::CResizeModel::Result result = dialog.GetResult();
    bool done = false;
    {
        const CWaitCursor wait;
        done = m_document->ResizeImage(result.width, result.height, result.method);
    }
    if (!done && m_frame) m_frame->Prompt().Message("The image could not be resized: there is not enough memory.", "Resize");
    UpdateScrollBars();
    viewport()->update();
}

void CeditorView::RunExifInfo() {
    CExifInfoDlg dialog(m_document->Exif(), this);
    dialog.exec();
}

void CeditorView::RunSave() {
    // The document asks "Overwrite?" itself, so no wait cursor may be up around it.
    m_document->OnFileSave();
}

void CeditorView::RunSaveAs() {
    const QFileInfo current(QString::fromStdString(m_document->PathName()));
    CSaveFileDialog dialog(m_frame ? static_cast<QWidget*>(m_frame) : this, current.absolutePath(), Title());
    if (dialog.exec() != QDialog::Accepted) return;
    const QString path = dialog.SelectedPath();
    if (path.isEmpty()) return;
    {
        const CWaitCursor wait;
        m_document->SaveAs(path.toStdString(), dialog.Quality(), dialog.StripExif());
    }
    if (CChildFrame* child = ChildFrame()) child->UpdateTitle();
}

bool CeditorView::AskDiscard() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Lumaret"),
                    QStringLiteral("The image has been modified. Do you want to discard changes done to the image?"),
                    QMessageBox::NoButton, this);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(discard);
    box.setObjectName("discardQuestion");
    box.exec();
    return box.clickedButton() == discard;
}

void CeditorView::ShowNeighbour(int step) {
    IImageList* list = m_frame ? m_frame->ImageList() : nullptr;
    if (!(step > 0 ? CanShowNextImage(list) : CanShowPreviousImage(list))) return;
    if (m_document->IsModified() && !AskDiscard()) return;
    const int index = list->CurrentIndex() + step;
    auto document = std::make_unique<CeditorDoc>(&m_frame->Prompt());
    {
        const CWaitCursor wait;
        document->OnOpenDocument(list->PathAt(index));
    }
    SetDocument(std::move(document));
    list->SetCurrentIndex(index);
    m_frame->NoteOpenedFile(QFileInfo(QString::fromStdString(list->PathAt(index))).absoluteFilePath(),
                            m_document->CurrentImage().IsValid());
}

QWidget* CeditorView::WizardPanel() const {
    return m_wizard;
}

void CeditorView::ShowWizard() {
    if (!m_wizard) {
        m_wizard = new CHtmlWindow(this, QStringLiteral("Image Adjustment Wizard"), this);
        m_wizard->setWindowFlag(Qt::Tool);
        m_wizard->Navigate(QString::fromStdString(platform::ProgramFile("data/wizard.htm").string()));
    }
    m_wizard->show();
    m_wizard->raise();
}

void CeditorView::OnAction(const QString& action) {
    if (m_tool) {
        QApplication::beep();
        return;
    }
    // Links carry their word inside an address such as "action:-90".
    for (const WizardWord& entry : kWizardWords)
        if (action.contains(QLatin1String(entry.word), Qt::CaseInsensitive)) OnCommand(entry.command);
}
