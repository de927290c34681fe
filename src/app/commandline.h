#pragma once

#include <optional>

// Tasks the program runs without a window, for scripts and cron. The arguments are looked at before any
// application object exists, so such a task never needs a display.
namespace CommandLine {

// Runs the task the arguments name and gives its exit status; nothing when they name none and the program is
// to start with its window.
std::optional<int> runWithoutWindow(int argc, char *argv[]);

// A station PC without a configured language gets the German formats of a German station.
void useGermanFormatsWhenUnset();

} // namespace CommandLine
