#include "accessory/sim/SimulatedAccessPoints.h"

#include <algorithm>
#include <cmath>

namespace nolvo::sim {

namespace {

constexpr std::uint8_t kSync = 0xAA;
constexpr std::uint8_t kAccessPointHeader = 7 << 5;
// Scan-to-scan RSSI variation, dB (uniform, +-).
constexpr double kRssiSpread = 2.0;

constexpr std::uint8_t kB = 1 << 0, kG = 1 << 1, kN = 1 << 2, kA = 1 << 3, kAc = 1 << 4;

SimulatedAccessPoint ap(std::array<std::uint8_t, 6> bssid, std::string ssid, int band, int channel, int width,
                        int secondary, std::uint32_t security, std::uint8_t modes, double rssi, double occupancy)
{
    SimulatedAccessPoint p;
    p.bssid = bssid;
    p.ssid = std::move(ssid);
    p.band = band;
    p.channel = channel;
    p.widthMhz = width;
    p.secondary = secondary;
    p.securityWord = security;
    p.modes = modes;
    p.rssiDbm = rssi;
    p.occupancy = occupancy;
    return p;
}

std::vector<SimulatedAccessPoint> defaultSet()
{
    using S = SimulatedAccessPoints;
    std::vector<SimulatedAccessPoint> set = {
        // 2.4 GHz: the busy networks of an office floor and its neighbours.
        ap({0x3C, 0x52, 0x82, 0x10, 0x20, 0x01}, "HomeNet", 0, 1, 20, 0, S::kWpa2Ccmp, kB | kG | kN, -45.0, 0.6),
        ap({0x3C, 0x52, 0x82, 0x10, 0x20, 0x02}, "Office-5F", 0, 6, 40, 1, S::kWpa2Ccmp, kG | kN, -58.0, 0.45),
        ap({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x03}, "Guest", 0, 11, 20, 0, S::kOpen, kB | kG, -72.0, 0.3),
        ap({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x04}, "", 0, 6, 20, 0, S::kWpaTkip, kG | kN, -68.0, 0.2),
        ap({0x08, 0x86, 0x3B, 0x01, 0x02, 0x05}, "OldRouter", 0, 3, 20, 0, S::kWep, kB | kG, -80.0, 0.15),
        ap({0x08, 0x86, 0x3B, 0x01, 0x02, 0x06}, "DIRECT-PrinterSetup", 0, 9, 20, 0, S::kWps, kG, -74.0, 0.1),
        ap({0xA4, 0x2B, 0xB0, 0x55, 0x66, 0x07}, "Caf\xC3\xA9 Corner", 0, 13, 40, 2, S::kWpa2Ccmp, kN, -66.0, 0.35),
        ap({0xA4, 0x2B, 0xB0, 0x55, 0x66, 0x08}, "Mystery", 0, 4, 20, 0, S::kUnknown, kB, -84.0, 0.05),
        ap({0xA4, 0x2B, 0xB0, 0x55, 0x66, 0x09}, "50% off %s today", 0, 7, 20, 0, S::kOpen, kG | kN, -78.0, 0.1),
        ap({0x5C, 0xE2, 0x8C, 0x00, 0x00, 0x0A}, "Bus-WiFi", 0, 1, 20, 0, S::kOpen, kG | kN, -70.0, 0.25),
        ap({0x5C, 0xE2, 0x8C, 0x00, 0x00, 0x0B}, "Neighbour", 0, 11, 20, 0, S::kWpa2Ccmp, kG | kN, -77.0, 0.2),
        ap({0x5C, 0xE2, 0x8C, 0x00, 0x00, 0x0C}, "", 0, 1, 20, 0, S::kWpa2Ccmp, kN, -82.0, 0.1),
    };
    // Weaker networks of the flats around, spread over the band.
    static constexpr int kFlatChannels[] = {1, 2, 5, 6, 8, 10, 11, 12, 3, 6};
    for (int i = 0; i < 10; ++i) {
        set.push_back(ap({0x70, 0x4F, 0x57, 0x30, 0x00, static_cast<std::uint8_t>(0x20 + i)},
                         "Flat " + std::to_string(i + 1), 0, kFlatChannels[i], 20, 0,
                         i % 3 == 0 ? S::kWpaTkip : S::kWpa2Ccmp, kB | kG | kN, -83.0 - i % 5, 0.05 + 0.01 * i));
    }
    // 5 GHz.
    const std::vector<SimulatedAccessPoint> band5 = {
        ap({0x3C, 0x52, 0x82, 0x10, 0x50, 0x01}, "HomeNet-5G", 1, 36, 40, 1, S::kWpa2Ccmp, kA | kN | kAc, -55.0, 0.5),
        ap({0x3C, 0x52, 0x82, 0x10, 0x50, 0x02}, "Office-5F-5G", 1, 44, 20, 0, S::kWpa2Ccmp, kA | kN, -68.0, 0.3),
        ap({0x00, 0x1A, 0x2B, 0x3C, 0x50, 0x03}, "", 1, 100, 20, 0, S::kWpa2Ccmp, kA | kN | kAc, -75.0, 0.2),
        ap({0xA4, 0x2B, 0xB0, 0x55, 0x50, 0x04}, "Lab", 1, 153, 40, 2, S::kWpaTkip, kA | kN, -50.0, 0.6),
        ap({0xA4, 0x2B, 0xB0, 0x55, 0x50, 0x05}, "Open5", 1, 157, 20, 0, S::kOpen, kA, -82.0, 0.1),
    };
    set.insert(set.end(), band5.begin(), band5.end());
    // "Bus-WiFi" drives away after scan 2; "Neighbour" is off in scans 2 to 4 and comes back.
    for (SimulatedAccessPoint& p : set) {
        if (p.ssid == "Bus-WiFi") {
            p.lastScan = 2;
        } else if (p.ssid == "Neighbour") {
            p.awayFrom = 2;
            p.awayUntil = 5;
        }
    }
    return set;
}

// The second generation reports one mode: the newest standard the access point speaks.
std::uint8_t singleMode(std::uint8_t modes)
{
    if (modes & kN) {
        return kN;
    }
    if (modes & kG) {
        return kG;
    }
    return (modes & kB) ? kB : 0;
}

} // namespace

SimulatedAccessPoints::SimulatedAccessPoints(std::uint32_t seed) : m_accessPoints(defaultSet()), m_rng(seed) {}

bool SimulatedAccessPoints::heardIn(const SimulatedAccessPoint& p, int scan)
{
    if (p.lastScan >= 0 && scan > p.lastScan) {
        return false;
    }
    return !(scan >= p.awayFrom && scan < p.awayUntil);
}

double SimulatedAccessPoints::centerMhz(const SimulatedAccessPoint& p)
{
    double primary = 0.0;
    if (p.band == 1) {
        primary = 5000.0 + 5.0 * p.channel;
    } else {
        primary = p.channel == 14 ? 2484.0 : 2407.0 + 5.0 * p.channel;
    }
    if (p.widthMhz == 40) {
        primary += p.secondary == 2 ? -10.0 : 10.0;
    }
    return primary;
}

std::array<std::uint8_t, SimulatedAccessPoints::kRecordLength>
SimulatedAccessPoints::encodeRecord(const SimulatedAccessPoint& p, double rssiDbm, bool dualBand)
{
    std::array<std::uint8_t, kRecordLength> r{};
    r[1] = static_cast<std::uint8_t>(p.channel);
    const auto rssi = static_cast<std::int16_t>(std::lround(rssiDbm));
    r[2] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(rssi) >> 8);
    r[3] = static_cast<std::uint8_t>(rssi);
    std::copy(p.bssid.begin(), p.bssid.end(), r.begin() + 4);
    const int widthBits = p.widthMhz == 40 ? 3 : (p.widthMhz == 20 ? 2 : (p.widthMhz == 10 ? 1 : 0));
    r[10] = static_cast<std::uint8_t>((widthBits << 2) | (p.secondary & 3));
    r[11] = 0;
    const std::size_t ssidLength = std::min<std::size_t>(p.ssid.size(), 32);
    r[12] = static_cast<std::uint8_t>(ssidLength);
    std::copy(p.ssid.begin(), p.ssid.begin() + static_cast<std::ptrdiff_t>(ssidLength), r.begin() + 13);
    r[45] = dualBand ? p.modes : singleMode(p.modes);
    r[46] = p.band == 1 ? 0 : 1;
    r[47] = 0; // infrastructure
    r[52] = static_cast<std::uint8_t>(p.securityWord >> 24);
    r[53] = static_cast<std::uint8_t>(p.securityWord >> 16);
    r[54] = static_cast<std::uint8_t>(p.securityWord >> 8);
    r[55] = static_cast<std::uint8_t>(p.securityWord);
    std::uint8_t sum = 0;
    for (int i = 0; i < kRecordLength - 1; ++i) {
        sum = static_cast<std::uint8_t>(sum + r[static_cast<std::size_t>(i)]);
    }
    r[kRecordLength - 1] = static_cast<std::uint8_t>(-sum);
    return r;
}

std::vector<std::uint8_t> SimulatedAccessPoints::nextScan(bool dualBand)
{
    std::uniform_real_distribution<double> spread(-kRssiSpread, kRssiSpread);
    std::vector<std::array<std::uint8_t, kRecordLength>> records;
    for (const SimulatedAccessPoint& p : m_accessPoints) {
        if ((p.band == 1 && !dualBand) || !heardIn(p, m_scan)) {
            continue;
        }
        records.push_back(encodeRecord(p, p.rssiDbm + spread(m_rng), dualBand));
    }
    if (dualBand) {
        // The dual-band accessory pads its report with an empty slot (no BSSID, channel 0).
        SimulatedAccessPoint placeholder;
        placeholder.bssid = {};
        placeholder.channel = 0;
        records.push_back(encodeRecord(placeholder, -100.0, true));
    }
    ++m_scan;

    std::vector<std::uint8_t> frames;
    std::size_t next = 0;
    bool lastFull = false;
    do {
        const std::size_t n = std::min<std::size_t>(kMaxRecordsPerFrame, records.size() - next);
        frames.push_back(kSync);
        frames.push_back(kAccessPointHeader);
        frames.push_back(static_cast<std::uint8_t>(n));
        frames.push_back(m_counter);
        for (std::size_t i = 0; i < n; ++i) {
            frames.insert(frames.end(), records[next + i].begin(), records[next + i].end());
        }
        next += n;
        lastFull = n == kMaxRecordsPerFrame;
    } while (next < records.size());
    if (lastFull) {
        // A full frame tells the host more may follow: close the scan with an empty one.
        frames.insert(frames.end(), {kSync, kAccessPointHeader, 0, m_counter});
    }
    ++m_counter;
    return frames;
}

void SimulatedAccessPoints::addTransmitters(SignalScene& scene, int band) const
{
    for (const SimulatedAccessPoint& p : m_accessPoints) {
        if (p.band == band) {
            scene.addTransmitter(centerMhz(p), p.rssiDbm, p.occupancy, p.widthMhz);
        }
    }
}

} // namespace nolvo::sim
