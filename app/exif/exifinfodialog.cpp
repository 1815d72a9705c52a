#include "exif/exifinfodialog.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "exif/exif.h"
#include "exif/exifreport.h"
#include "platform/programfolder.h"

CExifInfoDlg::CExifInfoDlg(const CExif& exif, QWidget* parent)
    : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("EXIF info"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(460, 560);

    if (!m_folder.isValid()) {
        m_browser->setPlainText(tr("The EXIF report cannot be written: there is no temporary folder."));
        return;
    }
    m_report = m_folder.filePath(QString::fromLatin1(kExifReportFile));
    const std::string templatePath = platform::ProgramFile(kExifTemplateFile).string();
    if (BuildExifReport(exif, templatePath, QFile::encodeName(m_report).toStdString()) != 0) {
        m_browser->setPlainText(tr("The EXIF report could not be written to %1.").arg(m_report));
        return;
    }
    m_browser->setSource(QUrl::fromLocalFile(m_report));
}

CExifInfoDlg::~CExifInfoDlg() {
    if (!m_report.isEmpty()) QFile::remove(m_report);
}
