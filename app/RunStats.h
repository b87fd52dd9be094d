#pragma once
// Figures for long runs: on SIGUSR1 the program writes one line to standard output at the next
// frame, "nolvo stats: frames <drawn since start> objects <engine objects alive> ticks <main-loop
// passes since start>", so that a script can follow a running program without stopping it
// (bench/soak, bench/cpu-per-view). Only frames that were rendered and presented count as drawn.

namespace nolvo::runstats {

// Installs the SIGUSR1 handler (once; the handler only raises a flag).
void install();
// Render thread, once per frame: writes the line when it was asked for.
void reportIfAsked();

} // namespace nolvo::runstats
