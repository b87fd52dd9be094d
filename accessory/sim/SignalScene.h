#pragma once
// The radio scene the simulated accessory measures: a noise floor with some jitter plus Wi-Fi
// transmitters, each with the 20 MHz OFDM spectral mask and bursty occupancy (a transmitter that
// is on tends to stay on for a few sweeps, then falls silent for a while). Deterministic for a
// given seed. Not thread-safe: the simulator calls it under its own lock.

#include <cstdint>
#include <random>
#include <vector>

namespace nolvo::sim {

class SignalScene {
public:
    struct Transmitter {
        double centerMhz;
        double peakDbm;     // in-band level while transmitting
        double occupancy;   // long-run share of sweeps it transmits in, 0..1
        bool on = false;
        double widthMhz = 20.0; // occupied bandwidth: the mask is stretched from its 20 MHz shape
    };

    explicit SignalScene(std::uint32_t seed, double noiseFloorDbm = -95.0);

    // Channels 1, 6 and 11 of the 2.4 GHz band at different distances.
    static SignalScene wifi24(std::uint32_t seed);
    // A few 5 GHz channels (36, 44, 100, 149).
    static SignalScene wifi5(std::uint32_t seed);

    void addTransmitter(double centerMhz, double peakDbm, double occupancy, double widthMhz = 20.0);
    const std::vector<Transmitter>& transmitters() const { return m_transmitters; }
    double noiseFloorDbm() const { return m_noiseFloorDbm; }

    // Draws which transmitters are on for the next sweep.
    void beginSweep();
    // Level in dBm at `mhz` during the current sweep (noise plus every active transmitter).
    double amplitudeAt(double mhz);

    // Attenuation in dB of the 20 MHz mask at `offsetMhz` from the centre (0 in band, 40 far out).
    static double maskAttenuation(double offsetMhz);

private:
    std::mt19937 m_rng;
    double m_noiseFloorDbm;
    std::vector<Transmitter> m_transmitters;
};

} // namespace nolvo::sim
