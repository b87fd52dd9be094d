#pragma once
// Display text of a float: every scale, readout, table number and data-log header goes through
// these. Pure functions; the caller appends the unit ("Hz", "dBm/div", ...). NaN is not special
// here: callers show their own placeholder for it.

#include <string>

namespace nolvo {

// Exactly two decimals: 12.5 -> "12.50".
std::string formatFixed(float value);

// The number scaled to an SI prefix (n, µ with U+00B5, m, none, k, M, G), `precision` decimals, one
// blank and the prefix: 1000 at precision 2 -> "1.00 k", 999.9 at 1 -> "999.9 ". A negative
// precision counts as 0.
std::string formatSI(float value, int precision);

// Like formatSI but with the decimals chosen for three significant digits and the prefixes
// n, μ (U+03BC), m, none, k, M (no G): 12.345 -> "12.3 ", 2.5e5 -> "250 k"; below 1e-9 -> "0 ".
std::string formatSIAuto(float value);

} // namespace nolvo
