#include "support/SystemFacts.h"

#include "support/Folders.h"
#include "support/SystemInfo.h"

#include <QCoreApplication>
#include <QDir>

namespace Support {

SystemFacts GatherSystemFacts(const std::string& productName)
{
    GatherSystemFacts();
    SystemFacts facts;
    facts.language = Language == "NLD" ? Support::Language::Dutch : Support::Language::English;
    facts.osName = OSName;
    facts.isNTFamily = IsNTFamily;
    facts.daylightActive = DaylightActive;
    facts.daylightBias = DaylightBias;
    facts.desktopPath = DesktopPath;
    facts.startFolder = QDir::currentPath().toLocal8Bit().toStdString() + "/";
    facts.programFolder = QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    facts.dataFolder = GetDataFolder(productName);
    DataFolder = facts.dataFolder;
    return facts;
}

} // namespace Support
