#include "shell/recentfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "platform/safewrite.h"

namespace {

// Four entries of at most 4096 bytes fit many times over; a larger file is junk, and
// reading no more than this keeps a huge or endless file from stalling start-up.
constexpr qint64 kMaxStoreBytes = 64 * 1024;

}  // namespace

QString CRecentFiles::DefaultStorePath() {
    const QString overridden = qEnvironmentVariable("LUMARET_RECENT_FILES");
    if (!overridden.isEmpty()) return overridden;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative value is invalid by the XDG rules and would depend on the current folder.
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/lumaret/recent-files");
}

void CRecentFiles::SetStorePath(const QString& path) {
    m_storePath = path;
    Load();
}

bool CRecentFiles::IsStorable(const QString& path) {
    if (!QDir::isAbsolutePath(path)) return false;
    // One entry per line: a line break or NUL inside a path cannot be written back.
    for (QChar c : path)
        if (c == QChar('\n') || c == QChar('\r') || c == QChar(u'\0')) return false;
    return path.toUtf8().size() <= kMaxPathBytes;
}

bool CRecentFiles::Add(const QString& path) {
    if (!IsStorable(path)) return false;
    const QString clean = QDir::cleanPath(path);
    if (!m_entries.isEmpty() && m_entries.front() == clean) return true;
    m_entries.removeAll(clean);
    m_entries.prepend(clean);
    while (m_entries.size() > kMaxEntries) m_entries.removeLast();
    // A list that cannot be written is still right for this session; nothing to tell.
    if (!m_storePath.isEmpty()) Save();
    return true;
}

bool CRecentFiles::Remove(const QString& path) {
    if (m_entries.removeAll(QDir::cleanPath(path)) == 0) return false;
    if (!m_storePath.isEmpty()) Save();
    return true;
}

QStringList CRecentFiles::Parse(const QByteArray& bytes) {
    QStringList entries;
    qsizetype start = 0;
    while (start < bytes.size() && entries.size() < kMaxEntries) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        const QByteArrayView line(bytes.constData() + start, end - start);
        start = end + 1;
        if (line.isEmpty() || line.size() > kMaxPathBytes || line.contains('\0')) continue;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString path = decoder.decode(line);
        if (decoder.hasError() || !IsStorable(path)) continue;
        const QString clean = QDir::cleanPath(path);
        if (!entries.contains(clean)) entries << clean;
    }
    return entries;
}

void CRecentFiles::Load() {
    m_entries.clear();
    if (m_storePath.isEmpty()) return;
    // Only a regular file: opening a FIFO or a device placed there would block or never end.
    if (!QFileInfo(m_storePath).isFile()) return;
    QFile file(m_storePath);
    if (!file.open(QIODevice::ReadOnly)) return;
    m_entries = Parse(file.read(kMaxStoreBytes));
}

bool CRecentFiles::Save() const {
    if (m_storePath.isEmpty()) return false;
    if (!QDir().mkpath(QFileInfo(m_storePath).absolutePath())) return false;
    QByteArray text;
    for (const QString& entry : m_entries) text += entry.toUtf8() + '\n';
    // A complete new list replaces the old one, so a crash mid-write leaves the previous
    // list, never half of one.
    std::string error;
    return platform::ReplaceFileWithBytes(QFile::encodeName(m_storePath).toStdString(),
                                          {reinterpret_cast<const uint8_t*>(text.constData()),
                                           static_cast<size_t>(text.size())},
                                          error);
}

QString CRecentFiles::MenuText(int index, const QString& path, int maxChars) {
    QString shown = path;
    if (shown.size() > maxChars) {
        // Keep the first folder and the file name; fill the middle with as many of the
        // last folders as fit, so the user still sees where the file is.
        const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (parts.size() >= 3) {
            const QString head = QLatin1Char('/') + parts.front() + QStringLiteral("/...");
            QString tail = QLatin1Char('/') + parts.back();
            for (qsizetype i = parts.size() - 2; i >= 1; --i) {
                const QString longer = QLatin1Char('/') + parts[i] + tail;
                if (head.size() + longer.size() > maxChars) break;
                tail = longer;
            }
            shown = head + tail;
        }
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(QString::number(index + 1), shown);
}
