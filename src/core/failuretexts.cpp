// SPDX-License-Identifier: GPL-3.0-or-later
#include "failuretexts.h"

#include <QFile>

namespace talvor {

namespace {

QString portName(int port, const QString &device)
{
    if (device.isEmpty())
        return QStringLiteral("COM %1").arg(port);
    return QStringLiteral("COM %1 (%2)").arg(port).arg(device);
}

// Where to fix a missing device differs by system. The dialog that lists the plugged-in devices
// is named in the text, and where one device is plugged in and the port has no entry, that one
// too: the user chooses it, nothing is opened without that choice.
QString notFoundHint(int port, const PortDirectory &ports)
{
    const QString dialog = QStringLiteral("Rechtsklick auf die Portliste: „Schnittstellen "
                                          "zuordnen...“.");
#ifdef Q_OS_WIN
    Q_UNUSED(port);
    Q_UNUSED(ports);
    return QStringLiteral("Adapter einstecken; seine Nummer zeigt der Geräte-Manager oder %1")
        .arg(dialog);
#else
    QString hint = QStringLiteral("Adapter einstecken; %1").arg(dialog);
    if (const std::optional<AttachedDevice> found = ports.soleOtherDevice(port)) {
        hint += found->description.isEmpty()
                    ? QStringLiteral(" Gefunden: %1.").arg(found->path)
                    : QStringLiteral(" Gefunden: %1 (%2).").arg(found->path, found->description);
    }
    return hint;
#endif
}

QString permissionHint()
{
#ifdef Q_OS_LINUX
    return QStringLiteral("Den Benutzer in die Gruppe dialout aufnehmen und neu anmelden.");
#else
    return QStringLiteral("Die Zugriffsrechte des Geräts prüfen.");
#endif
}

QString describe(CommErrorCode code, int port, const QString &device, const PortDirectory &ports)
{
    const QString name = portName(port, device);
    switch (code) {
    case CommErrorCode::InvalidPortNumber:
        return QStringLiteral("Ungültige Portnummer %1: erlaubt sind %2 bis %3. Einen Port aus "
                              "der Liste wählen.")
            .arg(port)
            .arg(kFirstPort)
            .arg(kLastPort);
    case CommErrorCode::DeviceNotFound:
        return QStringLiteral("%1 nicht gefunden. %2").arg(name, notFoundHint(port, ports));
    case CommErrorCode::PermissionDenied:
        return QStringLiteral("Kein Zugriff auf %1. %2").arg(name, permissionHint());
    case CommErrorCode::DeviceBusy:
        return QStringLiteral("%1 ist von einem anderen Programm belegt. Dieses beenden und "
                              "erneut verbinden.")
            .arg(name);
    case CommErrorCode::AlreadyOpen:
        return QStringLiteral("%1 ist bereits geöffnet. Zuerst trennen.").arg(name);
    case CommErrorCode::NotOpen:
        return QStringLiteral("%1 ist nicht geöffnet. Zuerst verbinden.").arg(name);
    case CommErrorCode::ReadFailed:
        return QStringLiteral("Lesen von %1 fehlgeschlagen. Kabel und Adapter prüfen.").arg(name);
    case CommErrorCode::WriteFailed:
        return QStringLiteral("Senden an %1 fehlgeschlagen: Gerät nimmt keine Daten an. "
                              "„RTS/CTS benutzen“ und Kabel prüfen.")
            .arg(name);
    case CommErrorCode::DeviceLost:
        return QStringLiteral("Verbindung zu %1 verloren: Gerät getrennt. Adapter einstecken "
                              "und erneut verbinden.")
            .arg(name);
    case CommErrorCode::OpenFailed:
        return QStringLiteral("%1 konnte nicht geöffnet werden. Ist es eine serielle "
                              "Schnittstelle?")
            .arg(name);
    case CommErrorCode::PathTooLong:
        return QStringLiteral("Pfad von COM %1 zu lang für die Sperrdatei (%2 Byte, höchstens %3). "
                              "Kürzeren Pfad oder Link als COM%1= unter [Devices] eintragen.")
            .arg(port)
            .arg(QFile::encodeName(device).size())
            .arg(longestLockablePath(device));
    case CommErrorCode::InvalidHandshake:
        return QStringLiteral("Ungültige Handshake-Einstellung für %1: erlaubt sind 0 (kein "
                              "Handshake) und 2 (RTS/CTS).")
            .arg(name);
    }
    return {};
}

} // namespace

ErrorMessage failureMessage(const CommError &error, const PortTarget &target,
                            const PortDirectory &ports)
{
    QString text = describe(error.code, target.port, target.device, ports);
    // The handshake's refused value is a number, not the system's words.
    const QString detail = error.code == CommErrorCode::InvalidHandshake
                               ? QStringLiteral("Wert %1").arg(error.detail)
                               : error.detail;
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return {static_cast<int>(error.code), text};
}

ErrorMessage unusableEntryMessage(int port, PortDevice::Entry entry)
{
    const QString what =
        entry == PortDevice::NotText
            ? QStringLiteral("ist kein gültiger Text (UTF-8). Pfad neu eintragen.")
            : QStringLiteral("ist leer. Pfad eintragen oder Zeile löschen (dann gilt /dev/ttyS%1).")
                  .arg(port - 1);
    return {static_cast<int>(CommErrorCode::DeviceNotFound),
            QStringLiteral("COM %1: Eintrag COM%1= unter [Devices] in MOXT.conf %2")
                .arg(port)
                .arg(what)};
}

QString errorLineText(const ErrorMessage &error)
{
    return QStringLiteral("Fehler %1 %2").arg(error.number).arg(error.description);
}

} // namespace talvor
