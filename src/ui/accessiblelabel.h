// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvor {

// Makes every label known to assistive technology by its shown text, also while it is empty, or
// by its own accessible name where it has one (the indicators). Qt names an empty label inside a
// group frame after the frame's caption, so an empty "Seriennummer" cell would be read out as
// "Schnittstelle". Safe to call more than once.
void installLabelAccessibility();

} // namespace talvor
