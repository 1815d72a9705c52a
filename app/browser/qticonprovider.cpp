#include "browser/qticonprovider.h"

#include <QFileIconProvider>
#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>
#include <cstring>

namespace {

// Suffixes whose icons are drawn in advance.
const char* const kCommonSuffixes[] = {"txt", "png", "gif", "tif", "tiff", "bmp", "webp", "heic", "cr2", "cr3",
                                       "nef", "arw", "dng", "orf", "raf", "rw2", "pdf", "mp4", "mov", "avi",
                                       "mts", "mkv", "mp3", "wav", "zip", "xml", "html", "htm", "thm", "xmp"};

}  // namespace

CQtIconProvider::CQtIconProvider() {
    QFileIconProvider provider;
    m_folder = Render(provider.icon(QFileIconProvider::Folder));
    m_file = Render(provider.icon(QFileIconProvider::File));
    const QMimeDatabase mimes;
    for (const char* suffix : kCommonSuffixes) {
        const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x.") + QLatin1String(suffix),
                                                     QMimeDatabase::MatchExtension);
        QIcon icon = QIcon::fromTheme(type.iconName());
        if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
        if (!icon.isNull()) m_bySuffix.insert(QLatin1String(suffix), Render(icon));
    }
}

QImage CQtIconProvider::Render(const QIcon& icon) {
    QImage image(kIconSize, kIconSize, QImage::Format_BGR888);
    image.fill(Qt::white);
    if (!icon.isNull()) {
        QPainter painter(&image);
        icon.paint(&painter, image.rect());
    }
    return image;
}

void CQtIconProvider::DrawIcon(const std::string& path, bool folder, uint8_t* pixels) {
    const QImage* image = &m_file;
    if (folder) {
        image = &m_folder;
    } else {
        const auto dot = path.find_last_of("./");
        if (dot != std::string::npos && path[dot] == '.') {
            const auto found = m_bySuffix.constFind(QString::fromStdString(path.substr(dot + 1)).toLower());
            if (found != m_bySuffix.constEnd()) image = &*found;
        }
    }
    constexpr int kRowBytes = kIconSize * 3;
    for (int y = 0; y < kIconSize; ++y) std::memcpy(pixels + y * kRowBytes, image->constScanLine(y), kRowBytes);
}
