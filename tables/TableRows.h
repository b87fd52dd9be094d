#pragma once
// The rows of the two access-point tables, built from a snapshot at each reload: section headers,
// message rows and one row per access point. A row names its access point by its position in the
// snapshot it was built with (never in the model's list), and carries its hardware address.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tables/AccessPointSnapshot.h"

namespace nolvo {

enum class RowKind : std::uint8_t {
    Header,      // section title, one label across the row
    Message,     // "No SSID to display", "Press Edit to add access point"
    AccessPoint, // snapshot row `entry`
    NotHeard,    // a selected address that is no longer in the list (utilization table)
};

struct TableRow {
    RowKind kind = RowKind::Message;
    const char* text = "";   // header and message rows
    std::int32_t entry = -1; // AccessPoint: index into the snapshot rows; NotHeard: into notHeard
    bool selectedSection = false;
};

inline constexpr const char* kHeader24 = "2.4GHz SSID List";
inline constexpr const char* kHeader5 = "5GHz SSID List";
inline constexpr const char* kNoSsid = "No SSID to display";
inline constexpr const char* kSelectedHeader = "Selected for Optimization";
inline constexpr const char* kPressEdit = "Press Edit to add access point";
inline constexpr const char* kOthersHeader = "SSID List";
inline constexpr const char* kNotHeard = "not heard";

// The access-point table: a 2.4 GHz and a 5 GHz section (the 5 GHz one first when the spectrum
// shows the 5 GHz band), each a header and its access points in list order, or one message row.
std::vector<TableRow> accessPointTableRows(const AccessPointSnapshot& snapshot, bool band5First);

// A selected address that is missing from the list, and the name it was last shown with.
struct NotHeardEntry {
    Bssid bssid{};
    std::string name;
};

// The utilization table's rows and what it remembers between reloads: the names of the selected
// access points, so that one that aged out is still listed by name and can be removed.
class UtilizationRows {
public:
    // Rebuilds the rows from `snapshot` (2.4 GHz access points only): the selected section (the
    // selected access points in list order, then the selected addresses not in the list) and the
    // others, each under its header or with its message row.
    void build(const AccessPointSnapshot& snapshot);

    // Remembers the name an address was added under, for when it is not heard before the next build.
    void rememberName(const Bssid& bssid, const std::string& name) { m_names[bssid] = name; }

    const std::vector<TableRow>& rows() const { return m_rows; }
    const std::vector<NotHeardEntry>& notHeard() const { return m_notHeard; }
    int selectedCount() const { return m_selected; }
    int othersCount() const { return m_others; }

private:
    std::vector<TableRow> m_rows;
    std::vector<NotHeardEntry> m_notHeard;
    std::map<Bssid, std::string> m_names; // last shown name of each selected address
    int m_selected = 0;
    int m_others = 0;
};

} // namespace nolvo
