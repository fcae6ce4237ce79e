// The yardstick of the start-up: a bare Qt Widgets window of the main window's size, built with
// the same Qt, measured the same way (app/StartupProbe.h). scripts/bench.sh starts it beside the
// program.
#include "app/StartupProbe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(800, 600);
    ProbeStartup(window, [&window] { window.close(); });
    window.show();
    return application.exec();
}
