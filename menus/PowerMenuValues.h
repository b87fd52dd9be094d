#pragma once
// What the power menus show and write, as plain functions of the settings: the GROUND level, the
// digital input buttons, the external attenuation text, the measurement slots and their picker,
// and the columns of the time and level pickers (sign, whole part, hundredths, unit).
// Pure; render thread (they read single settings fields, and the model's windows under dataLock
// where noted).

#include <cstdint>
#include <string>
#include <vector>

#include "model/PowerPickerFormat.h"

namespace nolvo {

class DataModel;
struct PowerSettings;

namespace power_menu {

// The level GROUND sets: the bottom of the power amplitude window plus the attenuation offset (the
// level handle and the accessory command take the offset off again). False, with `level`
// untouched, when the bottom is not a number. dataLock held.
bool groundLevel(const DataModel& model, float& level);

// "A: D1" .. "A: D4" for input 0..3 of condition `name`; "A: D?" outside.
std::string inputTitle(char name, int input);
// The input `steps` places on, modulo the four digital lines.
int steppedInput(int input, int steps);

// "EXT. ATTEN: " button text: two decimals and " dBm"; "--" for a value that is not finite.
std::string externalAttenuationText(float db);

// Measurement slots: the button title of slot 1..6 ("NONE" while empty, the picker name of the
// chosen measurement, "UNKNOWN" for a slot number outside 1..6), the picker rows ("None" and the
// 23 names) and the mapping between picker rows and identifiers.
std::string measurementSlotTitle(const PowerSettings& power, int slot);
std::vector<std::string> measurementOptions();
std::uint8_t measurementIdOfRow(int row);   // 0 -> 255 (none), 1..23 -> 0..22, else 255
int measurementRowOf(std::uint8_t id);      // 255 -> 0, 0..22 -> 1..23, else -1

// The four columns of a picker: options of each, and the column a value shows.
enum class Column : int { Sign = 0, Whole = 1, Hundredths = 2, Unit = 3 };
std::vector<std::string> columnOptions(Column column, const std::vector<std::string>& unitNames);
int columnValue(const PickerEntry& entry, Column column);
// `entry` with column `column` set to picker row `row` (rows outside the column change nothing).
PickerEntry withColumn(PickerEntry entry, Column column, int row);

} // namespace power_menu
} // namespace nolvo
