#pragma once
// The program's steady clock in milliseconds. Tests replace its source to move time without
// waiting; everything that measures intervals (ageing, acquisition phase, actions) reads it here.

#include <cstdint>

namespace engine::clock {

using Source = std::uint64_t (*)();

// Milliseconds of the steady clock (or of the installed test source). Any thread.
std::uint64_t steadyMs();

// Installs a replacement source; nullptr restores the real steady clock.
void setSource(Source source);

} // namespace engine::clock
