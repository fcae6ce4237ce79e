#pragma once
// The settings store: opened for one operation and closed at its end.
// Linux: $XDG_CONFIG_HOME/Koerszicht/Koerszicht.ini; Windows: HKEY_CURRENT_USER\Software\Koerszicht.

#include <QSettings>
#include <QString>
#include <memory>

namespace Support {

std::unique_ptr<QSettings> OpenSettings();

// A value that a hand-edited INI file may hold unquoted with a comma ("512,3456") reads
// back as a list; this joins it again.
QString SettingText(const QSettings& settings, const QString& key, const QString& fallback);

} // namespace Support
