#include "menus/PowerMenuValues.h"

#include <cmath>

#include "model/DataModel.h"
#include "model/PowerMeasurements.h"
#include "model/ValueFormat.h"

namespace nolvo::power_menu {

namespace {
constexpr int kInputs = 4;
constexpr int kSlots = 6;
}

bool groundLevel(const DataModel& model, float& level)
{
    const float bottom = model.powerStore.amplitudeBottom;
    if (!std::isfinite(bottom)) return false;
    level = bottom + model.attenuationOffset();
    return true;
}

std::string inputTitle(char name, int input)
{
    std::string title(1, name);
    title += ": D";
    title += (input >= 0 && input < kInputs) ? std::to_string(input + 1) : std::string("?");
    return title;
}

int steppedInput(int input, int steps) { return ((input + steps) % kInputs + kInputs) % kInputs; }

std::string externalAttenuationText(float db)
{
    return std::isfinite(db) ? formatFixed(db) + " dBm" : std::string("--");
}

std::string measurementSlotTitle(const PowerSettings& power, int slot)
{
    if (slot < 1 || slot > kSlots) return "UNKNOWN";
    const std::uint8_t id = power.measurements[slot - 1];
    if (id >= kMeasurementCount) return "NONE";
    return PowerMeasurements::pickerName(id);
}

std::vector<std::string> measurementOptions()
{
    std::vector<std::string> rows{"None"};
    for (int id = 0; id < kMeasurementCount; ++id) rows.emplace_back(PowerMeasurements::pickerName(static_cast<std::uint8_t>(id)));
    return rows;
}

std::uint8_t measurementIdOfRow(int row)
{
    return (row >= 1 && row <= kMeasurementCount) ? static_cast<std::uint8_t>(row - 1) : std::uint8_t{255};
}

int measurementRowOf(std::uint8_t id)
{
    if (id == 255) return 0;
    return id < kMeasurementCount ? id + 1 : -1;
}

std::vector<std::string> columnOptions(Column column, const std::vector<std::string>& unitNames)
{
    std::vector<std::string> rows;
    switch (column) {
    case Column::Sign: return {"+", "-"};
    case Column::Whole:
        for (int i = 0; i <= PowerPickerFormat::kMaxWhole; ++i) rows.push_back(std::to_string(i));
        return rows;
    case Column::Hundredths:
        for (int i = 0; i <= 99; ++i) rows.push_back((i < 10 ? "0" : "") + std::to_string(i));
        return rows;
    case Column::Unit: return unitNames;
    }
    return rows;
}

int columnValue(const PickerEntry& entry, Column column)
{
    switch (column) {
    case Column::Sign: return entry.negative ? 1 : 0;
    case Column::Whole: return entry.whole;
    case Column::Hundredths: return entry.hundredths;
    case Column::Unit: return entry.unit;
    }
    return 0;
}

PickerEntry withColumn(PickerEntry entry, Column column, int row)
{
    switch (column) {
    case Column::Sign:
        if (row == 0 || row == 1) entry.negative = row == 1;
        break;
    case Column::Whole:
        if (row >= 0 && row <= PowerPickerFormat::kMaxWhole) entry.whole = row;
        break;
    case Column::Hundredths:
        if (row >= 0 && row <= 99) entry.hundredths = row;
        break;
    case Column::Unit:
        if (row >= 0 && row < PowerPickerFormat::kUnitCount) entry.unit = row;
        break;
    }
    return entry;
}

} // namespace nolvo::power_menu
