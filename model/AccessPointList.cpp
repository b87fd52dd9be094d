#include "model/AccessPointList.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace nolvo {

namespace {

// NaN would break the strict ordering the sort relies on: it sorts as the lowest value.
float orderKey(float value) { return std::isnan(value) ? -std::numeric_limits<float>::infinity() : value; }

int foldCase(std::uint8_t byte)
{
    const std::uint8_t folded = (byte >= 'A' && byte <= 'Z') ? static_cast<std::uint8_t>(byte + ('a' - 'A')) : byte;
    // The SSID order compares each byte as a signed byte, so bytes 0x80..0xFF sort before ASCII.
    return static_cast<std::int8_t>(folded);
}

// <0, 0, >0 like strcmp: folded bytes over the shorter length, then the shorter SSID first.
int compareSsid(const AccessPoint& a, const AccessPoint& b)
{
    const int sizeA = a.ssidSize();
    const int sizeB = b.ssidSize();
    const int common = std::min(sizeA, sizeB);
    for (int i = 0; i < common; ++i) {
        const int byteA = foldCase(a.ssid[i]);
        const int byteB = foldCase(b.ssid[i]);
        if (byteA != byteB) {
            return byteA < byteB ? -1 : 1;
        }
    }
    return sizeA == sizeB ? 0 : (sizeA < sizeB ? -1 : 1);
}

int compareBssid(const AccessPoint& a, const AccessPoint& b)
{
    // std::array compares its unsigned bytes lexicographically: first byte most significant.
    return a.bssid < b.bssid ? -1 : (b.bssid < a.bssid ? 1 : 0);
}

template <typename T>
int compareValues(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Three-way comparison under one criterion; 0 for an unknown criterion.
int compareBy(const AccessPoint& a, const AccessPoint& b, std::uint8_t criterion)
{
    switch (criterion) {
    case 1: return compareBssid(a, b);
    case 2: return compareSsid(a, b);
    case 3: return compareValues(orderKey(a.rssi), orderKey(b.rssi));
    case 4:
    case 6: return compareValues(a.channel, b.channel);
    case 5: return a.modeText().compare(b.modeText());
    case 7: return compareValues(a.timesSeen, b.timesSeen);
    case 8: return compareValues(a.securityRank(), b.securityRank());
    case 9: return compareValues(orderKey(a.utilization), orderKey(b.utilization));
    case 10:
    case 11: return compareValues(orderKey(a.grade), orderKey(b.grade));
    default: return 0;
    }
}

constexpr std::uint8_t kLastCriterion = 11;

} // namespace

AccessPointList::AccessPointList() : m_random(&std::rand) {}

void AccessPointList::setRandomSource(RandomSource source)
{
    m_random = source ? source : &std::rand;
}

void AccessPointList::drawColour(AccessPoint& record)
{
    // Redraw until the marker is bright enough to see on the dark plot.
    int red = 0;
    int green = 0;
    int blue = 0;
    do {
        red = m_random() & 0xFF;
        green = m_random() & 0xFF;
        blue = m_random() & 0xFF;
    } while (red + green + blue < kMinColourSum);
    record.color[0] = static_cast<std::uint8_t>(red);
    record.color[1] = static_cast<std::uint8_t>(green);
    record.color[2] = static_cast<std::uint8_t>(blue);
    record.color[3] = 255;
}

void AccessPointList::startTracking(AccessPoint& record, std::uint64_t nowMs, const WindowBottoms& bottoms)
{
    record.lastSeen = nowMs;
    record.timesSeen = 1;
    // A band other than 0 and 1 animates from the 2.4 GHz window like band 0.
    const float bottom = record.band == 1 ? bottoms.band5 : bottoms.band24;
    record.displayFrom = bottom;
    record.displayLevel = bottom;
    record.displayTo = record.rssi;
    drawColour(record);
}

void AccessPointList::adopt(AccessPointPtr record)
{
    if (m_entries.size() < kMaxEntries) {
        m_entries.push_back(std::move(record));
        return;
    }
    // Full: the newcomer takes the place of the entry seen longest ago.
    auto oldest = std::min_element(m_entries.begin(), m_entries.end(),
                                   [](const AccessPointPtr& a, const AccessPointPtr& b) { return a->lastSeen < b->lastSeen; });
    *oldest = std::move(record);
}

void AccessPointList::merge(AccessPointBatch& batch, std::uint64_t nowMs, const WindowBottoms& bottoms)
{
    const bool firstBatch = m_entries.empty();
    for (AccessPointPtr& record : batch) {
        if (!record) {
            continue;
        }
        const std::ptrdiff_t index = firstBatch ? -1 : find(record->bssid);
        if (index < 0) {
            startTracking(*record, nowMs, bottoms);
            adopt(std::move(record));
            continue;
        }
        AccessPoint& entry = *m_entries[static_cast<std::size_t>(index)];
        record->lastSeen = nowMs;
        record->timesSeen = entry.timesSeen + 1;
        if (record->timesSeen > kMaxTimesSeen) {
            record->timesSeen = kTimesSeenAfterWrap;
        }
        // Continue the overlay animation from where it is now, towards the new level.
        record->displayFrom = entry.displayLevel;
        record->displayLevel = entry.displayLevel;
        record->displayTo = record->rssi;
        std::copy(std::begin(entry.color), std::end(entry.color), std::begin(record->color));
        entry = std::move(*record);
        record.reset();
    }
    batch.clear();
}

bool AccessPointList::sortsBefore(const AccessPoint& a, const AccessPoint& b, std::uint8_t criterion, bool descending)
{
    const int order = compareBy(a, b, criterion);
    return descending ? order > 0 : order < 0;
}

void AccessPointList::sort(std::uint8_t criterion, bool descending)
{
    if (criterion == 0 || criterion > kLastCriterion || m_entries.empty()) {
        return;
    }
    // Introsort: equal records end up in no particular order, which the tables accept.
    std::sort(m_entries.begin(), m_entries.end(), [criterion, descending](const AccessPointPtr& a, const AccessPointPtr& b) {
        return sortsBefore(*a, *b, criterion, descending);
    });
}

std::size_t AccessPointList::removeStale(std::uint64_t nowMs)
{
    const auto stale = [nowMs](const AccessPointPtr& entry) {
        // An entry stamped in the future (clock source changed) is not stale.
        return entry->lastSeen <= nowMs && nowMs - entry->lastSeen >= kAgeLimitMs;
    };
    const auto removed = std::erase_if(m_entries, stale);
    return static_cast<std::size_t>(removed);
}

std::ptrdiff_t AccessPointList::find(const Bssid& bssid) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i]->sameBssid(bssid)) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

} // namespace nolvo
