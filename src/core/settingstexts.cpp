// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingstexts.h"

#include <cstring>

namespace talvor {

namespace {

// Why the write failed, and what the user does about it before trying again.
std::pair<QString, QString> whyNotSaved(const SettingsWrite &write, const QString &retry)
{
    const QString again = QStringLiteral("erneut „%1“").arg(retry);
    switch (write.failure) {
    case SettingsWrite::None:
    case SettingsWrite::Failed:
        break;
    case SettingsWrite::InvalidValue:
        return {QStringLiteral("der Pfad enthält einen Zeilenumbruch"),
                QStringLiteral("Pfad in einer Zeile eingeben.")};
    case SettingsWrite::Locked:
        return {QStringLiteral("ein anderes Programm schreibt die Datei gerade"),
                QStringLiteral("Gleich %1.").arg(again)};
    case SettingsWrite::NoLock:
        return {QStringLiteral("ihre Sperrdatei (.lock) lässt sich nicht anlegen: Datenträger voll "
                               "oder Ordner schreibgeschützt"),
                QStringLiteral("Platz schaffen, dann %1.").arg(again)};
    case SettingsWrite::NotAFile:
        return {QStringLiteral("an ihrer Stelle steht ein Ordner oder keine gewöhnliche Datei"),
                QStringLiteral("Ihn umbenennen, dann %1.").arg(again)};
    case SettingsWrite::NotReadable:
        return {QStringLiteral("sie ist nicht lesbar"),
                QStringLiteral("Leserechte geben, dann %1.").arg(again)};
    case SettingsWrite::ReadOnly:
        return {
            QStringLiteral("sie oder ihr Ordner ist schreibgeschützt"),
            QStringLiteral("Schreibschutz aufheben (chmod u+w, chattr -i), dann %1.").arg(again)};
    case SettingsWrite::NoRoom:
        return {QStringLiteral("der Datenträger ist voll"),
                QStringLiteral("Platz schaffen, dann %1.").arg(again)};
    }
    const QString detail = write.systemError
                               ? QString::fromLocal8Bit(std::strerror(write.systemError))
                               : QStringLiteral("unbekannter Fehler");
    return {QStringLiteral("das System meldet: %1").arg(detail),
            QStringLiteral("Dann %1.").arg(again)};
}

} // namespace

QString entryFlawText(SettingsEntry::Flaw flaw)
{
    switch (flaw) {
    case SettingsEntry::NoFlaw:
        break;
    case SettingsEntry::UnclosedQuote:
        return QStringLiteral("schließendes \" fehlt");
    case SettingsEntry::TrailingBackslash:
        return QStringLiteral("endet mit \\");
    case SettingsEntry::TypeMarker:
        return QStringLiteral("beginnt mit @");
    case SettingsEntry::Repeated:
        return QStringLiteral("steht mehrfach unter [Devices]");
    case SettingsEntry::FileUnreadable:
        return QStringLiteral("MOXT.conf nicht lesbar");
    }
    return {};
}

ErrorMessage settingsNotSavedMessage(int port, const SettingsWrite &write, const QString &fileName,
                                     const QString &retry)
{
    const auto [why, remedy] = whyNotSaved(write, retry);
    return {kSettingsNotSaved,
            QStringLiteral("COM %1 nicht gespeichert: MOXT.conf (%2): %3. %4 Die Datei ist "
                           "unverändert.")
                .arg(port)
                .arg(fileName, why, remedy)};
}

} // namespace talvor
