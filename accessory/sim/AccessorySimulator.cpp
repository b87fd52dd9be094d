#include "accessory/sim/AccessorySimulator.h"

#include <algorithm>
#include <cmath>

#include "accessory/TamrelAccessoryDevice.h"
#include "accessory/protocols/BigEndian.h"

namespace nolvo::sim {

namespace {

constexpr std::uint8_t kSync = 0xAA;
constexpr float kFirstGenerationScale = 0.36290324f;
constexpr float kFirstGenerationOffset = -100.0f;

constexpr std::uint8_t header(int type, int low = 0)
{
    return static_cast<std::uint8_t>((type << 5) | (low & 31));
}

double binFrequency(SimulatedModel model, int band, int k)
{
    if (band == 1) {
        return 5145.0 + k * 715.0 / 511.0;
    }
    return model == SimulatedModel::kNolvo ? 2400.0 + k : 2400.0 + k * 100.0 / 255.0;
}

} // namespace

AccessorySimulator::AccessorySimulator(SimulatedModel model, std::uint32_t seed)
    : m_model(model), m_scene24(seed), m_scene5(seed + 1), m_accessPoints(seed + 2)
{
    // The spectrum shows the energy of the access points that the scans report.
    m_accessPoints.addTransmitters(m_scene24, 0);
    m_accessPoints.addTransmitters(m_scene5, 1);
    if (model == SimulatedModel::kNolvo) {
        m_calibration.spectrumScale24 = kFirstGenerationScale;
        m_calibration.spectrumOffset24 = kFirstGenerationOffset;
        m_calibration.floorByte24 = 14;
    }
    for (int i = 0; i < 17; ++i) {
        m_calibration.serial[i] = static_cast<std::uint8_t>(0x10 + 7 * i + static_cast<int>(seed));
    }
    m_nextFrame = std::chrono::steady_clock::now();
}

std::uint8_t AccessorySimulator::modelId() const
{
    switch (m_model) {
    case SimulatedModel::kNolvo:
        return 2;
    case SimulatedModel::kNolvo2:
        return 6;
    default:
        return 7;
    }
}

std::vector<std::uint8_t> AccessorySimulator::identificationFrame() const
{
    const Calibration& c = m_calibration;
    std::vector<std::uint8_t> f;
    switch (m_model) {
    case SimulatedModel::kNolvo:
        f.assign(68, 0);
        f[3] = 1; f[4] = 2;           // hardware
        f[6] = 1; f[7] = 3; f[11] = 7; // firmware version
        f[8] = 1;                     // spectrum
        f[9] = 1;                     // power
        for (int i = 0; i < 8; ++i) {
            be::writeF32(&f[12 + 4 * i], 4.0f * i); // attenuator steps of 4 dB
        }
        be::writeF32(&f[44], c.powerScale);
        be::writeF32(&f[48], c.powerOffset);
        be::writeU32(&f[60], 0x00010203);
        f[64] = c.floorByte24;
        break;
    case SimulatedModel::kNolvo2:
        f.assign(60, 0);
        f[3] = 2; f[4] = 1;
        f[6] = 2; f[7] = 0; f[15] = 5;
        f[8] = 1;
        f[9] = 1;
        std::copy(c.serial, c.serial + 17, f.begin() + 16);
        be::writeF32(&f[36], c.powerScale);
        be::writeF32(&f[40], c.powerOffset + 5.0f);
        be::writeF32(&f[44], c.spectrumScale24);
        be::writeF32(&f[48], c.spectrumOffset24);
        f[56] = c.floorByte24;
        break;
    case SimulatedModel::kNolvo25:
        f.assign(56, 0);
        f[3] = 3; f[4] = 1;
        f[8] = 1;  // access points
        f[9] = 1;  // 2.4 GHz
        f[10] = 1; // 5 GHz
        std::copy(c.serial, c.serial + 12, f.begin() + 12);
        be::writeF32(&f[24], c.spectrumScale24);
        be::writeF32(&f[28], c.spectrumOffset24);
        f[36] = c.floorByte24;
        be::writeF32(&f[40], c.spectrumScale5);
        be::writeF32(&f[44], c.spectrumOffset5);
        f[52] = c.floorByte5;
        break;
    }
    f[0] = kSync;
    f[1] = header(3);
    f[2] = modelId();
    return f;
}

std::uint8_t AccessorySimulator::encode(double dbm, int band) const
{
    const double scale = band == 1 ? m_calibration.spectrumScale5 : m_calibration.spectrumScale24;
    const double offset = band == 1 ? m_calibration.spectrumOffset5 : m_calibration.spectrumOffset24;
    return static_cast<std::uint8_t>(std::clamp(std::lround((dbm - offset) / scale), 0L, 255L));
}

std::vector<std::uint8_t> AccessorySimulator::sweepFrames(int band, std::vector<float>* encodedDbm)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return buildSweep(band, encodedDbm);
}

std::vector<std::uint8_t> AccessorySimulator::buildSweep(int band, std::vector<float>* encodedDbm)
{
    band = (band == 1 && m_model == SimulatedModel::kNolvo25) ? 1 : 0;
    SignalScene& scene = band == 1 ? m_scene5 : m_scene24;
    const int bins = band == 1 ? 512 : (m_model == SimulatedModel::kNolvo ? 100 : 256);
    scene.beginSweep();
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(bins));
    for (int k = 0; k < bins; ++k) {
        samples[static_cast<std::size_t>(k)] = encode(scene.amplitudeAt(binFrequency(m_model, band, k)), band);
    }
    if (encodedDbm != nullptr) {
        const float scale = band == 1 ? m_calibration.spectrumScale5 : m_calibration.spectrumScale24;
        const float offset = band == 1 ? m_calibration.spectrumOffset5 : m_calibration.spectrumOffset24;
        const float floor = (band == 1 ? m_calibration.floorByte5 : m_calibration.floorByte24) * scale + offset;
        encodedDbm->clear();
        for (std::uint8_t b : samples) {
            encodedDbm->push_back(std::max(floor, static_cast<float>(b) * scale + offset));
        }
    }
    return framesFromSamples(band, samples);
}

int AccessorySimulator::binCount(int band) const
{
    if (band == 1 && m_model == SimulatedModel::kNolvo25) {
        return 512;
    }
    return m_model == SimulatedModel::kNolvo ? 100 : 256;
}

double AccessorySimulator::binFrequencyMhz(int band, int bin) const
{
    return binFrequency(m_model, (band == 1 && m_model == SimulatedModel::kNolvo25) ? 1 : 0, bin);
}

std::vector<std::uint8_t> AccessorySimulator::spectrumFramesFor(int band, const std::vector<double>& dbm) const
{
    band = (band == 1 && m_model == SimulatedModel::kNolvo25) ? 1 : 0;
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(binCount(band)), 0);
    for (std::size_t k = 0; k < samples.size() && k < dbm.size(); ++k) {
        samples[k] = encode(dbm[k], band);
    }
    return framesFromSamples(band, samples);
}

std::vector<std::uint8_t> AccessorySimulator::framesFromSamples(int band, const std::vector<std::uint8_t>& samples) const
{
    const int bins = static_cast<int>(samples.size());
    std::vector<std::uint8_t> frames;
    if (m_model == SimulatedModel::kNolvo) {
        // Two interleaved frames: segment 0 carries the even bins, segment 1 the odd ones.
        for (int segment = 0; segment < 2; ++segment) {
            frames.push_back(kSync);
            frames.push_back(header(5, segment));
            for (int k = segment; k < bins; k += 2) {
                frames.push_back(samples[static_cast<std::size_t>(k)]);
            }
        }
        return frames;
    }
    frames.resize(4 + samples.size());
    frames[0] = kSync;
    frames[1] = header(5);
    frames[2] = static_cast<std::uint8_t>(band);
    frames[3] = 0;
    std::copy(samples.begin(), samples.end(), frames.begin() + 4);
    return frames;
}

std::vector<std::uint8_t> AccessorySimulator::powerFrames()
{
    // A pulse train: a quarter of each trace at -20 dBm, the rest at -50 dBm.
    const int samplesPerTrace = m_model == SimulatedModel::kNolvo ? 240 : 1000;
    auto sample = [this, samplesPerTrace](int i) {
        return encodePower((i % (samplesPerTrace / 4 * 4) < samplesPerTrace / 4) ? -20.0 : -50.0);
    };
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(samplesPerTrace));
    for (int i = 0; i < samplesPerTrace; ++i) {
        samples[static_cast<std::size_t>(i)] = sample(i);
    }
    return powerFramesFromSamples(samples, m_model != SimulatedModel::kNolvo);
}

int AccessorySimulator::powerSamplesPerTrace() const
{
    switch (m_model) {
    case SimulatedModel::kNolvo:
        return 240;
    case SimulatedModel::kNolvo2:
        return 1000;
    default:
        return 0;
    }
}

std::uint8_t AccessorySimulator::encodePower(double dbm) const
{
    return static_cast<std::uint8_t>(
        std::clamp(std::lround((dbm - m_calibration.powerOffset) / m_calibration.powerScale), 0L, 255L));
}

std::vector<std::uint8_t> AccessorySimulator::powerFramesFor(const std::vector<double>& dbm, bool triggered) const
{
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(powerSamplesPerTrace()), 0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = encodePower(i < dbm.size() ? dbm[i] : static_cast<double>(m_calibration.powerOffset));
    }
    return powerFramesFromSamples(samples, triggered);
}

std::vector<std::uint8_t> AccessorySimulator::powerFramesFromSamples(const std::vector<std::uint8_t>& samples,
                                                                     bool triggered) const
{
    std::vector<std::uint8_t> frames;
    const int flag = triggered ? 16 : 0;
    if (m_model == SimulatedModel::kNolvo) {
        // Six frames of 40 samples, interleaved: sample k of segment s is trace sample 6k + s.
        for (int segment = 0; segment < 6; ++segment) {
            std::vector<std::uint8_t> f(62, 0);
            f[0] = kSync;
            f[1] = header(1, segment | flag);
            for (int k = 0; k < 40; ++k) {
                const std::size_t at = static_cast<std::size_t>(6 * k + segment);
                f[static_cast<std::size_t>(2 + k)] = at < samples.size() ? samples[at] : 0;
            }
            frames.insert(frames.end(), f.begin(), f.end());
        }
        return frames;
    }
    if (m_model != SimulatedModel::kNolvo2) {
        return frames;
    }
    frames.assign(1254, 0);
    frames[0] = kSync;
    frames[1] = header(1, flag);
    for (std::size_t i = 0; i < 1000 && i < samples.size(); ++i) {
        frames[4 + i] = samples[i];
    }
    return frames;
}

std::chrono::milliseconds AccessorySimulator::modelInterval() const
{
    using std::chrono::milliseconds;
    if (m_intervalOverride.count() > 0) {
        return m_intervalOverride;
    }
    if (m_streamPower) {
        return milliseconds(100);
    }
    switch (m_model) {
    case SimulatedModel::kNolvo:
        return milliseconds(100);
    case SimulatedModel::kNolvo2:
        return milliseconds(200);
    default:
        return milliseconds(m_band == 1 ? 1250 : 250);
    }
}

void AccessorySimulator::queue(const std::vector<std::uint8_t>& bytes)
{
    m_output.insert(m_output.end(), bytes.begin(), bytes.end());
}

void AccessorySimulator::handleCommand(const std::vector<std::uint8_t>& command)
{
    m_commands.push_back(command);
    const bool firstGeneration = m_model == SimulatedModel::kNolvo;
    switch (command[2]) {
    case 3: // identify
        queue(identificationFrame());
        break;
    case 2: { // settings
        if (m_loseSettings > 0) {
            --m_loseSettings;
            break;
        }
        if (m_model == SimulatedModel::kNolvo25 && command.size() >= 6) {
            m_band = command[5] == 1 ? 1 : 0;
        }
        m_streamSpectrum = false;
        m_streamPower = false;
        m_scanning = false;
        const std::size_t sequenceAt = firstGeneration ? 22 : 4;
        queue({kSync, header(2), sequenceAt < command.size() ? command[sequenceAt] : std::uint8_t{0}});
        break;
    }
    case 5: // start spectrum
        if (m_model == SimulatedModel::kNolvo25) {
            m_scanning = false;
        }
        if (!m_streamSpectrum) {
            m_nextFrame = std::chrono::steady_clock::now();
        }
        m_streamSpectrum = true;
        m_streamPower = false;
        break;
    case 1: // start power
        if (m_model != SimulatedModel::kNolvo25) {
            m_streamPower = true;
            m_streamSpectrum = false;
            m_nextFrame = std::chrono::steady_clock::now();
        }
        break;
    case 7: // access-point scan
        if (!firstGeneration) {
            if (m_model == SimulatedModel::kNolvo25) {
                m_streamSpectrum = false; // the dual-band accessory cannot sweep while it scans
            }
            if (!m_scanning) {
                m_nextScan = std::chrono::steady_clock::now() + kFirstScanDelay;
            }
            m_scanning = true;
        }
        break;
    case 6: // stop
        if (!firstGeneration) {
            m_streamSpectrum = false;
            m_streamPower = false;
            m_scanning = false;
            queue({kSync, header(6), 0, 0});
        }
        break;
    default:
        break;
    }
}

int AccessorySimulator::write(const std::uint8_t* data, int length, int* transferred)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    *transferred = 0;
    if (!m_plugged) {
        return kUsbErrorNoDevice;
    }
    if (m_failWrite) {
        m_failWrite = false;
        return kUsbErrorIo;
    }
    if (m_stalled) {
        return kUsbErrorTimeout;
    }
    const int take = m_maxWriteChunk > 0 ? std::min(length, m_maxWriteChunk) : length;
    m_input.insert(m_input.end(), data, data + take);
    *transferred = take;
    while (!m_input.empty()) {
        if (m_input[0] != kSync) {
            m_input.erase(m_input.begin());
            continue;
        }
        if (m_input.size() < 2) {
            break;
        }
        const std::size_t length8 = m_input[1];
        if (length8 < 3) {
            m_input.erase(m_input.begin());
            continue;
        }
        if (m_input.size() < length8) {
            break;
        }
        std::vector<std::uint8_t> command(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(length8));
        m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(length8));
        handleCommand(command);
    }
    m_changed.notify_all();
    return kUsbSuccess;
}

void AccessorySimulator::produceStreamedFrames()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_streamSpectrum) {
        queue(buildSweep(m_band, nullptr));
        ++m_sweepsSent;
    } else if (m_streamPower) {
        queue(powerFrames());
    }
    const auto interval = modelInterval();
    m_nextFrame += interval;
    if (m_nextFrame + interval < now) {
        m_nextFrame = now + interval; // after a stall, do not burst to catch up
    }
}

int AccessorySimulator::read(std::uint8_t* data, int length, int* transferred, unsigned timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    *transferred = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!m_plugged) {
            return kUsbErrorNoDevice;
        }
        if (m_failRead) {
            m_failRead = false;
            return kUsbErrorIo;
        }
        const auto now = std::chrono::steady_clock::now();
        const bool streaming = (m_streamSpectrum || m_streamPower) && !m_stalled;
        if (!m_stalled) {
            if (m_output.empty() && m_scanning && now >= m_nextScan) {
                queue(m_accessPoints.nextScan(m_model == SimulatedModel::kNolvo25));
                m_nextScan = now + m_scanInterval;
            }
            if (m_output.empty() && streaming && now >= m_nextFrame) {
                produceStreamedFrames();
            }
            if (!m_output.empty()) {
                const int n = std::min<int>(length, static_cast<int>(m_output.size()));
                std::copy(m_output.begin(), m_output.begin() + n, data);
                m_output.erase(m_output.begin(), m_output.begin() + n);
                *transferred = n;
                return kUsbSuccess;
            }
        }
        if (now >= deadline) {
            return kUsbErrorTimeout;
        }
        auto wake = streaming ? std::min(deadline, m_nextFrame) : deadline;
        if (m_scanning && !m_stalled) {
            wake = std::min(wake, m_nextScan);
        }
        m_changed.wait_until(lock, wake);
    }
}

void AccessorySimulator::unplug()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_plugged = false;
    m_streamSpectrum = false;
    m_streamPower = false;
    m_scanning = false;
    m_output.clear();
    m_input.clear();
    m_changed.notify_all();
}

void AccessorySimulator::plug()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_plugged = true;
    m_changed.notify_all();
}

bool AccessorySimulator::plugged() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_plugged;
}

void AccessorySimulator::failNextRead()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_failRead = true;
    m_changed.notify_all();
}

void AccessorySimulator::failNextWrite()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_failWrite = true;
}

void AccessorySimulator::setStalled(bool stalled)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_stalled = stalled;
    m_changed.notify_all();
}

void AccessorySimulator::injectGarbage(const std::vector<std::uint8_t>& bytes)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_output.insert(m_output.begin(), bytes.begin(), bytes.end());
    m_changed.notify_all();
}

void AccessorySimulator::loseSettingsCommands(int count)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_loseSettings = count;
}

void AccessorySimulator::setFrameInterval(std::chrono::milliseconds interval)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_intervalOverride = interval;
}

void AccessorySimulator::setMaxWriteChunk(int bytes)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_maxWriteChunk = bytes;
}

std::vector<std::vector<std::uint8_t>> AccessorySimulator::commands() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_commands;
}

int AccessorySimulator::commandCount(std::uint8_t code) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(std::count_if(m_commands.begin(), m_commands.end(),
                                          [code](const auto& c) { return c.size() > 2 && c[2] == code; }));
}

bool AccessorySimulator::streamingSpectrum() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_streamSpectrum;
}

void AccessorySimulator::setScanInterval(std::chrono::milliseconds interval)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_scanInterval = interval;
}

int AccessorySimulator::scansSent() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_accessPoints.scansDone();
}

bool AccessorySimulator::scanning() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_scanning;
}

int AccessorySimulator::sweepsSent() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_sweepsSent;
}

int AccessorySimulator::selectedBand() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_band;
}

} // namespace nolvo::sim
