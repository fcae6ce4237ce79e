// Writes the program's artwork as PNG files for the desktop's icon theme:
// <folder>/<size>/koerszicht.png for every size given after the folder.
#include "app/AppIcon.h"

#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <folder> <size>...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int side = QString::fromLatin1(argv[i]).toInt();
        const QString target = QStringLiteral("%1/%2").arg(folder).arg(side);
        if (side <= 0 || !QDir().mkpath(target) || !AppArtworkImage(side).save(target + "/koerszicht.png")) {
            std::fprintf(stderr, "cannot write the %s-pixel artwork\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
