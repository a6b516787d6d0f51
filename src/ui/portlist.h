// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QComboBox;

namespace talvor {

class PortDirectory;

// The port list's tool tips: each entry says what its device is and whether it is there now,
// as tool tip and accessible description; the list itself tells it for the chosen entry. They
// are told anew whenever the list opens.
void showPortSummaries(QComboBox *list, const PortDirectory &ports);

// The port list's context menu (right click, the context-menu key, Shift+F10) with
// "Schnittstellen zuordnen...", which calls `assignPorts`.
void installPortMenu(QComboBox *list, const std::function<void()> &assignPorts);

} // namespace talvor
