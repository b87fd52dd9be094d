#pragma once
// The utilization pass: grades every 2.4 GHz access point from 0 to 100 from its signal, the
// energy in its own span and the interference of its neighbours, proposes a better channel for
// the access points selected for optimization, and measures the utilization of channels 1 to 14.
//
// The pass reads the 100 most recent 2.4 GHz sweeps and writes the analysis fields of the
// access points and the UtilizationStats block. Callers hold dataLock and accessPointLock (the
// DataModel's wrappers document who takes what). Nothing the pass stores is ever NaN or infinite:
// a level equal to the floor, whose ratio the formulas leave undefined, counts as 0.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/AccessPoint.h"
#include "model/AccessPointList.h"
#include "model/SweepHistory.h"

namespace nolvo {

// The block of per-channel figures that is reset as a whole: at the start of each full pass, by
// the tables' "CLEAR TABLE" and when the access-point table closes. Guarded by accessPointLock;
// `updated` is also polled without it.
struct UtilizationStats {
    std::array<float, AccessPoint::kChannelCount24> channelUtilization{};    // channels 1..14, percent
    std::array<std::uint16_t, AccessPoint::kChannelCount24> channelCount{}; // channels 1..14
    std::uint8_t passCounter = 0;
    std::atomic<bool> updated{false};

    void reset();
};

// The access points the user selected for optimization: 20 slots of hardware addresses, an
// all-zero slot being free. Guarded by accessPointLock.
class OptimizationSelection {
public:
    static constexpr int kSlots = 20;

    // Puts the address into the first free slot; false for an all-zero address or when every
    // slot is taken. Adding an address that is already selected takes a second slot.
    bool add(const Bssid& bssid);
    // Frees the first slot holding the address; false for an all-zero address or when not found.
    bool remove(const Bssid& bssid);
    bool contains(const Bssid& bssid) const;
    int count() const;
    const Bssid& slot(int index) const { return m_slots[static_cast<std::size_t>(index)]; }
    void clear() { m_slots = {}; }

private:
    std::array<Bssid, kSlots> m_slots{};
};

class Utilization {
public:
    static constexpr std::size_t kSweepsUsed = 100;
    static constexpr std::uint8_t kPassPeriod = 100;
    static constexpr float kNoScore = -10000.0f;

    // What the pass reads besides the list: the 2.4 GHz sweep history, the amplitude floor of the
    // display (dBm) and the raw values per 2.4 GHz sweep of the identified accessory.
    struct Inputs {
        const SweepHistory& sweeps;
        float floor;
        std::uint32_t raw24;
    };

    Utilization(AccessPointList& list, const OptimizationSelection& selection, UtilizationStats& stats, const Inputs& inputs);

    // One call of the pass with its gating: below 100 stored sweeps, or when not forced and the
    // pass counter is below 100, only the counter advances. Otherwise the full pass runs. Sets
    // the updated flag either way; returns whether the full pass ran.
    bool run(bool force);

    // Resets the statistics and every access point's analysis, then grades the access points,
    // makes suggestions for the selected ones and measures the channel utilization.
    void fullPass();

    // The grade the access point would get on `channel` (what a suggestion is chosen by);
    // kNoScore when it is missing or not in the 2.4 GHz band, the list is empty or at most 100
    // sweeps are stored.
    float candidateScore(const AccessPoint* candidate, int channel);

    // The grade formula, limited to 0..100.
    static float gradeOf(float signal, float utilization, float adjacentInterference, float coChannelInterference);
    // "A" (>= 90), "B" (>= 80), "C" (>= 70), "D" (>= 60) or "F".
    static const char* gradeLetter(float grade);
    // The grade shown in the table: the stored grade when it lies in 0..100, else 0.
    static float shownGrade(float grade);
    // The weight a channel's score gets when suggestions are compared: 1 for channels 1, 6 and 11,
    // 0.75 for every other channel.
    static float channelWeight(int channel);

private:
    void prepare();
    bool isSelected(std::size_t index) const { return m_selected[index] != 0; }
    float levelAboveFloor(const AccessPoint& ap) const { return ap.rssi - m_inputs.floor; }
    // Sum of the per-bin energy over bins [lo, hi) scaled as percent of `level` per bin.
    float spanUtilization(int lo, int hi, float level) const;
    float ownUtilization(const AccessPoint& ap) const;
    void countChannels(const AccessPoint& ap);
    void addPairTerms(std::size_t index);
    void suggestChannel(AccessPoint& ap);
    void measureChannels();

    AccessPointList& m_list;
    const OptimizationSelection& m_selection;
    UtilizationStats& m_stats;
    Inputs m_inputs;
    bool m_prepared = false;
    std::size_t m_sweepCount = 0;            // sweeps read (the newest, at most 100)
    std::vector<std::uint8_t> m_selected;    // per list entry
    std::vector<double> m_energy;            // per bin: sum over the sweeps of (amplitude - floor)
    std::vector<float> m_highest;            // per bin: highest amplitude over the sweeps
    std::vector<float> m_lowest;             // per bin: lowest amplitude over the sweeps
};

} // namespace nolvo
