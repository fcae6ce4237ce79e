// The yardstick of the start-up: a bare Qt Widgets window of the main window's size at a first
// start (the size the program has in scripts/bench.sh), built with the same Qt, measured the same
// way (app/StartupProbe.h). scripts/bench.sh starts it beside the program. With --text the window
// also shows a label and a list of dated values: what any window that shows text pays on top (the
// fonts found and loaded, the glyphs drawn), as a second yardstick.
#include "app/StartupProbe.h"
#include "session/ProgramSettings.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    const WindowSettings firstStart;
    window.resize(firstStart.width, firstStart.height);
    if (QApplication::arguments().contains(QStringLiteral("--text"))) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("AEX: 912,34")));
        auto* list = new QListWidget;
        for (int day = 45000; day < 45200; ++day)
            list->addItem(QStringLiteral("%1 - %2,12").arg(day).arg(800 + day % 90));
        layout->addWidget(list);
    }
    ProbeStartup(window, [&window] { window.close(); });
    window.show();
    return application.exec();
}
