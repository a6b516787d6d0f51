// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testreport.h"

#include <QByteArray>

namespace talvor {

// The report to print and file: an A4 page with a title, the device block, the count of the
// detectors that answered, the table with the window's colours in the address cells and a footer
// with the program's version and the page number. Made with Qt's own PDF writer; usable on any
// thread, with or without a display.
QByteArray pdfReport(const TestReport &report);

// The same content as HTML, as the PDF lays it out.
QString reportHtml(const TestReport &report);

} // namespace talvor
