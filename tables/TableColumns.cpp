#include "tables/TableColumns.h"

#include <cstdio>

#include "model/DataModel.h"
#include "model/SettingsRecords.h"

namespace nolvo {

namespace {

// The widths are measured from these texts; the arrow (U+2B06 U+FE0E) makes room for the sort sign.
#define ARROW "\xE2\xAC\x86\xEF\xB8\x8E"
constexpr const char* kRssiTemplate = "  ZZZZZZZZZZZZZZZZZZZ  ";

using S = SpectrumSettings;

const TableColumn kAccessPointColumns[] = {
    {ColumnKind::Security, "SEC.", "SEC.", S::kSortSecurity, "  SEC." ARROW "  ", " SEC." ARROW " "},
    {ColumnKind::Mode, "MODE", nullptr, S::kSortMode, "  MODE." ARROW "  ", nullptr},
    {ColumnKind::Ssid, "SSID", "SSID", S::kSortSsid, nullptr, nullptr},
    {ColumnKind::Rssi, "RSSI", "RSSI", S::kSortRssi, kRssiTemplate, "RSSI" ARROW},
    {ColumnKind::HardwareAddress, "BSSID", nullptr, S::kSortBssid, "  [XX:XX:XX:XX:XX:XX]  ", nullptr},
    {ColumnKind::Channel, "CH.", "CH.", S::kSortChannel, "  CH." ARROW "  ", "  CH." ARROW "  "},
    {ColumnKind::Frequency, "FREQ", nullptr, S::kSortFrequency, "  FREQ." ARROW "  ", nullptr},
    {ColumnKind::Count, "CNT.", nullptr, S::kSortCount, "  CNT." ARROW "  ", nullptr},
};

const TableColumn kUtilizationColumns[] = {
    {ColumnKind::Ssid, "SSID", "SSID", S::kSortSsid, nullptr, nullptr},
    {ColumnKind::Rssi, "RSSI", "RSSI", S::kSortRssi, kRssiTemplate, "RSSI" ARROW},
    {ColumnKind::ProposalChannel, "CHANNEL", "CH.", S::kSortChannel, "  CHANNEL" ARROW "  ", "  CH." ARROW "  "},
    {ColumnKind::GradePercent, "GRADE %", "GRADE", S::kSortGradePercent, "  GRADE %" ARROW "  ", "  GRADE" ARROW "  "},
    {ColumnKind::GradeLetter, "GRADE", nullptr, S::kSortGrade, "  GRADE" ARROW "  ", nullptr},
};

#undef ARROW

} // namespace

std::vector<TableColumn> tableColumns(TableKind table, bool compact)
{
    std::vector<TableColumn> columns;
    const bool ap = table == TableKind::AccessPoints;
    const TableColumn* first = ap ? std::begin(kAccessPointColumns) : std::begin(kUtilizationColumns);
    const TableColumn* last = ap ? std::end(kAccessPointColumns) : std::end(kUtilizationColumns);
    for (const TableColumn* column = first; column != last; ++column) {
        if (!compact || column->compactTitle) {
            columns.push_back(*column);
        }
    }
    return columns;
}

void pressSortHeader(std::uint8_t& criterion, std::uint8_t& descending, std::uint8_t pressed)
{
    if (pressed == criterion) {
        descending = descending ? 0 : 1;
        return;
    }
    criterion = pressed;
    descending = pressed == S::kSortRssi ? 1 : 0;
}

void pressSortHeader(DataModel& model, TableKind table, std::uint8_t pressed)
{
    SpectrumSettings& s = model.spectrum;
    if (table == TableKind::AccessPoints) {
        pressSortHeader(s.apTableSortCriteria, s.apTableDescending, pressed);
    } else {
        pressSortHeader(s.utilizationSortCriteria, s.utilizationDescending, pressed);
    }
    model.accessPointListChanged[static_cast<int>(table)].store(true);
}

std::string headerTitle(const TableColumn& column, bool compact, std::uint8_t criterion, std::uint8_t descending)
{
    std::string title = compact ? column.compactTitle : column.title;
    if (column.criterion == criterion) {
        title += descending ? "-" : "+";
    }
    return title;
}

std::string counterText(std::size_t accessPoints, std::uint32_t scans)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Total AP: %zu Total Scan: %u", accessPoints, scans);
    return buffer;
}

} // namespace nolvo
