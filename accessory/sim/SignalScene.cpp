#include "accessory/sim/SignalScene.h"

#include <cmath>

namespace nolvo::sim {

namespace {

// Share of a transmitter's state that carries over from one sweep to the next.
constexpr double kPersistence = 0.8;

} // namespace

SignalScene::SignalScene(std::uint32_t seed, double noiseFloorDbm) : m_rng(seed), m_noiseFloorDbm(noiseFloorDbm) {}

SignalScene SignalScene::wifi24(std::uint32_t seed)
{
    SignalScene scene(seed);
    scene.addTransmitter(2412.0, -45.0, 0.6);
    scene.addTransmitter(2437.0, -60.0, 0.4);
    scene.addTransmitter(2462.0, -72.0, 0.3);
    return scene;
}

SignalScene SignalScene::wifi5(std::uint32_t seed)
{
    SignalScene scene(seed);
    scene.addTransmitter(5180.0, -55.0, 0.5);
    scene.addTransmitter(5220.0, -68.0, 0.3);
    scene.addTransmitter(5500.0, -75.0, 0.2);
    scene.addTransmitter(5745.0, -50.0, 0.6);
    return scene;
}

void SignalScene::addTransmitter(double centerMhz, double peakDbm, double occupancy, double widthMhz)
{
    m_transmitters.push_back(Transmitter{centerMhz, peakDbm, occupancy, false, widthMhz > 0.0 ? widthMhz : 20.0});
}

void SignalScene::beginSweep()
{
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    for (Transmitter& t : m_transmitters) {
        // Two-state chain whose long-run share of "on" is the occupancy.
        const double pOn = t.on ? kPersistence + (1.0 - kPersistence) * t.occupancy
                                : (1.0 - kPersistence) * t.occupancy;
        t.on = chance(m_rng) < pOn;
    }
}

double SignalScene::maskAttenuation(double offsetMhz)
{
    struct Point {
        double mhz;
        double db;
    };
    static constexpr Point kMask[] = {{0.0, 0.0}, {9.0, 0.0}, {11.0, 20.0}, {20.0, 28.0}, {30.0, 40.0}};
    const double x = std::fabs(offsetMhz);
    for (std::size_t i = 1; i < std::size(kMask); ++i) {
        if (x <= kMask[i].mhz) {
            const Point& a = kMask[i - 1];
            const Point& b = kMask[i];
            return a.db + (b.db - a.db) * (x - a.mhz) / (b.mhz - a.mhz);
        }
    }
    return 40.0;
}

double SignalScene::amplitudeAt(double mhz)
{
    std::normal_distribution<double> jitter(0.0, 1.5);
    double milliwatts = std::pow(10.0, (m_noiseFloorDbm + jitter(m_rng)) / 10.0);
    for (const Transmitter& t : m_transmitters) {
        if (t.on) {
            const double level = t.peakDbm - maskAttenuation((mhz - t.centerMhz) * 20.0 / t.widthMhz) + jitter(m_rng);
            milliwatts += std::pow(10.0, level / 10.0);
        }
    }
    return 10.0 * std::log10(milliwatts);
}

} // namespace nolvo::sim
