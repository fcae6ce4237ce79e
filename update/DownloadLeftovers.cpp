#include "update/DownloadLeftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Update {

QStringList RemoveDownloadLeftovers(const QString& downloadFolder)
{
    QStringList removed;
    if (downloadFolder.isEmpty())
        return removed;
    // Without the final separator: with it, the system looks through a link to its target.
    const QFileInfo folder(QDir::cleanPath(downloadFolder));
    // A link in the folder's place points at someone else's folder.
    if (folder.isSymLink() || folder.isJunction() || !folder.isDir())
        return removed;
    const QDir directory(folder.absoluteFilePath());
    const QFileInfoList entries =
        directory.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries) {
        // Only plain files: no links, no devices, pipes or sockets.
        if (entry.isSymLink() || entry.isJunction() || !entry.isFile())
            continue;
        if (QFile::remove(entry.absoluteFilePath()))
            removed.append(entry.absoluteFilePath());
    }
    return removed;
}

} // namespace Update
