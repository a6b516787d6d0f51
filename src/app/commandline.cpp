// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include "talvorversion.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace talvor {

namespace {

constexpr char kHelpText[] = R"(Usage: talvor-tester [/NOPORTLIMIT]
       talvor-tester --check N [--rtscts 0|1] [--wait SECONDS] [--report FILE]
                     [--expect FILE] [--record FILE]
       talvor-tester --help | --version

Talvor-Tester tests a Talvor detector hub over a serial port (19200 baud, 8N1): it shows the
bytes on the line as hex, decodes the device's reports into a detector table and sends the
device its commands. Its window is in German.

  /NOPORTLIMIT  Offer the ports "COM 1" to "COM 255" instead of "COM 1" to "COM 16" (in any
                letter case, and only as the whole command line).
  -h, --help    Show this text and exit.
  --version     Show the version and the licence and exit.

The unattended check, without a window and without a display:
  --check N         Connect to "COM N" as the window would, send "Initialisiere
                    Detektoren" (0x20) and "Sys-Info" (0x60), collect the answers until
                    every expected detector has answered or for the wait after the last
                    answer (at most twice the wait after the commands), disconnect.
  --rtscts 0|1      The handshake; default the choice the window remembered.
  --wait SECONDS    The wait after the last answer (default 3).
  --report FILE     Write the test report, as PDF, CSV or JSON by the ending of FILE
                    (.pdf, .csv, .json); without it a German summary goes to standard
                    output.
  --expect FILE     A CSV report of a good unit: a detector passes when it answered
                    with the same address (and the same CV value where FILE has one;
                    the check then also sends "Anfordern" for it). Detectors with
                    "keine Meldung" in FILE are not asked for. Without it, every
                    detector must answer.
  --record FILE     Record the check's traffic (format in README.md), to be looked at
                    or replayed with talvor-sim --replay.
  Exit status: 0 every expected detector passed; 1 at least one is missing or
  different (standard output names each); 2 the check could not run (the port did
  not open, the device did not answer at all, a file could not be read or written;
  the "Fehler n ..." text goes to standard error).

The settings file is ~/.config/MOXT/MOXT.conf ($XDG_CONFIG_HOME/MOXT/MOXT.conf when that is
set). In its section [Devices], COMn=PATH puts the device PATH behind "COM n", for example
COM1=/dev/ttyUSB0; without an entry, "COM n" is /dev/ttyS<n-1>.

More in the manual page: man talvor-tester
)";

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler g_qtHandler = nullptr;
QList<HeldMessage> g_heldMessages;

bool isAboutThePlatform(const char *category)
{
    return category != nullptr && std::strncmp(category, "qt.qpa", 6) == 0;
}

QString environmentValue(const char *name)
{
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? QStringLiteral("%1 ist leer").arg(QLatin1String(name))
                           : QStringLiteral("%1=%2").arg(QLatin1String(name), value);
}

[[noreturn]] void exitWithoutDisplay()
{
    QString text =
        QStringLiteral("talvor-tester: Keine grafische Anzeige erreichbar (%1, %2). Talvor-Tester "
                       "ist ein Fensterprogramm: Starten Sie es in einer Desktop-Sitzung (X11 oder "
                       "Wayland), oder setzen Sie DISPLAY auf eine laufende Anzeige, zum Beispiel "
                       "mit \"ssh -X\".")
            .arg(environmentValue("DISPLAY"), environmentValue("WAYLAND_DISPLAY"));
    if (!g_heldMessages.isEmpty())
        text += QStringLiteral(" Qt meldet: ") + g_heldMessages.first().text;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    // Nothing of the half-made application is torn down: there is nothing to save yet.
    std::_Exit(1);
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg)
        exitWithoutDisplay();
    if (isAboutThePlatform(context.category))
        g_heldMessages.append({type, context.category, text});
    else
        g_qtHandler(type, context, text);
}

} // namespace

std::optional<int> answerCommandLine(int argc, const char *const argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--help" || argument == "-h") {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("Talvor-Tester %s\n%s", kProgramVersion, kLicenceNotice);
            return 0;
        }
    }
    return std::nullopt;
}

DisplayCheck::DisplayCheck()
{
    g_qtHandler = qInstallMessageHandler(handleMessage);
}

DisplayCheck::~DisplayCheck()
{
    qInstallMessageHandler(g_qtHandler);
    for (const HeldMessage &message : std::as_const(g_heldMessages)) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        g_qtHandler(message.type, context, message.text);
    }
    g_heldMessages.clear();
}

} // namespace talvor
