#pragma once
// The access-point filter: which access points the overlay, both tables, the details popover and
// the exports show. It never touches the list, the recorded data or the data log; readers ask it
// per access point while they hold accessPointLock (or work on a copy made under it).
//
// A filter is compiled once from its stored record (AccessPointFilterSettings) and then is cheap to
// ask: the SSID text is folded to lower case once, the channel bounds and the minimum signal are
// sanitised (a damaged store may hold anything), so matches() is a handful of compares and one
// substring search over at most 32 bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/AccessPoint.h"
#include "model/SettingsRecords.h"

namespace nolvo {

class AccessPointList;

// Security classes as the accessory reports them, and their bit in the filter's security mask.
enum class SecurityClass : std::int32_t { Open = 0, Wps = 1, Wep = 2, Wpa = 3, Wpa2 = 4 };
constexpr std::uint8_t securityBit(SecurityClass c) { return static_cast<std::uint8_t>(1u << static_cast<int>(c)); }
constexpr std::uint8_t kAllSecurityBits = 0x1F;

class AccessPointFilter {
public:
    AccessPointFilter() = default;
    explicit AccessPointFilter(const AccessPointFilterSettings& settings);

    // True when some criterion is set, i.e. the filter may hide something.
    bool active() const { return m_active; }
    bool matches(const AccessPoint& ap) const;
    // The same test on the fields a table row keeps (ssid as raw bytes or display text; `hidden`
    // tells whether the SSID is hidden, see isHiddenSsid).
    bool matches(std::string_view ssid, bool hidden, int band, int channel, int security, float rssi) const;

    // Indices (list order) of the list's entries that pass, written into `passing` (cleared
    // first). Returns the number passing.
    std::size_t apply(const AccessPointList& list, std::vector<std::uint32_t>& passing) const;

    // A hidden network announces no name: an empty SSID or one of zero bytes only.
    static bool isHiddenSsid(std::string_view ssid);

private:
    std::string m_needle; // lower-cased SSID text
    std::uint8_t m_securityMask = 0;
    bool m_show24 = true;
    bool m_show5 = true;
    bool m_hideHidden = false;
    int m_channelFirst = 0;
    int m_channelLast = 0;
    bool m_hasMinimum = false;
    float m_minimumSignal = 0.0f;
    bool m_active = false;
};

// ---- editing a filter record (menus) ----
// Sets the SSID text (cut to 32 bytes at a UTF-8 character boundary).
void setFilterSsid(AccessPointFilterSettings& settings, std::string_view text);
std::string filterSsid(const AccessPointFilterSettings& settings);
// Every criterion off.
void clearFilter(AccessPointFilterSettings& settings);
// The marker text "FILTERED n of m"; empty when nothing is hidden (n == m).
std::string filteredMarkerText(std::size_t shown, std::size_t total);

} // namespace nolvo
