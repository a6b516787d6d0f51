#include "commandline.h"
#include "mainwindow.h"
#include "qtcommcomponent.h"
#include "quitsignals.h"
#include "settingsstore.h"
#include "startup.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

namespace {

// The program's icon from the PNGs built into it, one for each size, so that none is scaled.
QIcon programIcon()
{
    QIcon icon;
    for (const QFileInfo &png : QDir(QStringLiteral(":/icon")).entryInfoList())
        icon.addFile(png.filePath());
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const auto status = talvor::answerCommandLine(argc, argv))
        return *status;
    auto displayCheck = std::make_unique<talvor::DisplayCheck>();
    QApplication app(argc, argv);
    displayCheck.reset();
    // Caught from before the window exists; one that comes during the start-up closes the window
    // as soon as the event loop runs.
    talvor::QuitSignals quitSignals;
    // The desktop entry's id lets a Wayland desktop match the window to its menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral(TALVOR_APP_ID));
    QApplication::setWindowIcon(programIcon());
    talvor::SettingsStore settings;
    const auto window = talvor::openMainWindow(std::make_unique<talvor::QtCommComponent>(),
                                               settings, app.arguments().mid(1));
    QObject::connect(&quitSignals, &talvor::QuitSignals::received, window.get(), &QWidget::close);
    window->show();
    return app.exec();
}
