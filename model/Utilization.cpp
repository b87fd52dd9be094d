#include "model/Utilization.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nolvo {

namespace {

constexpr int kBaseFrequencyMHz = 2400;
constexpr int kChannels = AccessPoint::kChannelCount24;
constexpr float kOffChannelFactor = 0.75f; // channels other than 1, 6 and 11 are penalised

// NaN-safe clamp: NaN gives the lower bound.
float limit(float value, float low, float high)
{
    if (!(value >= low)) {
        return low;
    }
    return value > high ? high : value;
}

float finiteOrZero(float value) { return std::isfinite(value) ? value : 0.0f; }

// numerator / denominator, 0 when the denominator is 0 (a level exactly at the floor).
float ratio(float numerator, float denominator) { return denominator == 0.0f ? 0.0f : numerator / denominator; }

// How much `other` interferes with `own`, both as levels above the floor: 0 .. 2.
float interferenceTerm(float other, float own) { return limit(2.0f * ratio(other - own, own) + 1.0f, 0.0f, 2.0f); }

int floorDiv(int numerator, int denominator)
{
    const int quotient = numerator / denominator;
    return (numerator % denominator != 0 && numerator < 0) ? quotient - 1 : quotient;
}

int ceilDiv(int numerator, int denominator) { return -floorDiv(-numerator, denominator); }

// Bins of a 256-bin sweep (2.56 bins per MHz) for an offset above 2400 MHz, computed exactly.
int firstBinAt256(int offsetMHz) { return ceilDiv(offsetMHz * 256, 100); }
int lastBinAt256(int offsetMHz) { return floorDiv(offsetMHz * 256, 100); }

bool isPreferredChannel(int channel) { return channel == 1 || channel == 6 || channel == 11; }

// Whether an access point on `otherChannel` (secondary `otherSecondary`, 0 none) shares a channel
// with one on `channel` (secondary `secondary`, 0 none).
bool sharesChannel(int otherChannel, int otherSecondary, int channel, int secondary)
{
    if (otherChannel == channel || (secondary != 0 && otherChannel == secondary)) {
        return true;
    }
    return otherSecondary != 0 && (otherSecondary == channel || (secondary != 0 && otherSecondary == secondary));
}

void bumpCount(UtilizationStats& stats, int channel)
{
    if (channel >= 1 && channel <= kChannels) {
        std::uint16_t& count = stats.channelCount[static_cast<std::size_t>(channel - 1)];
        if (count < std::numeric_limits<std::uint16_t>::max()) {
            ++count;
        }
    }
}

} // namespace

void UtilizationStats::reset()
{
    channelUtilization = {};
    channelCount = {};
    passCounter = 0;
    updated.store(false);
}

bool OptimizationSelection::add(const Bssid& bssid)
{
    if (bssid == Bssid{}) {
        return false;
    }
    for (Bssid& slot : m_slots) {
        if (slot == Bssid{}) {
            slot = bssid;
            return true;
        }
    }
    return false;
}

bool OptimizationSelection::remove(const Bssid& bssid)
{
    if (bssid == Bssid{}) {
        return false;
    }
    for (Bssid& slot : m_slots) {
        if (slot == bssid) {
            slot = Bssid{};
            return true;
        }
    }
    return false;
}

bool OptimizationSelection::contains(const Bssid& bssid) const
{
    return bssid != Bssid{} && std::find(m_slots.begin(), m_slots.end(), bssid) != m_slots.end();
}

int OptimizationSelection::count() const
{
    return static_cast<int>(std::count_if(m_slots.begin(), m_slots.end(), [](const Bssid& slot) { return slot != Bssid{}; }));
}

Utilization::Utilization(AccessPointList& list, const OptimizationSelection& selection, UtilizationStats& stats,
                         const Inputs& inputs)
    : m_list(list), m_selection(selection), m_stats(stats), m_inputs(inputs)
{
}

bool Utilization::run(bool force)
{
    const std::size_t stored = m_inputs.sweeps.size();
    if (stored < kSweepsUsed || (!force && m_stats.passCounter < kPassPeriod)) {
        ++m_stats.passCounter; // an 8-bit counter: wraps while too few sweeps are stored
        m_stats.updated.store(true);
        return false;
    }
    m_stats.passCounter = m_stats.passCounter < kPassPeriod ? static_cast<std::uint8_t>(m_stats.passCounter + 1) : 0;
    fullPass();
    m_stats.updated.store(true);
    return true;
}

void Utilization::prepare()
{
    if (m_prepared) {
        return;
    }
    m_prepared = true;
    m_selected.assign(m_list.size(), 0);
    for (std::size_t i = 0; i < m_list.size(); ++i) {
        m_selected[i] = m_selection.contains(m_list[i].bssid) ? 1 : 0;
    }
    // Per-bin energy, highest and lowest level over the newest sweeps, so that every span and
    // candidate below costs one pass over its bins instead of one over bins x sweeps.
    const auto bins = static_cast<std::size_t>(m_inputs.sweeps.entrySize());
    const std::size_t stored = m_inputs.sweeps.size();
    m_sweepCount = std::min(stored, kSweepsUsed);
    m_energy.assign(bins, 0.0);
    m_highest.assign(bins, m_sweepCount ? -std::numeric_limits<float>::infinity() : m_inputs.floor);
    m_lowest.assign(bins, m_sweepCount ? std::numeric_limits<float>::infinity() : m_inputs.floor);
    for (std::size_t s = stored - m_sweepCount; s < stored; ++s) {
        const float* sweep = m_inputs.sweeps.entry(s);
        for (std::size_t b = 0; b < bins; ++b) {
            if (std::isnan(sweep[b])) {
                continue; // a sample without a level adds no energy
            }
            m_energy[b] += static_cast<double>(sweep[b]) - m_inputs.floor;
            m_highest[b] = std::max(m_highest[b], sweep[b]);
            m_lowest[b] = std::min(m_lowest[b], sweep[b]);
        }
    }
}

float Utilization::spanUtilization(int lo, int hi, float level) const
{
    const int bins = static_cast<int>(m_energy.size());
    lo = std::clamp(lo, 0, bins);
    hi = std::clamp(hi, 0, bins);
    if (hi < lo || level == 0.0f) {
        return 0.0f;
    }
    double sum = 0.0;
    for (int b = lo; b < hi; ++b) {
        sum += m_energy[static_cast<std::size_t>(b)];
    }
    const double perBinAndSweep = static_cast<double>(hi - lo + 1) * static_cast<double>(kSweepsUsed);
    return finiteOrZero(static_cast<float>(sum / level * 100.0 / perBinAndSweep));
}

float Utilization::ownUtilization(const AccessPoint& ap) const
{
    const auto span = ap.frequencySpanAt(ap.channel);
    if (!span) {
        return spanUtilization(0, 0, levelAboveFloor(ap));
    }
    // Bins per MHz of the accessory's own sweep: 1 for 100 raw values, 2 for 200 or more.
    const int binsPerMHz = static_cast<int>(std::min<std::uint32_t>(m_inputs.raw24 / 100u, 1000u));
    const int lo = (span->lowMHz - kBaseFrequencyMHz) * binsPerMHz;
    const int hi = (span->highMHz - kBaseFrequencyMHz) * binsPerMHz;
    return spanUtilization(lo, hi, levelAboveFloor(ap));
}

void Utilization::countChannels(const AccessPoint& ap)
{
    const int channel = ap.channel;
    const int secondary = ap.secondaryChannel();
    bumpCount(m_stats, channel);
    bumpCount(m_stats, secondary);
    if (const auto range = ap.overlappingChannelsAt(channel)) {
        for (int x = range->first; x <= range->last; ++x) {
            if (x != channel && x != secondary) {
                bumpCount(m_stats, x);
            }
        }
    }
}

void Utilization::addPairTerms(std::size_t index)
{
    AccessPoint& a = m_list[index];
    const int channel = a.channel;
    const int secondary = a.secondaryChannel();
    const auto range = a.overlappingChannelsAt(channel);
    const float levelA = levelAboveFloor(a);
    for (std::size_t j = index + 1; j < m_list.size(); ++j) {
        AccessPoint& b = m_list[j];
        if (b.band != 0 || isSelected(j)) {
            continue;
        }
        const float levelB = levelAboveFloor(b);
        if (sharesChannel(b.channel, b.secondaryChannel(), channel, secondary)) {
            ++a.coChannelCount;
            ++b.coChannelCount;
            a.coChannelInterference += interferenceTerm(levelB, levelA);
            b.coChannelInterference += interferenceTerm(levelA, levelB);
        } else if (range && range->contains(b.channel)) {
            ++a.adjacentCount;
            ++b.adjacentCount;
            a.adjacentInterference += interferenceTerm(levelB, levelA);
            b.adjacentInterference += interferenceTerm(levelA, levelB);
        }
    }
}

void Utilization::suggestChannel(AccessPoint& ap)
{
    const int channel = ap.channel;
    int first = 1;
    int last = 11;
    if (ap.channelWidth == 40 && ap.secondaryCode == AccessPoint::kSecondaryAbove) {
        last = 7;
    } else if (ap.channelWidth == 40 && ap.secondaryCode == AccessPoint::kSecondaryBelow) {
        first = 5;
    }
    const float current = ap.grade * channelWeight(channel);
    bool found = false;
    for (int x = first; x <= last; ++x) {
        if (x == channel) {
            continue;
        }
        const float raw = candidateScore(&ap, x);
        if (x <= AccessPoint::kChannelCount24) {
            // Kept so that the table can show what the suggestion was chosen from.
            ap.candidateScores[x - 1] = raw;
            ap.candidateMask = static_cast<std::uint16_t>(ap.candidateMask | (1u << (x - 1)));
        }
        const float score = raw * channelWeight(x);
        // ">=" lets a later, higher channel win a tie.
        if (score >= current && score >= ap.bestScore) {
            ap.bestScore = score;
            ap.bestChannel = static_cast<std::uint8_t>(x);
            found = true;
        }
    }
    const int suggestion = found ? ap.bestChannel : channel;
    ap.addSuggestion(static_cast<std::uint8_t>(suggestion <= 255 ? suggestion : 0));
}

float Utilization::candidateScore(const AccessPoint* candidate, int channel)
{
    if (!candidate || candidate->band != 0 || m_list.empty() || m_inputs.sweeps.size() <= kSweepsUsed) {
        return kNoScore;
    }
    prepare();
    float utilization = 0.0f;
    float adjacent = 0.0f;
    float coChannel = 0.0f;
    if (channel >= 1 && channel <= kChannels) {
        const float level = levelAboveFloor(*candidate);
        if (const auto span = candidate->frequencySpanAt(channel)) {
            utilization = spanUtilization(firstBinAt256(span->lowMHz - kBaseFrequencyMHz),
                                          lastBinAt256(span->highMHz - kBaseFrequencyMHz), level);
        } else {
            utilization = spanUtilization(0, 0, level);
        }
        const int secondary = candidate->secondaryChannelAt(channel);
        const auto range = candidate->overlappingChannelsAt(channel);
        for (std::size_t j = 0; j < m_list.size(); ++j) {
            const AccessPoint& b = m_list[j];
            if (b.band != candidate->band || b.sameBssid(candidate->bssid) || isSelected(j)) {
                continue;
            }
            const float term = interferenceTerm(levelAboveFloor(b), level);
            if (sharesChannel(b.channel, b.secondaryChannel(), channel, secondary)) {
                coChannel += term;
            } else if (b.band == 0 && range && range->contains(b.channel)) {
                adjacent += term;
            }
        }
    }
    return gradeOf(candidate->rssi, utilization, adjacent, coChannel);
}

void Utilization::measureChannels()
{
    // Reference when a channel has no access point of its own: the strongest of the band.
    float strongestOverall = -std::numeric_limits<float>::infinity();
    std::array<float, kChannels> strongest;
    strongest.fill(-std::numeric_limits<float>::infinity());
    for (const auto& ap : m_list) {
        if (ap->band != 0 || !(ap->rssi > -std::numeric_limits<float>::infinity())) {
            continue;
        }
        strongestOverall = std::max(strongestOverall, ap->rssi);
        if (ap->channel >= 1 && ap->channel <= kChannels) {
            float& level = strongest[static_cast<std::size_t>(ap->channel - 1)];
            level = std::max(level, ap->rssi);
        }
    }
    const int bins = static_cast<int>(m_energy.size());
    const float floor = m_inputs.floor;
    for (int ch = 1; ch <= kChannels; ++ch) {
        const int loMHz = ch == 14 ? 74 : 5 * (ch - 1) + 2;
        const int lo = std::max(0, firstBinAt256(loMHz));
        const int hi = std::min(bins - 1, lastBinAt256(loMHz + 20));
        float reference = strongest[static_cast<std::size_t>(ch - 1)];
        if (!std::isfinite(reference)) {
            reference = std::isfinite(strongestOverall) ? strongestOverall : floor;
        }
        const float range = reference - floor;
        float result = 0.0f;
        if (range != 0.0f && hi >= lo) {
            double sum = 0.0;
            for (int b = lo; b <= hi; ++b) {
                // The largest ratio over the sweeps: from the highest level when the reference
                // lies above the floor, from the lowest when (oddly) below it.
                const float level = range > 0.0f ? m_highest[static_cast<std::size_t>(b)] : m_lowest[static_cast<std::size_t>(b)];
                sum += static_cast<double>(level - floor) / range * 100.0;
            }
            result = static_cast<float>(sum / (hi - lo + 1));
        }
        m_stats.channelUtilization[static_cast<std::size_t>(ch - 1)] = finiteOrZero(result);
    }
}

void Utilization::fullPass()
{
    m_stats.reset();
    for (auto& ap : m_list) {
        ap->resetAnalysis();
    }
    prepare();
    for (std::size_t i = 0; i < m_list.size(); ++i) {
        AccessPoint& ap = m_list[i];
        if (ap.band != 0 || ap.channel == 0) {
            continue;
        }
        ap.utilization = ownUtilization(ap);
        countChannels(ap);
        addPairTerms(i);
        ap.grade = gradeOf(ap.rssi, ap.utilization, ap.adjacentInterference, ap.coChannelInterference);
        if (isSelected(i)) {
            suggestChannel(ap);
        }
    }
    measureChannels();
}

float Utilization::gradeOf(float signal, float utilization, float adjacentInterference, float coChannelInterference)
{
    const float grade = 0.5f * 100.0f * limit((signal + 100.0f) / 80.0f, 0.0f, 1.0f) + 20.0f +
                        0.1f * (100.0f - limit(utilization, 0.0f, 100.0f)) +
                        0.25f * 100.0f * limit(1.0f - adjacentInterference / 10.0f, 0.0f, 1.0f) +
                        0.15f * 100.0f * limit(1.0f - coChannelInterference / 10.0f, 0.0f, 1.0f);
    return limit(grade, 0.0f, 100.0f);
}

const char* Utilization::gradeLetter(float grade)
{
    if (grade >= 90.0f) {
        return "A";
    }
    if (grade >= 80.0f) {
        return "B";
    }
    if (grade >= 70.0f) {
        return "C";
    }
    if (grade >= 60.0f) {
        return "D";
    }
    return "F";
}

float Utilization::channelWeight(int channel)
{
    return isPreferredChannel(channel) ? 1.0f : kOffChannelFactor;
}

float Utilization::shownGrade(float grade)
{
    return (grade >= 0.0f && grade <= 100.0f) ? grade : 0.0f;
}

} // namespace nolvo
