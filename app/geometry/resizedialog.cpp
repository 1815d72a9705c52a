#include "geometry/resizedialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "shell/mainframe.h"

using geometry::CResizeModel;

CResize::CResize(int32_t width, int32_t height, CMainFrame* frame, QWidget* parent)
    : QDialog(parent), m_model(width, height) {
    setWindowTitle(QStringLiteral("Resize"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_width = new QLineEdit(this);
    m_height = new QLineEdit(this);
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), this);
    m_width->setValidator(digits);
    m_height->setValidator(digits);
    m_units = new QComboBox(this);
    for (const char* name : CResizeModel::kUnitNames) m_units->addItem(QString::fromLatin1(name));
    m_preserve = new QCheckBox(QStringLiteral("Preserve proportions"), this);
    m_method = new QComboBox(this);
    for (const char* name : CResizeModel::kMethodNames) m_method->addItem(QString::fromLatin1(name));
    form->addRow(tr("Width:"), m_width);
    form->addRow(tr("Height:"), m_height);
    form->addRow(tr("Units:"), m_units);
    form->addRow(QString(), m_preserve);
    form->addRow(tr("Interpolation:"), m_method);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    layout->addWidget(buttons);

    m_width->setToolTip(QStringLiteral("New image width."));
    m_height->setToolTip(QStringLiteral("New image height."));
    m_units->setToolTip(QStringLiteral("Selects the measurement units."));
    m_method->setToolTip(QStringLiteral("Selects the interpolation used in resizing."));
    m_preserve->setToolTip(QStringLiteral("Whether or not to preserve proportions of the original image."));
    buttons->button(QDialogButtonBox::Ok)->setToolTip(QStringLiteral("Applies the current setting."));
    buttons->button(QDialogButtonBox::Cancel)->setToolTip(QStringLiteral("Cancels the current setting."));

    // The dialog opens in pixels with proportions kept and bicubic selected.
    m_preserve->setChecked(m_model.Preserve());
    m_units->setCurrentIndex(static_cast<int>(m_model.GetUnits()));
    m_method->setCurrentIndex(static_cast<int>(m_model.Method()));
    ShowNumbers();

    // textEdited reports only what the user typed, never the dialog's own writes.
    connect(m_width, &QLineEdit::textEdited, this, [this] { Edited(true); });
    connect(m_height, &QLineEdit::textEdited, this, [this] { Edited(false); });
    connect(m_units, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_updating) return;
        m_model.SetUnits(static_cast<CResizeModel::Units>(index));
        ShowNumbers();
    });
    connect(m_preserve, &QCheckBox::toggled, this, [this](bool on) { m_model.SetPreserve(on); });
    connect(m_method, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_model.SetMethod(static_cast<geometry::ResizeMethod>(index)); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CResize::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CResize::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [frame] {
        if (frame) frame->ShowHelpPage(QStringLiteral("resize.htm"));
    });
}

void CResize::Edited(bool width) {
    if (m_updating) return;
    QLineEdit* edit = width ? m_width : m_height;
    const int32_t typed = CResizeModel::ReadNumber(edit->text().toStdString());
    if (width) m_model.WidthEdited(typed);
    else m_model.HeightEdited(typed);
    ShowNumbers();
}

void CResize::ShowNumbers() {
    m_updating = true;
    const std::pair<QLineEdit*, int32_t> edits[] = {{m_width, m_model.Width()}, {m_height, m_model.Height()}};
    for (const auto& [edit, value] : edits) {
        // An edit that already says this number is left alone, so typing is not disturbed.
        if (edit->text().isEmpty() || CResizeModel::ReadNumber(edit->text().toStdString()) != value)
            edit->setText(QString::number(value));
    }
    m_updating = false;
}

void CResize::accept() {
    m_result = m_model.Ok();
    ShowNumbers();
    QDialog::accept();
}
