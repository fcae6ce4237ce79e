#include "update/ProcessFinder.h"

#include <QLocale>

namespace Update {

QString ProcessPathKey(std::string_view path)
{
    while (!path.empty() && static_cast<unsigned char>(path.front()) <= 32)
        path.remove_prefix(1);
    while (!path.empty() && static_cast<unsigned char>(path.back()) <= 32)
        path.remove_suffix(1);
    return QLocale::system().toUpper(
        QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
}

bool SameProcessPath(std::string_view wanted, std::string_view candidate)
{
    return ProcessPathKey(wanted) == ProcessPathKey(candidate);
}

} // namespace Update
