#include "shell/helpwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/programfolder.h"

namespace {

struct ContextPage {
    int context;
    const char* page;
};

// One page per context number; dialogs that gain help pages add their rows here.
constexpr ContextPage kPages[] = {
    {help::kContents, "index.htm"},
    {help::kHistogram, "histogram.htm"},
    {9, "detail.htm"},          // sharpen
    {11, "adjustments.htm"},    // levels
    {12, "adjustments.htm"},    // curves
    {13, "adjustments.htm"},    // channel mixer
    {14, "adjustments.htm"},    // hue/saturation
    {15, "adjustments.htm"},    // brightness
    {16, "adjustments.htm"},    // black and white / sepia
    {17, "adjustments.htm"},    // boost
    {18, "detail.htm"},         // shadow control
    {19, "detail.htm"},         // highlight control
    {20, "tools.htm"},          // photographic filters
    {21, "tools.htm"},          // white balance
    {22, "detail.htm"},         // IR film
};

}  // namespace

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setWindowTitle(tr("Lumaret Help"));
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    auto* contents = new QPushButton(tr("Contents"), this);
    auto* back = new QPushButton(tr("Back"), this);
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(m_browser);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({HelpFolder()});
    connect(contents, &QPushButton::clicked, this, [this] { ShowContext(help::kContents); });
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
    resize(640, 560);
}

QString CHelpWindow::HelpFolder() {
    return QString::fromStdString(platform::ProgramFile("data/help").string());
}

QString CHelpWindow::PageFor(int context) {
    for (const ContextPage& row : kPages)
        if (row.context == context) return QString::fromLatin1(row.page);
    return QString::fromLatin1(kPages[0].page);
}

void CHelpWindow::ShowContext(int context) {
    ShowPage(PageFor(context));
}

void CHelpWindow::ShowPage(const QString& fileName) {
    const QString path = QDir(HelpFolder()).filePath(fileName);
    if (QFileInfo::exists(path))
        m_browser->setSource(QUrl::fromLocalFile(path));
    else
        m_browser->setHtml(tr("<p>The help page %1 is missing from %2.</p>")
                               .arg(fileName.toHtmlEscaped(), HelpFolder().toHtmlEscaped()));
    show();
    raise();
    activateWindow();
}
