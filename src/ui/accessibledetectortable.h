// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvor {

// Makes the detector table one object of role table for assistive technology: its headings are
// the column headers, "Detektor n" the row headers, its labels the cells, an empty cell read as
// "leer", and each "Anfordern" button stands in the table as a cell that presses it. Install after
// the label accessibility, so that the table's labels are cells. Safe to call more than once.
void installDetectorTableAccessibility();

} // namespace talvor
