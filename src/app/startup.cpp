#include "startup.h"

#include "mainwindow.h"
#include "numberreading.h"
#include "settingsstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QTranslator>

namespace talvor {

int portCountFor(const QStringList &arguments)
{
    const bool wide = arguments.join(QLatin1Char(' ')).toUpper() == QLatin1String("/NOPORTLIMIT");
    return wide ? kWidePortCount : kDefaultPortCount;
}

RestoredChoices restoredChoices(const SettingsStore &settings, int portCount)
{
    RestoredChoices choices;
    const auto port = readStoredNumber(settings.readText(kPortSection, kPortNumberKey, "0"));
    choices.portPosition = port && *port >= 0 && *port < portCount ? *port : 0;
    const auto rtsCts = readStoredNumber(settings.readText(kPortSection, kRtsCtsKey, "1"));
    choices.rtsCts = rtsCts && *rtsCts == 1;
    return choices;
}

QString captionWithVersion(const QString &designCaption)
{
    return QStringLiteral("%1 %2.%3.%4")
        .arg(designCaption)
        .arg(TALVOR_VERSION_MAJOR)
        .arg(TALVOR_VERSION_MINOR)
        .arg(TALVOR_VERSION_PATCH);
}

namespace {

void fillLists(Controls &c, int portCount)
{
    // Qt's combo box chooses its first entry by itself as soon as it has one; that is no user's
    // choice, so the lists are filled with their signals blocked and the choices made below.
    const QSignalBlocker blockPorts(c.cmbCOM);
    for (int n = 1; n <= portCount; ++n)
        c.cmbCOM->addItem(QStringLiteral("COM %1").arg(n));
    for (int n = 1; n <= kDetectorCount; ++n)
        c.cmbDetektor->addItem(QStringLiteral("Detektor %1").arg(n));
    c.cmbDetektor->setCurrentIndex(0);
}

} // namespace

void startUp(MainWindow &window, const QStringList &arguments)
{
    Controls &c = window.controls();
    window.setErrorLine({});
    window.resetDisplay();
    window.updateSendButton();
    window.setWindowTitle(captionWithVersion(window.windowTitle()));

    const int portCount = portCountFor(arguments);
    fillLists(c, portCount);
    const RestoredChoices choices = restoredChoices(window.settings(), portCount);
    {
        const QSignalBlocker blockPorts(c.cmbCOM);
        c.cmbCOM->setCurrentIndex(choices.portPosition);
    }
    // Choosing the entry is a choice in the port list like the user's: it disconnects.
    window.disconnectPort();
    // Checking the box is a change of state like the user's: it is remembered at once.
    c.chkRTSCTS->setChecked(choices.rtsCts);

    window.pollTimer().start();
}

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

} // namespace

std::unique_ptr<MainWindow> openMainWindow(std::unique_ptr<CommComponent> comm,
                                           SettingsStore &settings, const QStringList &arguments)
{
    loadQtGermanTexts();
    auto window = std::make_unique<MainWindow>(std::move(comm), settings);
    window->setUnloadHandler([w = window.get()] { shutDown(*w); });
    startUp(*window, arguments);
    return window;
}

void shutDown(MainWindow &window)
{
    window.settings().writeText(kPortSection, kPortNumberKey,
                                QString::number(window.controls().cmbCOM->currentIndex()));
    window.disconnectPort();
}

} // namespace talvor
