#include "app/settingsstore.h"
#include "app/startup.h"
#include "serial/qtcommcomponent.h"
#include "ui/frmmoxt.h"

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
