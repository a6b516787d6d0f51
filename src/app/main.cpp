#include "mainwindow.h"
#include "qtcommcomponent.h"
#include "quitsignals.h"
#include "settingsstore.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Caught from before the window exists; one that comes during the start-up closes the window
    // as soon as the event loop runs.
    talvor::QuitSignals quitSignals;
    talvor::SettingsStore settings;
    const auto window = talvor::openMainWindow(std::make_unique<talvor::QtCommComponent>(),
                                               settings, app.arguments().mid(1));
    QObject::connect(&quitSignals, &talvor::QuitSignals::received, window.get(), &QWidget::close);
    window->show();
    return app.exec();
}
