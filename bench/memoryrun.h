// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace talvor::bench {

class BenchWindow;

// Feeds `megabytes` MB through the receive poll in bulk ticks, frames and noise taking turns in
// phases of 25 MB, and reports the peak resident memory of the process (VmHWM). Returns false
// when the peak reaches 200 MB.
bool runPeakMemory(BenchWindow &window, qint64 megabytes);

// Ten ticks that each bring `megabytes` MB at once, of frames or of noise, as a fast virtual port
// can between two ticks; reports the peak resident memory. Returns false when it reaches 100 MB.
bool runBigTicks(BenchWindow &window, qint64 megabytes, bool noise);

} // namespace talvor::bench
