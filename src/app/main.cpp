#include "mainwindow.h"
#include "qtcommcomponent.h"
#include "settingsstore.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    talvor::SettingsStore settings;
    const auto window = talvor::openMainWindow(std::make_unique<talvor::QtCommComponent>(),
                                               settings, app.arguments().mid(1));
    window->show();
    return app.exec();
}
