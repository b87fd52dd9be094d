#include "model/SignalHistory.h"

#include <algorithm>
#include <cmath>

namespace nolvo {

namespace {

std::int16_t toCentiDbm(float dBm)
{
    if (!std::isfinite(dBm)) {
        return dBm > 0 ? 0 : -32768;
    }
    const float clamped = std::clamp(dBm, -327.0f, 327.0f);
    return static_cast<std::int16_t>(std::lround(clamped * 100.0f));
}

} // namespace

std::uint64_t SignalHistory::key(const Bssid& bssid)
{
    std::uint64_t k = 0;
    for (std::uint8_t byte : bssid) {
        k = (k << 8) | byte;
    }
    return k;
}

const SignalHistory::Track* SignalHistory::track(const Bssid& bssid) const
{
    const auto it = m_index.find(key(bssid));
    return it == m_index.end() ? nullptr : &m_entries[it->second].track;
}

void SignalHistory::evictOldest()
{
    const auto oldest = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
        return a.track.lastHeardMs < b.track.lastHeardMs;
    });
    const std::size_t at = static_cast<std::size_t>(oldest - m_entries.begin());
    m_index.erase(key(oldest->track.bssid));
    if (at + 1 != m_entries.size()) {
        m_entries[at] = std::move(m_entries.back());
        m_index[key(m_entries[at].track.bssid)] = at;
    }
    m_entries.pop_back();
}

SignalHistory::Entry* SignalHistory::entryFor(const AccessPoint& ap, std::uint64_t nowMs)
{
    const std::uint64_t k = key(ap.bssid);
    if (const auto it = m_index.find(k); it != m_index.end()) {
        return &m_entries[it->second];
    }
    if (m_entries.size() >= kMaxTracks) {
        prune(nowMs);
        if (m_entries.size() >= kMaxTracks) {
            evictOldest();
        }
    }
    Entry entry;
    entry.track.bssid = ap.bssid;
    entry.track.firstHeardMs = nowMs;
    entry.track.minDbm = ap.rssi;
    entry.track.maxDbm = ap.rssi;
    m_index[k] = m_entries.size();
    m_entries.push_back(std::move(entry));
    return &m_entries.back();
}

void SignalHistory::append(Entry& entry, std::uint64_t nowMs, float dBm, int channel)
{
    const Sample sample{static_cast<std::uint32_t>((nowMs - m_epochMs) / 100), toCentiDbm(dBm),
                        static_cast<std::uint16_t>(std::clamp(channel, 0, 65535))};
    std::vector<Sample>& ring = entry.ring;
    if (!ring.empty()) {
        const std::size_t newest = (entry.head + ring.size() - 1) % ring.size();
        if (nowMs < timeOf(ring[newest]) + kMinSpacingMs) {
            ring[newest] = sample; // scans this close count as one
            return;
        }
    }
    if (ring.size() < kSamplesPerTrack) {
        if (ring.size() == ring.capacity()) {
            // Grow in steps but never past the bound, so a full ring holds exactly its samples.
            ring.reserve(std::min(kSamplesPerTrack, std::max<std::size_t>(16, ring.capacity() * 2)));
        }
        ring.push_back(sample); // head stays 0 until the ring is full
        return;
    }
    ring[entry.head] = sample;
    entry.head = (entry.head + 1) % ring.size();
}

void SignalHistory::record(const AccessPoint& ap, std::uint64_t nowMs)
{
    if (!m_hasEpoch) {
        m_epochMs = nowMs;
        m_hasEpoch = true;
    }
    if (nowMs < m_epochMs) {
        nowMs = m_epochMs; // a clock that stepped back must not wrap the tick count
    }
    ++m_revision;
    Entry* entry = entryFor(ap, nowMs);
    Track& t = entry->track;
    t.ssid = ap.ssidDisplayText();
    t.band = ap.band;
    t.channel = ap.channel;
    t.security = ap.security;
    t.hidden = AccessPointFilter::isHiddenSsid(ap.ssidBytes());
    t.lastHeardMs = nowMs;
    t.lastDbm = ap.rssi;
    if (std::isfinite(ap.rssi)) {
        t.minDbm = std::isfinite(t.minDbm) ? std::min(t.minDbm, ap.rssi) : ap.rssi;
        t.maxDbm = std::isfinite(t.maxDbm) ? std::max(t.maxDbm, ap.rssi) : ap.rssi;
    }
    append(*entry, nowMs, ap.rssi, ap.channel);
}

void SignalHistory::prune(std::uint64_t nowMs)
{
    const std::uint64_t oldest = nowMs > kWindowMs ? nowMs - kWindowMs : 0;
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        if (m_entries[i].track.lastHeardMs >= oldest) {
            continue;
        }
        ++m_revision;
        m_index.erase(key(m_entries[i].track.bssid));
        if (i + 1 != m_entries.size()) {
            m_entries[i] = std::move(m_entries.back());
            m_index[key(m_entries[i].track.bssid)] = i;
        }
        m_entries.pop_back();
    }
}

void SignalHistory::clear()
{
    m_entries.clear();
    m_index.clear();
    m_hasEpoch = false;
    ++m_revision;
}

void SignalHistory::series(const Bssid& bssid, std::uint64_t nowMs, std::vector<Point>& out) const
{
    out.clear();
    const auto it = m_index.find(key(bssid));
    if (it == m_index.end()) {
        return;
    }
    const Entry& entry = m_entries[it->second];
    const std::uint64_t oldest = nowMs > kWindowMs ? nowMs - kWindowMs : 0;
    out.reserve(entry.ring.size());
    for (std::size_t i = 0; i < entry.ring.size(); ++i) {
        const Sample& s = entry.ring[(entry.head + i) % entry.ring.size()];
        const std::uint64_t time = timeOf(s);
        if (time >= oldest && time <= nowMs) {
            out.push_back({time, s.centiDbm / 100.0f, s.channel});
        }
    }
}

std::vector<const SignalHistory::Track*> SignalHistory::tracks() const
{
    std::vector<const Track*> all;
    all.reserve(m_entries.size());
    for (const Entry& entry : m_entries) {
        all.push_back(&entry.track);
    }
    return all;
}

std::vector<SignalHistory::Series> SignalHistory::copySeries(const AccessPointFilter& filter, std::uint64_t nowMs) const
{
    std::vector<Series> all;
    for (const Entry& entry : m_entries) {
        const Track& t = entry.track;
        if (!filter.matches(t.ssid, t.hidden, t.band, t.channel, t.security, t.lastDbm)) {
            continue;
        }
        Series series{t, {}};
        this->series(t.bssid, nowMs, series.points);
        if (!series.points.empty()) {
            all.push_back(std::move(series));
        }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Series& a, const Series& b) { return a.track.lastDbm > b.track.lastDbm; });
    return all;
}

std::size_t SignalHistory::memoryBytes() const
{
    std::size_t bytes = m_entries.capacity() * sizeof(Entry);
    for (const Entry& entry : m_entries) {
        bytes += entry.ring.capacity() * sizeof(Sample) + entry.track.ssid.capacity();
    }
    // The index: one node (key, value, next pointer, cached hash) per track plus the bucket array.
    bytes += m_index.size() * (sizeof(std::uint64_t) * 2 + sizeof(std::size_t) + sizeof(void*)) +
             m_index.bucket_count() * sizeof(void*);
    return bytes;
}

} // namespace nolvo
