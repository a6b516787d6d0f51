#include "commerror.h"

namespace talvor {

namespace {

QString portName(int port, const QString &device)
{
    if (device.isEmpty())
        return QStringLiteral("COM %1").arg(port);
    return QStringLiteral("COM %1 (%2)").arg(port).arg(device);
}

QString describe(CommErrorCode code, int port, const QString &device)
{
    const QString name = portName(port, device);
    switch (code) {
    case CommErrorCode::InvalidPortNumber:
        return QStringLiteral("Ungültige Portnummer %1. Bitte einen Port aus der Liste wählen.")
            .arg(port);
    case CommErrorCode::DeviceNotFound:
        return QStringLiteral("%1 nicht gefunden. Ist der Adapter eingesteckt? Den Gerätepfad "
                              "unter [Devices] in der Einstellungsdatei MOXT.conf eintragen.")
            .arg(name);
    case CommErrorCode::PermissionDenied:
        return QStringLiteral("Kein Zugriff auf %1. Unter Linux den Benutzer in die Gruppe "
                              "dialout aufnehmen und neu anmelden.")
            .arg(name);
    case CommErrorCode::DeviceBusy:
        return QStringLiteral("%1 wird bereits von einem anderen Programm benutzt. Das andere "
                              "Programm beenden und erneut verbinden.")
            .arg(name);
    case CommErrorCode::AlreadyOpen:
        return QStringLiteral("%1 ist bereits geöffnet.").arg(name);
    case CommErrorCode::NotOpen:
        return QStringLiteral("%1 ist nicht geöffnet. Zuerst verbinden.").arg(name);
    case CommErrorCode::ReadFailed:
        return QStringLiteral("Lesen von %1 fehlgeschlagen. Kabel und Adapter prüfen.").arg(name);
    case CommErrorCode::WriteFailed:
        return QStringLiteral("Senden an %1 fehlgeschlagen. Kabel und Adapter prüfen.").arg(name);
    case CommErrorCode::DeviceLost:
        return QStringLiteral("Verbindung zu %1 verloren: das Gerät wurde getrennt. Adapter "
                              "prüfen und erneut verbinden.")
            .arg(name);
    case CommErrorCode::OpenFailed:
        return QStringLiteral("%1 konnte nicht geöffnet werden.").arg(name);
    }
    return {};
}

} // namespace

CommError makeCommError(CommErrorCode code, int port, const QString &device, const QString &detail)
{
    QString text = describe(code, port, device);
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return {static_cast<int>(code), text};
}

QString errorLineText(const CommError &error)
{
    return QStringLiteral("Fehler %1 %2").arg(error.number).arg(error.description);
}

} // namespace talvor
