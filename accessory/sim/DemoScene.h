#pragma once
// The radio environments of the demo recordings, as a Wi-Fi engineer would expect to see them on
// a swept analyzer and a power meter:
// - kNone: only the receiver's noise floor, breathing slowly by a dB or two;
// - kWifi: the OFDM access points of SimulatedAccessPoints (20 and 40 MHz on the usual channels,
//   plus a distant 80 MHz network on 5 GHz that no scan reports), bursty (a channel is busy for a
//   while, then quiet), each sweep catching a burst only in the bins it dwelt on while the burst
//   was in the air;
// - kDsss: 802.11b transmitters with the rounded 22 MHz main lobe and its side lobes;
// - kDect: narrow (1.7 MHz) carriers of digital cordless phones hopping across the band.
// On 5 GHz the DECT and DSSS scenes show only the quiet background of a few distant access points.
// Power traces show what the power meter catches on its trigger: OFDM packets with their flat
// preamble and fluctuating payload followed by a short acknowledgement, constant-envelope 802.11b
// packets, TDMA slot bursts with their ramps and guard times, or, without signals, untriggered noise.
//
// Sweeps are numbered 0..loopLength-1 and everything that drifts slowly (the noise floor's
// breathing) is periodic in that length, so a recording loops without a seam. Deterministic for a
// given seed. Not thread-safe.
#include <cstdint>
#include <random>
#include <vector>

namespace nolvo::sim {

class DemoScene {
public:
    enum class Kind { kNone, kWifi, kDect, kDsss };

    DemoScene(Kind kind, bool band5, std::uint32_t seed);

    // dBm at each frequency (MHz) for sweep `index` of a loop of `loopLength` sweeps.
    std::vector<double> sweep(const std::vector<double>& frequenciesMhz, int index, int loopLength);
    // One captured power trace of `samples` samples `samplePeriodSeconds` apart; `triggered` tells
    // whether the capture was triggered by a signal.
    std::vector<double> powerTrace(int samples, double samplePeriodSeconds, bool& triggered);

    static constexpr double kNoiseFloorDbm = -96.0;
    static constexpr double kPowerFloorDbm = -57.0;
    // Seed of the simulated access points whose scans go with the Wi-Fi scene.
    static constexpr std::uint32_t kAccessPointSeed = 1;

private:
    enum class Shape { kOfdm, kDsss, kNarrow };
    struct Emitter {
        double centerMhz;
        double widthMhz;
        double peakDbm;
        double occupancy; // long-run share of sweeps it is busy in
        Shape shape;
        bool busy = false;
    };

    void addEmitter(double centerMhz, double widthMhz, double peakDbm, double occupancy, Shape shape);
    void addAccessPoints(bool band5);
    // Attenuation (dB, >= 0) of an emitter's spectrum at `offsetMhz` from its centre.
    static double attenuation(const Emitter& emitter, double offsetMhz);
    void hopCarriers();

    Kind m_kind;
    bool m_band5;
    std::mt19937 m_rng;
    std::vector<Emitter> m_emitters;
    std::vector<double> m_hops; // DECT: carrier centres heard during the current sweep
};

} // namespace nolvo::sim
