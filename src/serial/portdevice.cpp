#include "portdevice.h"

#include "settingsstore.h"

namespace talvor {

QString devicePathForPort(int port)
{
    if (port < kFirstPort || port > kLastPort)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    // USB adapters get names like /dev/ttyUSB0 that no number maps to, so the user names them.
    const QString configured =
        SettingsStore().readText(kDevicesSection, QStringLiteral("COM%1").arg(port), {}).trimmed();
    if (!configured.isEmpty())
        return configured;
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

} // namespace talvor
