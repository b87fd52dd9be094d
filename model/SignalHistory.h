#pragma once
// The signal of every access point over the last ten minutes, one value per scan, for the signal
// history view, the details popover (min / max / first heard) and the history CSV export.
//
// Memory is bounded: at most kMaxTracks access points and kSamplesPerTrack samples each (scans
// closer than kMinSpacingMs replace the newest sample rather than add one, so the ring always
// covers the ten minutes). A sample is 8 bytes, so the samples of a full history take
// 2,048 x 600 x 8 B = 9.8 MB at most; memoryBytes() reports what is allocated.
//
// Not thread-safe: the DataModel's copy is recorded by the access-point scan (link or worker
// thread) and read by the render thread, both under accessPointLock.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/AccessPoint.h"
#include "model/AccessPointFilter.h"

namespace nolvo {

class SignalHistory {
public:
    static constexpr std::uint64_t kWindowMs = 10 * 60 * 1000;
    static constexpr std::size_t kMaxTracks = 2048;
    static constexpr std::uint64_t kMinSpacingMs = 1000;
    static constexpr std::size_t kSamplesPerTrack = kWindowMs / kMinSpacingMs;

    // One value as read back: steady-clock ms, dBm, channel.
    struct Point {
        std::uint64_t timeMs = 0;
        float dBm = 0.0f;
        int channel = 0;
    };

    // What is known of one access point.
    struct Track {
        Bssid bssid{};
        std::string ssid;            // display text as last heard
        int band = 0;
        int channel = 0;             // as last heard
        int security = 0;            // as last heard
        bool hidden = false;         // the SSID is empty or zero bytes
        std::uint64_t firstHeardMs = 0;
        std::uint64_t lastHeardMs = 0;
        float minDbm = 0.0f;         // since first heard (also beyond the window)
        float maxDbm = 0.0f;
        float lastDbm = 0.0f;
    };

    // Records one access point heard at `nowMs` (steady ms, never decreasing between calls).
    void record(const AccessPoint& ap, std::uint64_t nowMs);
    // Drops samples older than the window before `nowMs` and tracks left with none.
    void prune(std::uint64_t nowMs);
    void clear();

    std::size_t trackCount() const { return m_entries.size(); }
    // Changes whenever a record, prune or clear changed what the history holds.
    std::uint64_t revision() const { return m_revision; }
    const Track* track(const Bssid& bssid) const;
    // The track's samples within the window before `nowMs`, oldest first (appended to `out`,
    // which is cleared first).
    void series(const Bssid& bssid, std::uint64_t nowMs, std::vector<Point>& out) const;
    // Every track (unordered).
    std::vector<const Track*> tracks() const;

    // A copy of one track and its samples in the window, for work done without the lock.
    struct Series {
        Track track;
        std::vector<Point> points;
    };
    // The series of every track the filter passes (judged by what was last heard), strongest
    // last level first.
    std::vector<Series> copySeries(const AccessPointFilter& filter, std::uint64_t nowMs) const;
    // Bytes held by the samples and the track records.
    std::size_t memoryBytes() const;

private:
    // 8 bytes: deciseconds since m_epochMs (13 years before it wraps), centi-dBm, channel.
    struct Sample {
        std::uint32_t ticks;
        std::int16_t centiDbm;
        std::uint16_t channel;
    };
    struct Entry {
        Track track;
        std::vector<Sample> ring; // grows to kSamplesPerTrack, then wraps at `head`
        std::size_t head = 0;     // index of the oldest sample once the ring is full
    };

    static std::uint64_t key(const Bssid& bssid);
    Entry* entryFor(const AccessPoint& ap, std::uint64_t nowMs);
    void evictOldest();
    void append(Entry& entry, std::uint64_t nowMs, float dBm, int channel);
    std::uint64_t timeOf(const Sample& s) const { return m_epochMs + std::uint64_t{s.ticks} * 100; }

    std::vector<Entry> m_entries;
    std::unordered_map<std::uint64_t, std::size_t> m_index; // BSSID -> entry
    std::uint64_t m_epochMs = 0;
    bool m_hasEpoch = false;
    std::uint64_t m_revision = 0;
};

} // namespace nolvo
