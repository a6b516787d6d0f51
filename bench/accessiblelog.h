// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvor::bench {

class BenchWindow;

// How long the log's accessibility interface takes to answer on a full log of 16 MiB (lines of
// frames, and one line of noise), with Qt's platform accessibility active as under a screen reader.
// Prints the slowest of several answers for each question; fails when one takes 100 ms or more.
bool runAccessibleLog(BenchWindow &window);

} // namespace talvor::bench
