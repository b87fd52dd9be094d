#pragma once
// What nolvo-log tells Prometheus: a snapshot of the model and the link, its text in the
// Prometheus text exposition format (for node_exporter's textfile collector), and the atomic
// replacement of the file the collector reads.
//
// Names carry the "nolvo_" prefix and base units; counters end in "_total". Label values that come
// from the air (SSIDs) are made valid UTF-8 without control characters first, then escaped as the
// format requires (backslash, double quote, line feed). The per-access-point series are bounded:
// only the kMaxAccessPointSeries strongest are written, so a beacon flood cannot multiply the
// number of series a Prometheus server has to keep.
//
// Threads: formatMetrics and escapeLabelValue are pure. MetricsCollector belongs to one thread
// (nolvo-log's main loop); it takes the model's locks itself, so the caller must hold none.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accessory/LinkHealth.h"
#include "model/AccessPoint.h"

namespace nolvo {

class DataModel;

struct MetricsAccessPoint {
    std::string bssid;     // "aa:bb:cc:dd:ee:ff"
    std::string ssid;      // safe text (AccessPoint::ssidDisplayText), not yet label-escaped
    int channel = 0;
    int band = 0;          // 0 2.4 GHz, 1 5 GHz
    float signalDbm = 0.0f;
};

// One band's sweeps over the interval since the previous snapshot.
struct MetricsBand {
    std::uint64_t sweepsTotal = 0;      // sweeps stored since the program started
    int sweepsInInterval = 0;           // 0: no level figures for this interval
    double noiseFloorDbm = 0.0;         // mean over the interval's sweeps of each sweep's median bin
    double strongestDbm = 0.0;          // highest bin of any sweep in the interval
    int accessPoints = 0;               // access points of this band in the list
};

struct MetricsSnapshot {
    static constexpr std::size_t kMaxAccessPointSeries = 256;

    bool accessoryAttached = false;
    bool demoPlayback = false;          // the figures come from the demo recordings
    bool powerMode = false;
    bool logWriting = false;            // a CSV log is open and being written
    std::array<MetricsBand, 2> bands{};
    // 2.4 GHz channels 1..14 as the utilization table's pass computes them (percent of the
    // channel's reference level; may exceed 100), after the first full pass (empty before).
    std::vector<float> channelUtilizationPercent;
    std::vector<int> channelAccessPoints;
    // The strongest first, at most kMaxAccessPointSeries.
    std::vector<MetricsAccessPoint> accessPoints;
    std::size_t accessPointsNotExported = 0; // heard but beyond the series limit
    LinkHealthCounters health;
    std::optional<float> averagePowerDbm; // power mode: mean of the newest trace, dBm
};

// A label value escaped for the exposition format: '\' -> "\\", '"' -> "\"", line feed -> "\n".
std::string escapeLabelValue(std::string_view text);

// "aa:bb:cc:dd:ee:ff".
std::string bssidText(const Bssid& bssid);

// The whole exposition text: HELP and TYPE lines for every family written, then its samples.
std::string formatMetrics(const MetricsSnapshot& snapshot);

// Replaces `path` with `text` atomically: writes a temporary file in the same directory, flushes
// it to the disk, and renames it over `path`, so a reader sees the old file or the new one, never
// a part. On failure the old file stays, the temporary is removed, and `error` says why.
bool replaceFileAtomically(const std::string& path, const std::string& text, std::string& error);

// Takes snapshots of a running model.
class MetricsCollector {
public:
    explicit MetricsCollector(DataModel& model) : m_model(model) {}

    // Reads the model under its locks. The band level figures cover the sweeps stored since the
    // previous call (the newest ones the history still holds). Access points not heard for the
    // list's age limit are dropped from the model's list first, as the window does.
    // With `repeatLevels`, a band without new sweeps repeats the figures of the previous interval
    // (for the last write at the end, which follows the previous one closely).
    MetricsSnapshot collect(const LinkHealthCounters& health, bool demoPlayback, bool logWriting,
                            bool repeatLevels = false);

private:
    DataModel& m_model;
    std::array<std::uint64_t, 2> m_sweepsSeen{0, 0};
    std::array<MetricsBand, 2> m_lastLevels{};
    std::vector<float> m_scratch;
};

} // namespace nolvo
