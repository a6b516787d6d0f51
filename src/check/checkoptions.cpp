// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkoptions.h"

#include "reportfile.h"

#include <cmath>

namespace talvor {

namespace {

constexpr int kLastPort = 255;
constexpr double kLongestWaitSeconds = 3600;

using Apply = QString (*)(CheckOptions &, const QString &);

QString applyPort(CheckOptions &o, const QString &value)
{
    bool ok = false;
    const int port = value.toInt(&ok);
    if (!ok || port < 1 || port > kLastPort)
        return QStringLiteral("--check erwartet eine Schnittstellennummer von 1 bis 255, nicht "
                              "\"%1\".")
            .arg(value);
    o.port = port;
    return {};
}

QString applyRtsCts(CheckOptions &o, const QString &value)
{
    if (value != u"0" && value != u"1")
        return QStringLiteral("--rtscts erwartet 0 oder 1, nicht \"%1\".").arg(value);
    o.rtsCts = value == u"1";
    return {};
}

QString applyWait(CheckOptions &o, const QString &value)
{
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > kLongestWaitSeconds)
        return QStringLiteral("--wait erwartet Sekunden über 0 bis 3600, nicht \"%1\".").arg(value);
    o.wait = std::chrono::milliseconds(std::lround(seconds * 1000));
    return {};
}

QString applyReport(CheckOptions &o, const QString &value)
{
    if (!reportFormatFor(value))
        return QStringLiteral("--report erwartet eine Datei mit der Endung .pdf, .csv oder .json, "
                              "nicht \"%1\".")
            .arg(value);
    o.reportPath = value;
    return {};
}

QString applyPath(QString &target, const QString &name, const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("%1 erwartet einen Dateinamen.").arg(name);
    target = value;
    return {};
}

struct Option {
    const char *name;
    Apply apply;
};

constexpr Option kOptions[] = {
    {"--check", applyPort},
    {"--rtscts", applyRtsCts},
    {"--wait", applyWait},
    {"--report", applyReport},
    {"--expect",
     [](CheckOptions &o, const QString &v) {
         return applyPath(o.expectPath, QStringLiteral("--expect"), v);
     }},
    {"--record",
     [](CheckOptions &o, const QString &v) {
         return applyPath(o.recordPath, QStringLiteral("--record"), v);
     }},
};

const Option *findOption(const QString &name)
{
    for (const Option &option : kOptions)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

} // namespace

bool asksForCheck(const QStringList &arguments)
{
    for (const QString &argument : arguments)
        if (argument == u"--check" || argument.startsWith(u"--check="))
            return true;
    return false;
}

ParsedCheckOptions parseCheckOptions(const QStringList &arguments)
{
    CheckOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const qsizetype equals = argument.indexOf(u'=');
        const QString name = argument.left(equals);
        const Option *option = findOption(name);
        if (!option)
            return {std::nullopt,
                    QStringLiteral("Unbekannte Angabe \"%1\" bei --check.").arg(argument)};
        QString value;
        if (equals >= 0)
            value = argument.mid(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        else
            return {std::nullopt, QStringLiteral("%1 fehlt ein Wert.").arg(name)};
        if (QString error = option->apply(options, value); !error.isEmpty())
            return {std::nullopt, error};
    }
    return {options, {}};
}

} // namespace talvor
