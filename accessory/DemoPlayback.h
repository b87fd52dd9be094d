#pragma once
// Replays recorded accessory frames when no accessory is attached: the recordings of the chosen
// demo hardware are read through engine::FileUtils ("packets/Nolvo/Nolvo_...", "packets/Nolvo2/
// Nolvo2_...", "packets/Nolvo5x/Nolvo5x_...") and handed, a model-sized chunk at a time, to a feed
// function (the delegate's parser). Each stream is paced by the refresh interval that the recorded
// identification announced and loops: a chunk that would run past the end of its file starts again
// at the beginning. The connection states around it are run by AccessoryCommunicationDelegate.
//
// Recordings are loaded lazily, once, and dropped by reset(). A missing or empty file feeds nothing.
// Recordings come from disk and may be anything: chunks are bounded by the file, access-point frames
// by the protocol object's frame length.
//
// Threads: one object belongs to the delegate's worker thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Data.h"

namespace nolvo {

class DataModel;
struct PowerSettings;

class DemoPlayback {
public:
    using Feed = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    // The protocol object's frameLength for the bytes at hand (negative: unknown or incomplete).
    using FrameLength = std::function<int(const std::uint8_t* bytes, int count)>;

    // "packets/Nolvo/Nolvo_", "packets/Nolvo2/Nolvo2_", "packets/Nolvo5x/Nolvo5x_" for demo hardware
    // 0, 1, 2; "" (playback off) for anything else.
    static std::string prefix(int hardware);
    // "None.bin", "Wifi.bin", "Dect.bin", "Dsss.bin" for scenes 0..3 (with "5GHz" in front for the
    // 5 GHz band); "" for any other scene.
    static std::string sceneFile(int scene, bool band5);
    // Bytes fed per power step: 62 (hardware 0), 1254 (hardware 1), 0 (no power playback).
    static std::size_t powerChunk(int hardware);
    // Bytes fed per spectrum step: 52 (hardware 0), 260 (hardware 1 and 2) on 2.4 GHz; 516 on
    // 5 GHz for hardware 2 only; 0 otherwise.
    static std::size_t spectrumChunk(int hardware, bool band5);
    // The power-trigger settings that suit the recorded power scenes of model `modelId`.
    static void presetTrigger(PowerSettings& power, int modelId);

    // Feeds a whole recording (identification, settings acknowledgement) of `hardware`.
    // False when it is missing or empty.
    bool feedWhole(int hardware, const std::string& suffix, const Feed& feed) const;
    // One streaming step at `nowMs` (steady-clock ms, never 0): power or spectrum by the model's
    // mode and band, and access points when the overlay, the Wi-Fi scene and the demo access-point
    // switch are all on. Reads the model's settings, refresh intervals and accessory description
    // (the worker is their writer while playing back).
    void stepStreaming(std::uint64_t nowMs, const DataModel& model, const FrameLength& frameLength,
                       const Feed& feed);
    // Drops the loaded recordings and starts every stream and its pacing over.
    void reset();

    // Observation for tests.
    std::size_t position(int stream) const { return stream >= 0 && stream < kStreams ? m_positions[stream] : 0; }
    bool loaded(int stream) const { return stream >= 0 && stream < kStreams && !m_files[stream].isNull(); }

    enum Stream : int { kPower = 0, kAccessPoints = 1, kSpectrum24 = 2, kSpectrum5 = 3, kStreams = 4 };

private:
    // Loads `name` into `stream` when not loaded yet, then feeds `chunk` bytes from its position.
    bool feedChunk(int stream, const std::string& name, std::size_t chunk, const Feed& feed);
    void stepAccessPoints(std::uint64_t nowMs, const std::string& prefix, float delaySeconds,
                          float intervalSeconds, const FrameLength& frameLength, const Feed& feed);

    engine::Data m_files[kStreams];
    std::size_t m_positions[kStreams] = {0, 0, 0, 0};
    std::uint64_t m_lastPowerMs = 0; // 0: never
    std::uint64_t m_lastSpectrumMs = 0;
    std::uint64_t m_accessPointStartMs = 0;
    std::uint64_t m_lastAccessPointMs = 0;
};

} // namespace nolvo
