#include "portdevice.h"

#include <QSettings>

namespace talvor {

QString devicePathForPort(int port)
{
    if (port < kFirstPort || port > kLastPort)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    // USB adapters get names like /dev/ttyUSB0 that no number maps to, so the user names them.
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MOXT"),
                             QStringLiteral("MOXT"));
    const QString configured =
        settings.value(QStringLiteral("Devices/COM%1").arg(port)).toString().trimmed();
    if (!configured.isEmpty())
        return configured;
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

} // namespace talvor
