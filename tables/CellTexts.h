#pragma once
// The texts and the signal bar of the access-point table cells, one function per column. Pure
// functions of a snapshot row; every number is printed by the program's own format, never by a
// format string that came from the accessory.

#include <cstdint>
#include <string>

#include "model/AccessPoint.h"

namespace nolvo {

struct AccessPointRow;

// The coloured bar of the RSSI column: how full (10..100 percent) and its colour.
struct SignalBar {
    float percent = 10.0f;
    std::uint8_t red = 255;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

namespace cell {

// "OPEN", "WPS", "WEP", "WPA", "WPA2" for codes 0..4, "?" for anything else.
const char* securityText(std::int32_t security);
// Whether the lock icon shows: not for open networks, nor for WPS without encryption.
bool lockShown(std::int32_t security, std::int32_t encryption);
// "a/b/g/n/ac" style: the modes in the order a, b, g, n, ac, separated by "/".
std::string modeText(std::uint8_t modes);
// "L" (secondary channel above) or "U" (below) for a 40 MHz access point of either band, else "".
const char* channelSuffix(std::int32_t band, std::int32_t channelWidth, std::int32_t secondaryCode);
// Channel number and suffix: "6", "6L", "6U".
std::string channelText(const AccessPointRow& row);
// Centre frequency in GHz with three decimals ("2.437", "2.484", "5.180"); "0.000" when unknown.
std::string frequencyText(std::int32_t band, int channel);
// "[aa:bb:cc:dd:ee:ff]".
std::string bssidText(const Bssid& bssid);
// "-60 dBm"; "-- dBm" without a level.
std::string rssiText(float rssi);
SignalBar signalBar(float rssi);
std::string countText(std::uint32_t timesSeen);

// ---- utilization table ----
// The grade as shown: "95%" (a grade outside 0..100 shows as 0).
std::string gradePercentText(float grade);
// "A" .. "F" of the shown grade.
const char* gradeLetterText(float grade);
// Compact layout: "A(95%)".
std::string gradeCompactText(float grade);
// The channel cell: the channel with its suffix; for a selected access point followed by its
// proposal ("1->11", "3->?" while nothing was proposed yet; just "3" when it should stay).
std::string utilizationChannelText(const AccessPointRow& row);

} // namespace cell
} // namespace nolvo
