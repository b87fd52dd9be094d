#pragma once
// The columns of the two access-point tables: header text, the sort criterion its header stores,
// and the text its width is measured from. Sorting from a header and the header texts.

#include <cstdint>
#include <string>
#include <vector>

namespace nolvo {

class DataModel;

enum class ColumnKind : std::uint8_t {
    Security, Mode, Ssid, Rssi, HardwareAddress, Channel, Frequency, Count, // access-point table
    ProposalChannel, GradePercent, GradeLetter,                   // utilization table
};

enum class TableKind : std::uint8_t { AccessPoints = 0, Utilization = 1 };

struct TableColumn {
    ColumnKind kind;
    const char* title;           // header text in the full layout
    const char* compactTitle;    // header text in the compact layout; null: not shown there
    std::uint8_t criterion;      // SpectrumSettings::SSIDSortCriteria the header stores
    const char* widthTemplate;   // measured in the header font; null: takes the width left over
    const char* compactTemplate; // the same for the compact layout
};

// The columns shown, left to right, for the table and layout.
std::vector<TableColumn> tableColumns(TableKind table, bool compact);

// A header press: the same criterion again reverses the direction; another criterion is stored
// with the descending flag set for RSSI (strongest first) and clear otherwise.
void pressSortHeader(std::uint8_t& criterion, std::uint8_t& descending, std::uint8_t pressed);

// A header press on `table`: updates that table's criterion and direction in the spectrum
// settings and raises its list-changed flag, so the main scene sorts and reloads it next frame.
void pressSortHeader(DataModel& model, TableKind table, std::uint8_t pressed);

// The header text: the sorted column carries "+" (ascending) or "-" (descending).
std::string headerTitle(const TableColumn& column, bool compact, std::uint8_t criterion, std::uint8_t descending);

// The counter over the access-point table: "Total AP: 12 Total Scan: 340".
std::string counterText(std::size_t accessPoints, std::uint32_t scans);
// The counter before the first reload.
inline constexpr const char* kInitialCounterText = "Total Scans: 0";

} // namespace nolvo
