#include "Metrics.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/PowerMeasurements.h"
#include "model/SharedField.h"

namespace nolvo {

namespace {

const char* const kBandLabel[2] = {"2.4", "5"};

std::string number(double value)
{
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Inf" : "-Inf";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// Writes one metric family: its HELP and TYPE lines, then the samples added to it.
class Family {
public:
    Family(std::string& out, const char* name, const char* type, const char* help) : m_out(out), m_name(name)
    {
        m_out += "# HELP ";
        m_out += name;
        m_out += ' ';
        m_out += help;
        m_out += "\n# TYPE ";
        m_out += name;
        m_out += ' ';
        m_out += type;
        m_out += '\n';
    }
    // `labels` is the text between the braces ("" for none), already escaped.
    void sample(const std::string& labels, const std::string& value)
    {
        m_out += m_name;
        if (!labels.empty()) {
            m_out += '{';
            m_out += labels;
            m_out += '}';
        }
        m_out += ' ';
        m_out += value;
        m_out += '\n';
    }

private:
    std::string& m_out;
    const char* m_name;
};

std::string bandLabel(int band)
{
    return std::string("band=\"") + kBandLabel[band == 1 ? 1 : 0] + "\"";
}

void writeBands(std::string& out, const MetricsSnapshot& s)
{
    Family sweeps(out, "nolvo_sweeps_total", "counter", "Spectrum sweeps received, per band.");
    for (int band = 0; band < 2; ++band) {
        sweeps.sample(bandLabel(band), std::to_string(s.bands[band].sweepsTotal));
    }
    Family floor(out, "nolvo_noise_floor_dbm", "gauge",
                 "Noise floor over the last interval: mean of each sweep's median bin level, in dBm.");
    for (int band = 0; band < 2; ++band) {
        if (s.bands[band].sweepsInInterval > 0) {
            floor.sample(bandLabel(band), number(s.bands[band].noiseFloorDbm));
        }
    }
    Family strongest(out, "nolvo_strongest_level_dbm", "gauge",
                     "Highest bin level of any sweep in the last interval, in dBm.");
    for (int band = 0; band < 2; ++band) {
        if (s.bands[band].sweepsInInterval > 0) {
            strongest.sample(bandLabel(band), number(s.bands[band].strongestDbm));
        }
    }
    Family heard(out, "nolvo_access_points", "gauge", "Access points heard in the last 180 seconds, per band.");
    for (int band = 0; band < 2; ++band) {
        heard.sample(bandLabel(band), std::to_string(s.bands[band].accessPoints));
    }
}

void writeChannels(std::string& out, const MetricsSnapshot& s)
{
    if (s.channelUtilizationPercent.empty()) {
        return;
    }
    Family utilization(out, "nolvo_channel_utilization_ratio", "gauge",
                       "2.4 GHz channel utilization as the utilization table shows it, divided by 100: the "
                       "highest level above the floor over the last 100 sweeps relative to the channel's strongest "
                       "access point, averaged over the channel's span (above 1 when other signals are stronger).");
    for (std::size_t i = 0; i < s.channelUtilizationPercent.size(); ++i) {
        utilization.sample("band=\"2.4\",channel=\"" + std::to_string(i + 1) + "\"",
                           number(s.channelUtilizationPercent[i] / 100.0));
    }
    Family count(out, "nolvo_channel_access_points", "gauge", "Access points whose span covers the 2.4 GHz channel.");
    for (std::size_t i = 0; i < s.channelAccessPoints.size(); ++i) {
        count.sample("band=\"2.4\",channel=\"" + std::to_string(i + 1) + "\"", std::to_string(s.channelAccessPoints[i]));
    }
}

void writeAccessPoints(std::string& out, const MetricsSnapshot& s)
{
    Family signal(out, "nolvo_access_point_signal_dbm", "gauge",
                  "Signal of an access point as last reported, in dBm (the 256 strongest only).");
    const std::size_t count = std::min(s.accessPoints.size(), MetricsSnapshot::kMaxAccessPointSeries);
    for (std::size_t i = 0; i < count; ++i) {
        const MetricsAccessPoint& ap = s.accessPoints[i];
        signal.sample("bssid=\"" + escapeLabelValue(ap.bssid) + "\",ssid=\"" + escapeLabelValue(ap.ssid) +
                          "\",channel=\"" + std::to_string(ap.channel) + "\"," + bandLabel(ap.band),
                      number(ap.signalDbm));
    }
    Family left(out, "nolvo_access_points_not_exported", "gauge",
                "Access points heard but left out of nolvo_access_point_signal_dbm by the series limit.");
    left.sample("", std::to_string(s.accessPointsNotExported + (s.accessPoints.size() - count)));
}

void writeHealth(std::string& out, const MetricsSnapshot& s)
{
    const struct {
        const char* name;
        const char* help;
        std::uint64_t value;
    } counters[] = {
        {"nolvo_link_frames_total", "Frames the parser cut from the accessory's stream.", s.health.frames},
        {"nolvo_link_bytes_total", "Bytes read from the accessory.", s.health.bytes},
        {"nolvo_link_bad_checksums_total", "Access-point records whose checksum failed.", s.health.badChecksums},
        {"nolvo_link_resyncs_total", "Runs of bytes skipped to find the next frame start.", s.health.resyncs},
        {"nolvo_link_dropped_partial_frames_total", "Frames begun but thrown away unfinished.",
         s.health.droppedPartialFrames},
        {"nolvo_link_timeouts_total", "Silences of the streaming accessory longer than the limit.", s.health.timeouts},
        {"nolvo_link_reconnects_total", "Connections to an accessory after the first one.", s.health.reconnects},
    };
    for (const auto& counter : counters) {
        Family(out, counter.name, "counter", counter.help).sample("", std::to_string(counter.value));
    }
}

} // namespace

std::string escapeLabelValue(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '"') {
            escaped += "\\\"";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string bssidText(const Bssid& bssid)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", bssid[0], bssid[1], bssid[2], bssid[3],
                  bssid[4], bssid[5]);
    return text;
}

std::string formatMetrics(const MetricsSnapshot& s)
{
    std::string out;
    out.reserve(4096 + s.accessPoints.size() * 120);
    Family(out, "nolvo_accessory_attached", "gauge", "1 while an accessory is attached and open, else 0.")
        .sample("", s.accessoryAttached ? "1" : "0");
    Family(out, "nolvo_demo_playback", "gauge", "1 while the figures come from the demo recordings, else 0.")
        .sample("", s.demoPlayback ? "1" : "0");
    Family(out, "nolvo_log_writing", "gauge", "1 while a CSV data log is open and being written, else 0.")
        .sample("", s.logWriting ? "1" : "0");
    if (s.powerMode) {
        Family power(out, "nolvo_power_average_dbm", "gauge", "Mean level of the newest power trace, in dBm.");
        if (s.averagePowerDbm && std::isfinite(*s.averagePowerDbm)) {
            power.sample("", number(*s.averagePowerDbm));
        }
    } else {
        writeBands(out, s);
        writeChannels(out, s);
        writeAccessPoints(out, s);
    }
    writeHealth(out, s);
    return out;
}

bool replaceFileAtomically(const std::string& path, const std::string& text, std::string& error)
{
    const auto slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // node_exporter reads only "*.prom": a temporary with another ending is never half-read.
    std::string temporary = directory + "/." + name + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot create a temporary file in " + directory + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    const int writeErrno = errno;
    const bool written = done == text.size() && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const int syncErrno = errno;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int reason = !written ? (done == text.size() ? syncErrno : writeErrno) : errno;
        ::unlink(temporary.c_str());
        error = "cannot write " + path + ": " + std::strerror(reason);
        return false;
    }
    return true;
}

MetricsSnapshot MetricsCollector::collect(const LinkHealthCounters& health, bool demoPlayback, bool logWriting,
                                          bool repeatLevels)
{
    MetricsSnapshot s;
    s.accessoryAttached = m_model.accessoryConnected.load();
    s.demoPlayback = demoPlayback;
    s.logWriting = logWriting;
    s.powerMode = loadShared(m_model.common.spectrumModeActive) == 0;
    s.health = health;
    ModelLock lock(m_model, kDataLock | kAccessPointLock);
    if (s.powerMode) {
        s.averagePowerDbm = m_model.powerStore.measurements[static_cast<std::size_t>(PowerMeasurementId::Mean)];
    }
    for (int band = 0; band < 2; ++band) {
        const BandStore& store = m_model.bandStore(band);
        MetricsBand& out = s.bands[static_cast<std::size_t>(band)];
        out.sweepsTotal = store.sweepsStored;
        const std::uint64_t fresh = store.sweepsStored - std::min(store.sweepsStored, m_sweepsSeen[band]);
        m_sweepsSeen[band] = store.sweepsStored;
        const std::size_t count = std::min<std::size_t>(fresh, store.history.size());
        const std::size_t bins = static_cast<std::size_t>(store.usableBinCount());
        double floorSum = 0.0;
        double strongest = -INFINITY;
        for (std::size_t i = store.history.size() - count; i < store.history.size(); ++i) {
            const float* sweep = store.history.entry(i);
            m_scratch.assign(sweep, sweep + bins);
            const auto middle = m_scratch.begin() + static_cast<std::ptrdiff_t>(bins / 2);
            std::nth_element(m_scratch.begin(), middle, m_scratch.end());
            floorSum += *middle;
            strongest = std::max<double>(strongest, *std::max_element(sweep, sweep + bins));
        }
        out.sweepsInInterval = static_cast<int>(count);
        if (count > 0) {
            out.noiseFloorDbm = floorSum / static_cast<double>(count);
            out.strongestDbm = strongest;
            m_lastLevels[static_cast<std::size_t>(band)] = out;
        } else if (repeatLevels) {
            const MetricsBand& last = m_lastLevels[static_cast<std::size_t>(band)];
            out.sweepsInInterval = last.sweepsInInterval;
            out.noiseFloorDbm = last.noiseFloorDbm;
            out.strongestDbm = last.strongestDbm;
        }
    }
    if (m_model.ageAccessPoints() > 0) {
        m_model.accessPointListChanged[0] = true;
        m_model.accessPointListChanged[1] = true;
    }
    // The channel figures mean something once a scan was merged over enough sweeps for a full pass.
    if (m_model.totalScanCount.load() > 0 && m_model.band24.history.size() >= Utilization::kSweepsUsed) {
        const UtilizationStats& stats = m_model.utilizationStats;
        s.channelUtilizationPercent.assign(stats.channelUtilization.begin(), stats.channelUtilization.end());
        s.channelAccessPoints.assign(stats.channelCount.begin(), stats.channelCount.end());
    }
    std::vector<const AccessPoint*> heard;
    heard.reserve(m_model.accessPoints.size());
    for (const auto& entry : m_model.accessPoints) {
        heard.push_back(entry.get());
        ++s.bands[entry->band == 1 ? 1 : 0].accessPoints;
    }
    const std::size_t kept = std::min(heard.size(), MetricsSnapshot::kMaxAccessPointSeries);
    // Strongest first; equal signals by address, so the set kept does not flicker between writes.
    std::partial_sort(heard.begin(), heard.begin() + static_cast<std::ptrdiff_t>(kept), heard.end(),
                      [](const AccessPoint* a, const AccessPoint* b) {
                          // A level that is not a number sorts last (it must not break the order).
                          const float la = std::isnan(a->rssi) ? -INFINITY : a->rssi;
                          const float lb = std::isnan(b->rssi) ? -INFINITY : b->rssi;
                          return la != lb ? la > lb : a->bssid < b->bssid;
                      });
    for (std::size_t i = 0; i < kept; ++i) {
        const AccessPoint& ap = *heard[i];
        s.accessPoints.push_back({bssidText(ap.bssid), ap.ssidDisplayText(), ap.channel, ap.band == 1 ? 1 : 0, ap.rssi});
    }
    s.accessPointsNotExported = heard.size() - kept;
    return s;
}

} // namespace nolvo
