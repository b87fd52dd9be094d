#pragma once
// The texts and value mappings the menus show and write: the names behind stored indexes (every
// lookup is bounds-checked, so a damaged store shows "UNKNOWN" rather than reading past a table)
// and the slider position <-> setting conversions. Pure functions, any thread.

#include <cstdint>
#include <string>
#include <vector>

namespace nolvo {

struct SpectrumSettings;

namespace menu_values {

inline constexpr const char* kUnknown = "UNKNOWN";

// ---- names by stored index ----
// "NONE", "RAW", "DECAY", "AVERAGE", "MAX HOLD", "MIN HOLD", "HEAT MAP" (trace kinds 0..6).
const std::vector<std::string>& traceNames();
std::string traceName(int kind);
// Channel plan 0..11 by the guide pickers' names; "UNKNOWN" outside.
std::string planName(int plan);
// "RAINBOW", "FIRE", "X-RAY", "GREEN".
const std::vector<std::string>& colorMapNames();
std::string colorMapName(int index);
// Internal attenuator steps 0..7: "0 dBm" .. "28 dBm".
const std::vector<std::string>& internalAttenuationNames();
std::string internalAttenuationName(int index);
// External attenuation choices in dB, and the label of any value: two decimals and " dBm".
const std::vector<float>& externalAttenuationChoices();
std::string externalAttenuationName(float dB);
// The choice nearest to `dB` (for the picker's starting row).
int nearestExternalAttenuationChoice(float dB);

// ---- guide pickers (band 0: 2.4 GHz, plans 0..7; band 1: 5 GHz, rows 0..4 for plans 0, 8..11) ----
std::vector<std::string> guideRows(int band);
// What the band's guide button shows for a stored slot value: "UNKNOWN" outside 0..11, else the
// plan the guide draws for it (a plan of the other band draws none).
std::string guideTitle(int band, std::int32_t stored);

// ---- multi-choice titles ----
const std::vector<std::string>& graticuleRows();   // bits 0..4
const std::vector<std::string>& alertRows();       // bits 0..1
// "GRATICULE" for all five bits, the bit's name for a single one, "NONE" for none, and
// "CUSTOM" for any other mix.
std::string graticuleTitle(std::int32_t mask);
// "ALERTS" for both bits, the bit's name for one, "NONE" for none.
std::string alertsTitle(std::int32_t mask);

// ---- sliders (p: integer position 0..100, clamped) ----
// Access-point scan interval in seconds: 0 ("ALWAYS"), 20..110 in steps of 10, 120.
float refreshFromPercent(int p);
int percentOfRefresh(float seconds);
std::string refreshLabel(float seconds);
float holdFromPercent(int p);    // min(3, 0.03 p) s
float decayFromPercent(int p);   // min(10, 0.1 p) dB
float averageFromPercent(int p); // min(4, 0.04 p) s
int percentOfHold(float seconds);
int percentOfDecay(float dB);
int percentOfAverage(float seconds);
std::string secondsLabel(float seconds); // "1.00s"
std::string decayLabel(float dB);        // "2.00dBm"
int peakCountFromPercent(int p);         // 0..5
int percentOfPeakCount(int count);
float persistFromPercent(int p);         // min(20, 0.1 + 0.199 p) s
int percentOfPersist(float seconds);

// ---- peak sliders of the measure menu ----
// What peak slider k (0..2) edits: the caption and a pointer to the byte it writes, null when the
// slider's selection names no peak list ("NONE", "HEAT MAP" or a value out of range).
struct PeakTarget {
    std::string caption;
    std::uint8_t* field = nullptr;
};
PeakTarget peakTarget(SpectrumSettings& spectrum, int slider);
// The on-top peak trace for a chosen trace kind: kinds 1..5 as they are, anything else 0 (none).
std::uint8_t onTopOfKind(int kind);

// ---- pickers ----
// A stored index as a picker row: the index when it names a row, else -1 (no row highlighted).
int rowOf(int index, std::size_t rows);

} // namespace menu_values
} // namespace nolvo
