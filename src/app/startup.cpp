// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "commcomponent.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace talvor {

namespace {

// The window is German whatever the system's language, and so are the texts that Qt itself
// shows: the context menus of the text box and the scroll bars, key names, the serial port's
// messages. Qt's own German translations (Debian's qt6-translations-l10n) are loaded once for the
// whole program; where they are missing, Qt's texts stay English and nothing else changes.
void loadQtGermanTexts()
{
    QCoreApplication *app = QCoreApplication::instance();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString &catalogue :
         {QStringLiteral("qtbase_de"), QStringLiteral("qtserialport_de")}) {
        if (app->findChild<QTranslator *>(catalogue, Qt::FindDirectChildrenOnly))
            continue;
        auto *translator = new QTranslator(app);
        translator->setObjectName(catalogue);
        if (translator->load(catalogue, folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

Program openWindow(std::unique_ptr<TesterCore> core, const QStringList &arguments)
{
    loadQtGermanTexts();
    Program program;
    program.core = std::move(core);
    program.window = std::make_unique<MainWindow>(*program.core);
    program.window->load(portCountFor(arguments));
    return program;
}

} // namespace

Program openProgram(const QStringList &arguments)
{
    return openWindow(std::make_unique<TesterCore>(), arguments);
}

Program openProgram(std::unique_ptr<CommComponent> comm, SettingsStore &settings,
                    const QStringList &arguments)
{
    return openWindow(std::make_unique<TesterCore>(std::move(comm), settings), arguments);
}

} // namespace talvor
