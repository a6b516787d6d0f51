// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvor::bench {

class BenchWindow;

// Registers the tick and throughput benchmarks, ours and the literal reference side by side.
void registerBenchmarks(BenchWindow &window);

// Runs the registered benchmarks, then prints each of ours next to its literal reference with
// the speed-up, and whether the targets are met. Returns false when a target is missed.
bool runBenchmarks();

} // namespace talvor::bench
