#pragma once
// The download folder (the data folder + "Temp/") holds the installer of an update until it
// has been started; the program then quits, and the next start clears the folder.

#include <QString>
#include <QStringList>

namespace Update {

// Removes every regular file directly in `downloadFolder` and gives the paths removed.
// The folder is the program's own, so whatever file lies there was put there by it: an
// installer, a file beside it, a download that was cut off. Sub-folders and their contents,
// symbolic links and whatever they point to stay. A download folder that is itself a link
// (or a junction) is left alone, as is one that is missing: nothing outside the folder is
// ever removed. Files that cannot be removed (an installer still running on Windows) stay
// for a later start.
QStringList RemoveDownloadLeftovers(const QString& downloadFolder);

} // namespace Update
