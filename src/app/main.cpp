#include "app/settingsstore.h"
#include "app/startup.h"
#include "serial/qtcommcomponent.h"
#include "ui/frmmoxt.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    talvor::SettingsStore settings;
    talvor::frmMOXT window(std::make_unique<talvor::QtCommComponent>(), settings);
    window.setUnloadHandler([&window] { talvor::shutDown(window); });
    talvor::startUp(window, app.arguments().mid(1));
    window.show();
    return app.exec();
}
