// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"
#include "quitsignals.h"
#include "startup.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>

namespace {

constexpr std::chrono::seconds kFileWriterGrace{3};

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
    const talvor::Program program = talvor::openProgram(app.arguments().mid(1));
    QObject::connect(&quitSignals, &talvor::QuitSignals::received, program.window.get(),
                     &QWidget::close);
    program.window->show();
    const int code = app.exec();
    // The window is closed and the port choice stored by now. A recording or a saved log that is
    // still being written gets a few seconds; a file that takes no data does not hold the end.
    if (const qint64 unwritten = talvor::TesterCore::finishFileWriters(kFileWriterGrace);
        unwritten > 0)
        std::fprintf(stderr,
                     "talvor-tester: %lld Bytes des Mitschnitts oder des Protokolls konnten nicht "
                     "mehr geschrieben werden.\n",
                     static_cast<long long>(unwritten));
    return code;
}
