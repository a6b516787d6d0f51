#pragma once

#include "controls.h"

#include "receivepoll.h"

#include <span>

namespace talvor {

// Numbers the rows 1 to 24 and empties the detector table and the system-information labels.
void resetDetectorTable(Controls &controls);

// The link indicator and the RTS and CTS labels.
void showLineStates(Controls &controls, const LineStates &lines);

// Shows the reports of one decoder run, in order, each with the current time of day.
void showReports(Controls &controls, std::span<const Report> reports);

} // namespace talvor
