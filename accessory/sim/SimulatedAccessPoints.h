#pragma once
// The Wi-Fi access points the simulated accessory hears, and the access-point frames (type 7) it
// answers a scan with. The set is fixed and believable: 2.4 and 5 GHz networks, 20 and 40 MHz,
// open, WEP, WPA, WPA2, WPS and unknown security, hidden SSIDs, an SSID with '%' in it, one access
// point that leaves after a few scans and one that is away for a few scans and comes back. Their
// RSSI varies a little from scan to scan, and each one is also a transmitter of the spectrum
// scene (addTransmitters), so what the spectrum shows matches what the scans report.
//
// A scan comes out in frames of at most 20 records with correct checksums; a scan whose last
// frame is full is closed by an empty frame. The second generation reports 2.4 GHz access points
// only, with one mode value (1 b, 2 g, 4 n); the dual-band model reports both bands with the mode
// flags and pads its scan with one placeholder record (all-zero BSSID) that the host skips.
//
// Deterministic for a seed. Not thread-safe: the simulator calls it under its own lock.

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "accessory/sim/SignalScene.h"

namespace nolvo::sim {

struct SimulatedAccessPoint {
    std::array<std::uint8_t, 6> bssid{};
    std::string ssid;                // empty: hidden
    int band = 0;                    // 0 2.4 GHz, 1 5 GHz
    int channel = 1;
    int widthMhz = 20;               // 20 or 40
    int secondary = 0;               // 40 MHz: 1 secondary channel above, 2 below
    std::uint32_t securityWord = 0;  // as the accessory reports it
    std::uint8_t modes = 0;          // bit 0 b, 1 g, 2 n, 3 a, 4 ac
    double rssiDbm = -70.0;
    double occupancy = 0.2;          // share of sweeps it transmits in
    int lastScan = -1;               // heard up to this scan number (-1: always)
    int awayFrom = -1;               // not heard in scans awayFrom .. awayUntil - 1
    int awayUntil = -1;
};

class SimulatedAccessPoints {
public:
    static constexpr int kRecordLength = 64;
    static constexpr int kMaxRecordsPerFrame = 20;

    // Security words of the kinds the set uses.
    static constexpr std::uint32_t kOpen = 0;
    static constexpr std::uint32_t kWep = 0x00000001;
    static constexpr std::uint32_t kWpaTkip = 0x00200002;
    static constexpr std::uint32_t kWpa2Ccmp = 0x00400006;
    static constexpr std::uint32_t kWps = 0x00100000;
    static constexpr std::uint32_t kUnknown = 0xFFFFFFFF;

    explicit SimulatedAccessPoints(std::uint32_t seed);

    const std::vector<SimulatedAccessPoint>& accessPoints() const { return m_accessPoints; }
    // Whether the access point is heard in scan number `scan` (0-based).
    static bool heardIn(const SimulatedAccessPoint& accessPoint, int scan);
    // Centre frequency of the occupied span, MHz (a 40 MHz access point is centred between its
    // primary and secondary channels).
    static double centerMhz(const SimulatedAccessPoint& accessPoint);

    // The frames of the next scan (advances the scan number).
    std::vector<std::uint8_t> nextScan(bool dualBand);
    int scansDone() const { return m_scan; }

    // The 64-byte record of an access point heard at `rssiDbm`.
    static std::array<std::uint8_t, kRecordLength> encodeRecord(const SimulatedAccessPoint& accessPoint,
                                                                double rssiDbm, bool dualBand);

    // Adds one transmitter per access point of `band` to the scene.
    void addTransmitters(SignalScene& scene, int band) const;

private:
    std::vector<SimulatedAccessPoint> m_accessPoints;
    std::mt19937 m_rng;
    int m_scan = 0;
    std::uint8_t m_counter = 0;
};

} // namespace nolvo::sim
