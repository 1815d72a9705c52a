#include "editor/savefiledialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "shell/slidereditpair.h"

CSaveFileDialog::CSaveFileDialog(QWidget* parent, const QString& folder, const QString& fileName)
    : QFileDialog(parent) {
    setWindowTitle(tr("Save As"));
    setOption(QFileDialog::DontUseNativeDialog);
    // The document's own writer replaces files safely; no extra question here.
    setOption(QFileDialog::DontConfirmOverwrite);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QStringLiteral("Digital camera files (*.jpg)"));
    setDefaultSuffix(QStringLiteral("jpg"));
    setDirectory(folder);
    selectFile(fileName);

    auto* group = new QGroupBox(QStringLiteral("Quality/size"), this);
    auto* grid = new QGridLayout(group);
    m_slider = new QSlider(Qt::Horizontal, group);
    m_slider->setObjectName("qualitySlider");
    m_edit = new QLineEdit(group);
    m_edit->setObjectName("qualityEdit");
    m_edit->setMaximumWidth(m_edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    m_stripBox = new QCheckBox(QStringLiteral("Strip EXIF data"), group);
    grid->addWidget(new QLabel(QStringLiteral("Smaller file"), group), 0, 0);
    grid->addWidget(m_slider, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Better qulity"), group), 0, 2);
    grid->addWidget(m_edit, 0, 3);
    grid->addWidget(m_stripBox, 1, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("(smaller file)"), group), 1, 2, 1, 2);
    if (auto* dialogGrid = qobject_cast<QGridLayout*>(layout()))
        dialogGrid->addWidget(group, dialogGrid->rowCount(), 0, 1, dialogGrid->columnCount());

    m_quality = new CQtSliderEdit(m_slider, m_edit, this);
    m_quality->Init(SliderRange{50.0f, 100.0f, 5.0f, 1.0f, "%.0f", 85.0f});
    connect(m_stripBox, &QCheckBox::clicked, this, [this](bool checked) { m_strip = checked; });
}

QString CSaveFileDialog::SelectedPath() const {
    return selectedFiles().value(0);
}

int CSaveFileDialog::Quality() const {
    return static_cast<int>(m_quality->Value());
}
