// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvor {

// Makes every line edit readable as editable text by its whole text. Qt's own interface gives
// each char a text-attribute run of its own that ends where it starts; Orca joins those runs and
// so drops the last char of the field ("0x6" for "0x60"). This one tells one run over all of the
// text. Safe to call more than once.
void installLineEditAccessibility();

} // namespace talvor
