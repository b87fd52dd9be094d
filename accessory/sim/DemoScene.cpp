#include "accessory/sim/DemoScene.h"

#include "accessory/sim/SimulatedAccessPoints.h"

#include <algorithm>
#include <cmath>

namespace nolvo::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Share of an emitter's busy/quiet state that carries over from one sweep to the next.
constexpr double kPersistence = 0.75;
// Channel grid of 2.4 GHz digital cordless phones: 1.728 MHz carriers from 2401.056 MHz.
constexpr double kDectFirstMhz = 2401.056;
constexpr double kDectSpacingMhz = 1.728;
constexpr int kDectChannels = 45;

double milliwatts(double dbm) { return std::pow(10.0, dbm / 10.0); }

// Piecewise-linear interpolation over (x, y) points, flat beyond the last one.
double interpolate(const double (*points)[2], std::size_t count, double x)
{
    for (std::size_t i = 1; i < count; ++i) {
        if (x <= points[i][0]) {
            const double t = (x - points[i - 1][0]) / (points[i][0] - points[i - 1][0]);
            return points[i - 1][1] + t * (points[i][1] - points[i - 1][1]);
        }
    }
    return points[count - 1][1];
}

} // namespace

DemoScene::DemoScene(Kind kind, bool band5, std::uint32_t seed) : m_kind(kind), m_band5(band5), m_rng(seed)
{
    if (band5) {
        switch (kind) {
        case Kind::kWifi:
            addAccessPoints(true);
            // A distant 80 MHz network on channels 52 to 64, too weak for the scans to report.
            addEmitter(5290.0, 80.0, -79.0, 0.25, Shape::kOfdm);
            break;
        case Kind::kDect:
        case Kind::kDsss:
            // Neither lives at 5 GHz: what remains is the quiet background of distant networks.
            addEmitter(5180.0, 20.0, -84.0, 0.15, Shape::kOfdm);
            addEmitter(5775.0, 80.0, -80.0, 0.20, Shape::kOfdm);
            break;
        case Kind::kNone:
            break;
        }
        return;
    }
    switch (kind) {
    case Kind::kWifi:
        addAccessPoints(false);
        break;
    case Kind::kDsss:
        addEmitter(2412.0, 22.0, -50.0, 0.50, Shape::kDsss);
        addEmitter(2462.0, 22.0, -64.0, 0.35, Shape::kDsss);
        addEmitter(2437.0, 22.0, -78.0, 0.20, Shape::kDsss);
        break;
    case Kind::kDect:
        // A base station and a handset close by, a second phone further away.
        addEmitter(0.0, 1.728, -42.0, 0.95, Shape::kNarrow);
        addEmitter(0.0, 1.728, -49.0, 0.95, Shape::kNarrow);
        addEmitter(0.0, 1.728, -66.0, 0.70, Shape::kNarrow);
        break;
    case Kind::kNone:
        break;
    }
}

void DemoScene::addAccessPoints(bool band5)
{
    // The access points that the simulated scans report: what the spectrum shows matches the list.
    const SimulatedAccessPoints accessPoints(kAccessPointSeed);
    for (const SimulatedAccessPoint& p : accessPoints.accessPoints()) {
        if ((p.band == 1) == band5) {
            addEmitter(SimulatedAccessPoints::centerMhz(p), p.widthMhz, p.rssiDbm, p.occupancy, Shape::kOfdm);
        }
    }
}

void DemoScene::addEmitter(double centerMhz, double widthMhz, double peakDbm, double occupancy, Shape shape)
{
    m_emitters.push_back(Emitter{centerMhz, widthMhz, peakDbm, occupancy, shape, false});
}

double DemoScene::attenuation(const Emitter& emitter, double offsetMhz)
{
    const double x = std::fabs(offsetMhz);
    switch (emitter.shape) {
    case Shape::kOfdm: {
        // The OFDM transmit mask: flat across the occupied subcarriers, a steep shoulder, then
        // -28 dBr one channel width out and -40 dBr beyond one and a half.
        const double w = emitter.widthMhz;
        const double points[][2] = {{0.0, 0.0}, {w / 2 - 1.0, 0.0}, {w / 2 + 1.0, 20.0}, {w, 28.0}, {1.5 * w, 40.0},
                                    {3.0 * w, 50.0}};
        return interpolate(points, std::size(points), x);
    }
    case Shape::kDsss: {
        // Barker-coded 11 Mchip/s: a sinc² main lobe with its nulls 11 MHz out, side lobes about
        // 30 dB down.
        if (x < 10.0) {
            const double u = x / 11.0;
            const double sinc = u == 0.0 ? 1.0 : std::sin(kPi * u) / (kPi * u);
            return std::min(30.0, -10.0 * std::log10(sinc * sinc));
        }
        const double lobe = 4.0 * std::fabs(std::sin(kPi * x / 11.0));
        return std::min(60.0, 34.0 - lobe + std::max(0.0, x - 22.0) * 0.8);
    }
    case Shape::kNarrow: {
        const double u = x / (emitter.widthMhz / 2.0);
        return std::min(60.0, 12.0 * u * u);
    }
    }
    return 60.0;
}

void DemoScene::hopCarriers()
{
    // A frame of a cordless phone lasts 10 ms and the carrier hops every frame: in one sweep the
    // analyzer catches each carrier on a handful of channels.
    m_hops.clear();
    std::uniform_int_distribution<int> channel(0, kDectChannels - 1);
    std::uniform_int_distribution<int> caught(3, 7);
    for (std::size_t e = 0; e < m_emitters.size(); ++e) {
        const int n = caught(m_rng);
        for (int i = 0; i < n; ++i) {
            m_hops.push_back(kDectFirstMhz + kDectSpacingMhz * channel(m_rng));
        }
    }
}

std::vector<double> DemoScene::sweep(const std::vector<double>& frequenciesMhz, int index, int loopLength)
{
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::normal_distribution<double> jitter(0.0, 1.0);
    const double phase = loopLength > 0 ? 2.0 * kPi * index / loopLength : 0.0;
    // The floor breathes with the receiver's temperature and the neighbours' far-away traffic;
    // periodic in the loop so the recording wraps without a jump.
    const double breathing = 1.4 * std::sin(phase) + 0.6 * std::sin(2.0 * phase + 1.0);

    for (Emitter& e : m_emitters) {
        const double pBusy = e.busy ? kPersistence + (1.0 - kPersistence) * e.occupancy
                                    : (1.0 - kPersistence) * e.occupancy;
        e.busy = chance(m_rng) < pBusy;
    }
    if (m_kind == Kind::kDect && !m_band5) {
        hopCarriers();
    }
    // Per sweep: how much of the dwell time each busy emitter was on the air, and how loud this
    // sweep's bursts came in (different stations and rates).
    std::vector<double> duty(m_emitters.size(), 0.0);
    std::vector<double> level(m_emitters.size(), 0.0);
    for (std::size_t i = 0; i < m_emitters.size(); ++i) {
        duty[i] = m_emitters[i].busy ? 0.35 + 0.6 * chance(m_rng) : 0.04 * chance(m_rng);
        level[i] = m_emitters[i].peakDbm + 2.0 * jitter(m_rng);
    }

    std::vector<double> dbm(frequenciesMhz.size());
    for (std::size_t k = 0; k < frequenciesMhz.size(); ++k) {
        const double f = frequenciesMhz[k];
        double mw = milliwatts(kNoiseFloorDbm + breathing + 1.2 * jitter(m_rng));
        if (m_kind == Kind::kDect && !m_band5) {
            for (std::size_t h = 0; h < m_hops.size(); ++h) {
                const std::size_t owner = h % m_emitters.size();
                const Emitter& e = m_emitters[owner];
                if (!e.busy || std::fabs(f - m_hops[h]) > 3.0 || chance(m_rng) > 0.85) {
                    continue;
                }
                mw += milliwatts(level[owner] - attenuation(e, f - m_hops[h]) + 0.8 * jitter(m_rng));
            }
        } else {
            for (std::size_t i = 0; i < m_emitters.size(); ++i) {
                const Emitter& e = m_emitters[i];
                // A bin shows the emitter only when a burst was in the air while it was measured.
                if (chance(m_rng) >= duty[i]) {
                    continue;
                }
                mw += milliwatts(level[i] - attenuation(e, f - e.centerMhz) + 1.0 * jitter(m_rng));
            }
        }
        dbm[k] = 10.0 * std::log10(mw);
    }
    return dbm;
}

std::vector<double> DemoScene::powerTrace(int samples, double samplePeriodSeconds, bool& triggered)
{
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::normal_distribution<double> jitter(0.0, 1.0);
    std::exponential_distribution<double> fading(1.0);
    const double dtUs = samplePeriodSeconds * 1.0e6;
    std::vector<double> trace(static_cast<std::size_t>(std::max(samples, 0)));
    for (double& v : trace) {
        v = kPowerFloorDbm + 0.6 * jitter(m_rng);
    }
    triggered = m_kind != Kind::kNone;
    if (!triggered || trace.empty()) {
        return trace;
    }
    // The trigger point sits a fifth into the window; times below are µs after it.
    const double triggerUs = 0.2 * samples * dtUs;
    auto at = [&](std::size_t i) { return static_cast<double>(i) * dtUs - triggerUs; };

    switch (m_kind) {
    case Kind::kWifi: {
        // An OFDM packet: 16 µs of preamble with a flat envelope, then the payload whose power
        // fluctuates with the data; SIFS (16 µs) later the receiver's acknowledgement, weaker.
        const double level = -24.0 + 3.5 * jitter(m_rng);
        const double lengthUs = 24.0 + 70.0 * chance(m_rng); // short data and management frames
        const double ackLevel = -39.0 + 3.0 * jitter(m_rng);
        const double ackStart = lengthUs + 16.0;
        const double ackEnd = ackStart + 44.0;
        for (std::size_t i = 0; i < trace.size(); ++i) {
            const double t = at(i);
            if (t >= 0.0 && t < 16.0) {
                trace[i] = level + 0.3 * jitter(m_rng);
            } else if (t >= 16.0 && t < lengthUs) {
                // Mean of a few exponential (Rayleigh power) draws: the detector's bandwidth
                // smooths the OFDM peaks a little.
                const double p = (fading(m_rng) + fading(m_rng) + fading(m_rng) + fading(m_rng)) / 4.0;
                trace[i] = level + 10.0 * std::log10(p);
            } else if (t >= ackStart && t < ackEnd) {
                const double p = (t < ackStart + 16.0) ? 1.0 : (fading(m_rng) + fading(m_rng) + fading(m_rng)) / 3.0;
                trace[i] = ackLevel + 10.0 * std::log10(p);
            }
        }
        break;
    }
    case Kind::kDsss: {
        // 802.11b: a constant envelope after a 2 µs ramp; its long preamble alone outlasts the window.
        const double level = -27.0 + 2.0 * jitter(m_rng);
        for (std::size_t i = 0; i < trace.size(); ++i) {
            const double t = at(i);
            if (t >= 0.0) {
                const double ramp = std::min(1.0, t / 2.0);
                trace[i] = std::max(trace[i], kPowerFloorDbm + ramp * (level - kPowerFloorDbm)) + 0.25 * jitter(m_rng);
            }
        }
        break;
    }
    case Kind::kDect: {
        // A TDMA slot: the previous slot (another, farther phone) ends, a guard time passes, and
        // this slot's burst ramps up over 3 µs to its constant GFSK envelope.
        const double level = -28.0 + 1.0 * jitter(m_rng);
        const double previous = -50.0 + 2.0 * jitter(m_rng);
        const double guardUs = 5.0 + 4.0 * chance(m_rng);
        for (std::size_t i = 0; i < trace.size(); ++i) {
            const double t = at(i);
            if (t < -guardUs) {
                trace[i] = previous + 0.3 * jitter(m_rng);
            } else if (t >= 0.0) {
                const double ramp = std::min(1.0, t / 3.0);
                trace[i] = kPowerFloorDbm + ramp * (level - kPowerFloorDbm) + 0.3 * jitter(m_rng);
            }
        }
        break;
    }
    case Kind::kNone:
        break;
    }
    return trace;
}

} // namespace nolvo::sim
