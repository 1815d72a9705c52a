#pragma once
// CExifInfoDlg: the EXIF report of a picture in a text browser. The report page is written
// into a temporary folder when the dialog opens and removed with the dialog.
#include <QDialog>
#include <QTemporaryDir>

class CExif;
class QTextBrowser;

class CExifInfoDlg : public QDialog {
    Q_OBJECT
public:
    CExifInfoDlg(const CExif& exif, QWidget* parent = nullptr);
    ~CExifInfoDlg() override;

    // Where the report page was written ("exif.html" in the temporary folder).
    QString ReportPath() const { return m_report; }
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTemporaryDir m_folder;
    QString m_report;
    QTextBrowser* m_browser;
};
