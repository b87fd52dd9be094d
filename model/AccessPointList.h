#pragma once
// The list of access points the accessory has reported, across both bands: merged by hardware
// address scan after scan, sorted for the tables and aged out by the main scene.
//
// Owns its records. Not thread-safe: the DataModel's copy is guarded by accessPointLock, and
// pointers or references to entries must not be kept across a release of that lock (a merge
// replaces entries, ageing removes them).
//
// The list holds at most kMaxEntries records so that a flood of beacons cannot grow memory and
// drawing cost without bound: a new access point that arrives while the list is full replaces the
// entry seen longest ago.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/AccessPoint.h"

namespace nolvo {

using AccessPointPtr = std::unique_ptr<AccessPoint>;
using AccessPointBatch = std::vector<AccessPointPtr>;

class AccessPointList {
public:
    static constexpr std::size_t kMaxEntries = 2048;
    static constexpr std::uint32_t kMaxTimesSeen = 9999;
    static constexpr std::uint32_t kTimesSeenAfterWrap = 99;
    static constexpr std::uint64_t kAgeLimitMs = 180000;
    static constexpr int kMinColourSum = 240;

    // One pseudo-random value per call; its low byte is used. The standard generator by default.
    using RandomSource = int (*)();

    // The amplitude-window bottoms (dBm) new entries start their overlay animation from.
    struct WindowBottoms {
        float band24 = -90.0f;
        float band5 = -90.0f;
    };

    AccessPointList();

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    AccessPoint& operator[](std::size_t index) { return *m_entries[index]; }
    const AccessPoint& operator[](std::size_t index) const { return *m_entries[index]; }
    auto begin() { return m_entries.begin(); }
    auto end() { return m_entries.end(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

    // Merges one decoded scan into the list; the batch's records are taken over (the batch is
    // left empty; null pointers in it are skipped). `nowMs` is the steady clock in ms.
    // Into an empty list the batch is appended as it is, its records not compared with each
    // other. Otherwise each record updates the entry with its BSSID (keeping that entry's colour
    // and continuing its overlay animation from the level shown) or is appended as a new entry.
    void merge(AccessPointBatch& batch, std::uint64_t nowMs, const WindowBottoms& bottoms);

    // Sorts by an SSIDSortCriteria value (1..11); 0, values above 11 and an empty list leave the
    // order unchanged. Equal records keep no particular order.
    void sort(std::uint8_t criterion, bool descending);

    // Whether `a` sorts before `b` by the criterion; a strict weak ordering in both directions.
    // False for every pair when the criterion is outside 1..11.
    static bool sortsBefore(const AccessPoint& a, const AccessPoint& b, std::uint8_t criterion, bool descending);

    // Removes every entry whose lastSeen is 180 s or more before `nowMs`; returns how many.
    std::size_t removeStale(std::uint64_t nowMs);

    // Index of the entry with that BSSID, or -1.
    std::ptrdiff_t find(const Bssid& bssid) const;

    void clear() { m_entries.clear(); }

    // Replaces the generator used for new colours (tests); nullptr restores std::rand.
    void setRandomSource(RandomSource source);

private:
    void startTracking(AccessPoint& record, std::uint64_t nowMs, const WindowBottoms& bottoms);
    void adopt(AccessPointPtr record);
    void drawColour(AccessPoint& record);

    std::vector<AccessPointPtr> m_entries;
    RandomSource m_random;
};

} // namespace nolvo
