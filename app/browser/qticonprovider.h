#pragma once
// CQtIconProvider: the desktop's folder and file-type icons for the browser's entries that
// are not pictures. The thumbnail workers ask for icons from their own threads, where Qt
// cannot draw icons, so the icons are drawn once on the window thread when the provider is
// made: the folder, a plain file, and the types a photo folder commonly holds. Other types
// get the plain file icon.
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QString>

#include "browser/thumbnails/iconprovider.h"

class CQtIconProvider : public IIconProvider {
public:
    // Draws the icons; must run on the window thread.
    CQtIconProvider();
    // Any thread; only reads what the constructor made.
    void DrawIcon(const std::string& path, bool folder, uint8_t* pixels) override;

private:
    static QImage Render(const QIcon& icon);

    QImage m_folder;
    QImage m_file;
    QHash<QString, QImage> m_bySuffix;  // lower-case suffix -> icon on white
};
