#pragma once
// A measuring point for the start-up: with KOERSZICHT_STARTUP_PROBE set to the moment the
// program was launched (nanoseconds since the epoch, as `date +%s%N` gives it), the first paint
// of a window is followed by one line on standard output, "startup_ms=<ms since the launch>
// peak_rss_kb=<the most memory held so far>", and then by `done`. Without the variable nothing
// happens. scripts/bench.sh starts the program and a bare window this way, side by side.

#include <functional>

class QWidget;

void ProbeStartup(QWidget& window, std::function<void()> done);
