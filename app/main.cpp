#include "app/Application.h"
#include "app/FontWarmUp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    FontWarmUp fonts;
    QApplication application(argc, argv);
    fonts.Wait();
    return RunKoerszicht(application);
}
