#pragma once
// A simulated Nolvo accessory speaking the wire protocol of one of the three models: it answers
// the identify request with an identification frame carrying believable calibration,
// acknowledges settings and stop commands, and once started streams spectrum (or power) frames at
// the model's refresh interval, measured from a SignalScene. It can be unplugged, fail a read or a
// write, stall, lose settings commands and inject garbage, and it records every command it got.
//
// Threads: the transfer side (write/read) is used by the link thread through SimulatedUsbDevice;
// the control and observation side may be used from any thread at the same time.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "accessory/sim/SignalScene.h"
#include "accessory/sim/SimulatedAccessPoints.h"

namespace nolvo::sim {

enum class SimulatedModel { kNolvo, kNolvo2, kNolvo25 };

class AccessorySimulator {
public:
    struct Calibration {
        float spectrumScale24 = 0.5f;
        float spectrumOffset24 = -120.0f;
        std::uint8_t floorByte24 = 40;
        float spectrumScale5 = 0.5f;
        float spectrumOffset5 = -125.0f;
        std::uint8_t floorByte5 = 40;
        float powerScale = 0.25f;
        float powerOffset = -60.0f; // what the samples mean; the second generation reports it +5 dB
        std::uint8_t serial[17] = {};
    };

    explicit AccessorySimulator(SimulatedModel model, std::uint32_t seed = 1);

    SimulatedModel model() const { return m_model; }
    std::uint8_t modelId() const;
    const Calibration& calibration() const { return m_calibration; }

    // ---- frames as the accessory would send them ----
    std::vector<std::uint8_t> identificationFrame() const;
    // One sweep of `band` (0 2.4 GHz, 1 5 GHz) as the model sends it (two frames for the first
    // generation), measured from the scene. Also returns the dBm values that were encoded.
    std::vector<std::uint8_t> sweepFrames(int band, std::vector<float>* encodedDbm = nullptr);
    // The sample byte that encodes `dbm` with this calibration.
    std::uint8_t encode(double dbm, int band) const;
    // Bins of one sweep of `band` (0 2.4 GHz, 1 5 GHz on the dual-band model) and their centre
    // frequencies in MHz.
    int binCount(int band) const;
    double binFrequencyMhz(int band, int bin) const;
    // Frames of one sweep whose bins read `dbm` (binCount(band) values; missing ones at the floor).
    std::vector<std::uint8_t> spectrumFramesFor(int band, const std::vector<double>& dbm) const;
    // Samples per power trace (240 first generation, 1000 second; 0 without power mode) and the
    // frames of one trace reading `dbm`, with the triggered flag.
    int powerSamplesPerTrace() const;
    std::vector<std::uint8_t> powerFramesFor(const std::vector<double>& dbm, bool triggered) const;
    // The power sample byte that encodes `dbm`.
    std::uint8_t encodePower(double dbm) const;

    // ---- transfer side (SimulatedUsbDevice) ----
    // Takes command bytes; returns a UsbResult and how many bytes were taken.
    int write(const std::uint8_t* data, int length, int* transferred);
    // Returns queued output, waiting up to timeoutMs for the next streamed frame.
    int read(std::uint8_t* data, int length, int* transferred, unsigned timeoutMs);

    // ---- control ----
    void unplug();
    void plug();
    bool plugged() const;
    void failNextRead();
    void failNextWrite();
    // Stalled: writes move nothing and reads time out, until cleared.
    void setStalled(bool stalled);
    // Bytes that come out before anything else on the next read.
    void injectGarbage(const std::vector<std::uint8_t>& bytes);
    // The next `count` settings commands are lost (no acknowledgement).
    void loseSettingsCommands(int count);
    // Replaces the model's refresh interval (tests want sweeps faster than real time).
    void setFrameInterval(std::chrono::milliseconds interval);
    // At most this many bytes are taken per write transfer (0: no limit).
    void setMaxWriteChunk(int bytes);
    // Time between access-point scans while scanning (the first one reports after kFirstScanDelay).
    void setScanInterval(std::chrono::milliseconds interval);
    static constexpr std::chrono::milliseconds kFirstScanDelay{50};
    static constexpr std::chrono::milliseconds kDefaultScanInterval{1000};

    // ---- observation ----
    std::vector<std::vector<std::uint8_t>> commands() const;
    int commandCount(std::uint8_t code) const;
    bool streamingSpectrum() const;
    int sweepsSent() const;
    // Access-point scans reported so far, and whether a scan command is in effect.
    int scansSent() const;
    bool scanning() const;
    int selectedBand() const;

private:
    void handleCommand(const std::vector<std::uint8_t>& command);
    void queue(const std::vector<std::uint8_t>& bytes);
    // The following run with m_mutex held.
    std::vector<std::uint8_t> buildSweep(int band, std::vector<float>* encodedDbm);
    void produceStreamedFrames();
    std::vector<std::uint8_t> powerFrames();
    std::vector<std::uint8_t> framesFromSamples(int band, const std::vector<std::uint8_t>& samples) const;
    std::vector<std::uint8_t> powerFramesFromSamples(const std::vector<std::uint8_t>& samples, bool triggered) const;
    std::chrono::milliseconds modelInterval() const;

    const SimulatedModel m_model;
    Calibration m_calibration;
    SignalScene m_scene24;
    SignalScene m_scene5;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_plugged = true;
    bool m_failRead = false;
    bool m_failWrite = false;
    bool m_stalled = false;
    int m_loseSettings = 0;
    int m_maxWriteChunk = 0;
    bool m_streamSpectrum = false;
    bool m_streamPower = false;
    int m_band = 0;
    int m_sweepsSent = 0;
    std::chrono::milliseconds m_intervalOverride{0};
    std::chrono::steady_clock::time_point m_nextFrame;
    std::vector<std::uint8_t> m_input;
    std::deque<std::uint8_t> m_output;
    std::vector<std::vector<std::uint8_t>> m_commands;

    // Access-point scanning: after AA 03 07 (second generation and dual-band) a scan is reported
    // every m_scanInterval until a stop, settings or (dual-band) start-spectrum command.
    SimulatedAccessPoints m_accessPoints;
    bool m_scanning = false;
    std::chrono::milliseconds m_scanInterval{kDefaultScanInterval};
    std::chrono::steady_clock::time_point m_nextScan;
};

} // namespace nolvo::sim
