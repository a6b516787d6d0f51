// SPDX-License-Identifier: GPL-3.0-or-later
#include "rememberedchoices.h"

#include "numberreading.h"
#include "settingsstore.h"

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

} // namespace talvor
