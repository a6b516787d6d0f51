// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "errormessage.h"
#include "inifile.h"
#include "settingswrite.h"

#include <QString>

namespace talvor {

// A failed save of the settings is failure 14: README lists it. Never renumber it.
inline constexpr int kSettingsNotSaved = 15;

// What is wrong with an unreadable entry, as the port's tool tip and failure 2 say it:
// "schließendes \" fehlt".
QString entryFlawText(SettingsEntry::Flaw flaw);

// Failure 15 for a change of `port` that could not be saved in `fileName`: why, and what to do;
// `retry` is the button to press again ("Übernehmen").
ErrorMessage settingsNotSavedMessage(int port, const SettingsWrite &write, const QString &fileName,
                                     const QString &retry);

} // namespace talvor
