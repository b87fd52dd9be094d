#include "accessory/DemoPlayback.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "model/DataModel.h"
#include "platform/FileUtils.h"

namespace nolvo {

namespace {

constexpr int kSceneWifi = 1;

// True when `intervalSeconds` has passed since `lastMs` (0: never, so always true).
bool due(std::uint64_t nowMs, std::uint64_t lastMs, float intervalSeconds)
{
    if (lastMs == 0) {
        return true;
    }
    // Whole milliseconds: 0.1f s is a hair above 100 ms, and a 100 ms worker must not miss
    // every other step because of it. Intervals beyond a day are treated as a day.
    const float seconds = std::isfinite(intervalSeconds) ? std::clamp(intervalSeconds, 0.0f, 86400.0f) : 0.0f;
    const auto waitMs = static_cast<std::uint64_t>(std::llround(static_cast<double>(seconds) * 1000.0));
    return nowMs >= lastMs + waitMs;
}

} // namespace

std::string DemoPlayback::prefix(int hardware)
{
    switch (hardware) {
    case 0:
        return "packets/Nolvo/Nolvo_";
    case 1:
        return "packets/Nolvo2/Nolvo2_";
    case 2:
        return "packets/Nolvo5x/Nolvo5x_";
    default:
        return "";
    }
}

std::string DemoPlayback::sceneFile(int scene, bool band5)
{
    static const char* const kScenes[4] = {"None.bin", "Wifi.bin", "Dect.bin", "Dsss.bin"};
    if (scene < 0 || scene > 3) {
        return "";
    }
    return std::string(band5 ? "5GHz" : "") + kScenes[scene];
}

std::size_t DemoPlayback::powerChunk(int hardware)
{
    return hardware == 0 ? 62 : hardware == 1 ? 1254 : 0;
}

std::size_t DemoPlayback::spectrumChunk(int hardware, bool band5)
{
    if (band5) {
        return hardware == 2 ? 516 : 0;
    }
    return hardware == 0 ? 52 : (hardware == 1 || hardware == 2) ? 260 : 0;
}

void DemoPlayback::presetTrigger(PowerSettings& power, int modelId)
{
    // The trigger menu may be writing the same fields on the render thread.
    storeShared<std::uint8_t>(power.triggerType, 1); // level (POWER) trigger
    storeShared(power.triggerHoldoff, 0.001f);
    if (modelId == 2) {
        storeShared(power.triggerLevel, -31.7f);
        storeShared(power.triggerDelay, 1.6e-5f);
        storeShared(power.timeScaleIndex, 16);
    } else {
        storeShared(power.triggerDelay, 3.52e-5f);
        storeShared(power.timeScaleIndex, 15);
        storeShared(power.triggerLevel, modelId == 6 ? -36.31f : -31.7f);
    }
}

bool DemoPlayback::feedWhole(int hardware, const std::string& suffix, const Feed& feed) const
{
    const std::string name = prefix(hardware);
    if (name.empty()) {
        return false;
    }
    const engine::Data data = engine::FileUtils::getInstance()->getDataFromFile(name + suffix);
    if (data.isNull()) {
        return false;
    }
    feed(data.getBytes(), data.getSize());
    return true;
}

void DemoPlayback::reset()
{
    for (int i = 0; i < kStreams; ++i) {
        m_files[i].clear();
        m_positions[i] = 0;
    }
    m_lastPowerMs = 0;
    m_lastSpectrumMs = 0;
    m_accessPointStartMs = 0;
    m_lastAccessPointMs = 0;
}

bool DemoPlayback::feedChunk(int stream, const std::string& name, std::size_t chunk, const Feed& feed)
{
    engine::Data& file = m_files[stream];
    if (file.isNull()) {
        file = engine::FileUtils::getInstance()->getDataFromFile(name);
    }
    if (file.isNull() || chunk == 0) {
        return false;
    }
    std::size_t& position = m_positions[stream];
    if (position + chunk > file.getSize()) {
        position = 0;
    }
    if (chunk > file.getSize()) {
        return false; // a recording shorter than one chunk holds no whole frame
    }
    feed(file.getBytes() + position, chunk);
    position += chunk;
    return true;
}

void DemoPlayback::stepStreaming(std::uint64_t nowMs, const DataModel& model, const FrameLength& frameLength,
                                 const Feed& feed)
{
    const DemoSettings demo = model.demoSettings();
    const std::string base = prefix(demo.hardware);
    if (base.empty()) {
        return;
    }
    if (loadShared(model.common.spectrumModeActive) == 0) {
        const std::size_t chunk = powerChunk(demo.hardware);
        if (chunk > 0 && due(nowMs, m_lastPowerMs, model.refreshInterval[2])) {
            if (feedChunk(kPower, base + "power" + sceneFile(demo.scene, false), chunk, feed)) {
                m_lastPowerMs = nowMs;
            }
        }
    } else {
        const bool band5 = loadShared(model.spectrum.band) == 1;
        const std::size_t chunk = spectrumChunk(demo.hardware, band5);
        const float interval = model.refreshInterval[band5 ? 1 : 0];
        if (chunk > 0 && due(nowMs, m_lastSpectrumMs, interval)) {
            const int stream = band5 ? kSpectrum5 : kSpectrum24;
            if (feedChunk(stream, base + "spectrum" + sceneFile(demo.scene, band5), chunk, feed)) {
                m_lastSpectrumMs = nowMs;
            }
        }
    }
    if (loadShared(model.spectrum.ssidOverlay) != 0 && demo.scene == kSceneWifi && demo.accessPoints != 0) {
        stepAccessPoints(nowMs, base, model.deviceInfo.accessPointDelay, model.deviceInfo.accessPointInterval,
                         frameLength, feed);
    }
}

void DemoPlayback::stepAccessPoints(std::uint64_t nowMs, const std::string& base, float delaySeconds,
                                    float intervalSeconds, const FrameLength& frameLength, const Feed& feed)
{
    if (m_accessPointStartMs == 0) {
        m_accessPointStartMs = nowMs;
    }
    if (!due(nowMs, m_accessPointStartMs, delaySeconds) || !due(nowMs, m_lastAccessPointMs, intervalSeconds)) {
        return;
    }
    engine::Data& file = m_files[kAccessPoints];
    if (file.isNull()) {
        file = engine::FileUtils::getInstance()->getDataFromFile(base + "ssid.bin");
    }
    if (file.isNull()) {
        return;
    }
    std::size_t& position = m_positions[kAccessPoints];
    const std::size_t size = file.getSize();
    const std::size_t left = position < size ? size - position : 0;
    const int length = (left > 0 && frameLength)
                           ? frameLength(file.getBytes() + position, static_cast<int>(std::min<std::size_t>(left, 1u << 30)))
                           : -1;
    if (length > 0 && static_cast<std::size_t>(length) <= left) {
        feed(file.getBytes() + position, static_cast<std::size_t>(length));
        position += static_cast<std::size_t>(length);
    } else {
        position = 0;
    }
    m_lastAccessPointMs = nowMs;
}

} // namespace nolvo
