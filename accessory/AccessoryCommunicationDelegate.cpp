#include "accessory/AccessoryCommunicationDelegate.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "model/AccessPoint.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/Clock.h"

namespace nolvo {

const char* const AccessoryCommunicationDelegate::kPermissionMessage =
    "The Nolvo accessory is plugged in, but this user may not open it. Install the udev rule "
    "60-nolvo.rules into /etc/udev/rules.d (or install Nolvo, which does it), run "
    "\"sudo udevadm control --reload-rules\", then unplug the accessory and plug it in again.";

namespace {

std::unique_ptr<AccessoryProtocol> makeProtocol(std::uint8_t modelId)
{
    switch (modelId) {
    case AccessoryProtocolNolvo::kModelId:
        return std::make_unique<AccessoryProtocolNolvo>();
    case AccessoryProtocolNolvo2::kModelId:
        return std::make_unique<AccessoryProtocolNolvo2>();
    case AccessoryProtocolNolvo25::kModelId:
        return std::make_unique<AccessoryProtocolNolvo25>();
    default:
        return nullptr;
    }
}

bool runStateAcceptsData(int runState)
{
    return runState == kRunning || runState == kSingleArmed;
}

// RAII for the protocol mutex, taken by polling like the model locks.
class PollingGuard {
public:
    explicit PollingGuard(std::mutex& mutex) : m_mutex(mutex) { lockByPolling(m_mutex); }
    ~PollingGuard() { m_mutex.unlock(); }
    PollingGuard(const PollingGuard&) = delete;
    PollingGuard& operator=(const PollingGuard&) = delete;

private:
    std::mutex& m_mutex;
};

} // namespace

AccessoryCommunicationDelegate::AccessoryCommunicationDelegate() : AccessoryCommunicationDelegate(*DataModel::getInstance())
{
}

AccessoryCommunicationDelegate::AccessoryCommunicationDelegate(DataModel& model)
    : AccessoryCommunicationDelegate(model, Options{})
{
}

AccessoryCommunicationDelegate::AccessoryCommunicationDelegate(DataModel& model, Options options)
    : m_model(model), m_options(options), m_buffer(kInitialBufferCapacity)
{
    if (m_options.startWorker) {
        m_worker = std::thread(&AccessoryCommunicationDelegate::workerLoop, this);
    }
}

AccessoryCommunicationDelegate::~AccessoryCommunicationDelegate()
{
    stop();
}

void AccessoryCommunicationDelegate::bind(AccessoryCommunication& link)
{
    using namespace std::placeholders;
    link.setDeviceCallbacks(std::bind(&AccessoryCommunicationDelegate::shouldConnect, this, _1, _2),
                            std::bind(&AccessoryCommunicationDelegate::connected, this, _1, _2),
                            std::bind(&AccessoryCommunicationDelegate::openFailed, this, _1, _2, _3),
                            std::bind(&AccessoryCommunicationDelegate::disconnected, this, _1, _2, _3));
    link.setDataCallbacks(std::bind(&AccessoryCommunicationDelegate::dataReceived, this, _1, _2, _3, _4), {});
}

void AccessoryCommunicationDelegate::stop()
{
    {
        std::lock_guard<std::mutex> guard(m_wakeMutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

int AccessoryCommunicationDelegate::protocolModelId()
{
    PollingGuard guard(m_protocolMutex);
    return m_protocol ? m_protocol->modelId() : 0;
}

// ---------------------------------------------------------------------------------------------
// Link callbacks

bool AccessoryCommunicationDelegate::shouldConnect(AccessoryCommunication*, TamrelAccessoryDevice* device)
{
    return device != nullptr && !m_model.inBackground.load() && device->isAccessory();
}

void AccessoryCommunicationDelegate::resetConnection(AccessoryCommunication* link, TamrelAccessoryDevice* device)
{
    m_link = link;
    m_device = device;
    m_resetBuffer = true;
    for (SegmentAssembler& accumulator : m_accumulators) {
        accumulator.clear();
    }
    m_power.reset();
    m_linkState = kIdentify;
    m_lastSpectrumSwitchMs = 0;
    m_firstAccessPointFrameMs = 0;
    m_scanningAccessPoints = false;
    m_accessPointFrames = 0;
    m_model.accessPointScanRunning = false;
}

void AccessoryCommunicationDelegate::connected(AccessoryCommunication* link, TamrelAccessoryDevice* device)
{
    resetConnection(link, device);
    m_model.accessoryConnected = true;
}

void AccessoryCommunicationDelegate::disconnected(AccessoryCommunication*, TamrelAccessoryDevice*, int)
{
    resetConnection(nullptr, nullptr);
    m_model.accessoryConnected = false;
    // No data log may stay open without its accessory.
    if (DataLogger* logger = m_dataLogger.load()) {
        logger->closeLog();
    }
    m_model.dataLogState = kLogOff;
}

void AccessoryCommunicationDelegate::openFailed(AccessoryCommunication* link, TamrelAccessoryDevice* device,
                                                int result)
{
    // The link retries every pass; the user hears about a permission problem once per run.
    if (result == kUsbErrorAccess && !m_permissionReported.exchange(true)) {
        std::printf("%s\n", kPermissionMessage);
        std::fflush(stdout);
        m_model.logLine(0, kPermissionMessage);
    }
    disconnected(link, device, result);
}

// ---------------------------------------------------------------------------------------------
// Parser

void AccessoryCommunicationDelegate::dataReceived(AccessoryCommunication*, TamrelAccessoryDevice*,
                                                  unsigned char* bytes, unsigned count)
{
    if (bytes == nullptr || count == 0) {
        return;
    }
    PollingGuard guard(m_protocolMutex);
    if (m_resetBuffer.exchange(false)) {
        m_fill = 0;
    }
    // Parsing piece by piece keeps the buffer within one frame plus one piece, whatever the caller
    // hands over at once.
    while (count > 0) {
        const std::size_t piece = std::min<std::size_t>(count, kParseChunk);
        if (m_fill + piece > m_buffer.size()) {
            m_buffer.resize(m_fill + piece + 100);
        }
        std::memcpy(m_buffer.data() + m_fill, bytes, piece);
        m_fill += piece;
        parse();
        bytes += piece;
        count -= static_cast<unsigned>(piece);
    }
}

void AccessoryCommunicationDelegate::parse()
{
    std::uint8_t* const buffer = m_buffer.data();
    std::size_t pos = 0;
    while (pos < m_fill) {
        if (buffer[pos] != kSync) {
            ++pos;
            continue;
        }
        const std::size_t available = m_fill - pos;
        if (available < 3) {
            break;
        }
        const int type = buffer[pos + 1] >> 5;
        if (!m_identified.load() || !m_protocol) {
            if (type != kFrameIdentification) {
                ++pos;
                continue;
            }
            m_protocol = makeProtocol(buffer[pos + 2]);
            if (!m_protocol) {
                pos = m_fill; // an unknown model: nothing buffered can be trusted
                break;
            }
            m_protocol->setAccessPointModel(&m_model);
        }
        const int length = m_protocol->frameLength(buffer + pos, static_cast<int>(available));
        if (length == kLengthUnknownType) {
            pos = std::min(pos + 2, m_fill);
            continue;
        }
        if (length == kLengthBadSync) {
            ++pos;
            continue;
        }
        if (length == kLengthInvalid) {
            pos = m_fill;
            break;
        }
        if (length <= 0) {
            // More bytes needed. With a whole maximal frame's worth buffered behind this sync
            // byte the frame can never complete: it is garbage, resynchronise on the next sync.
            if (available >= static_cast<std::size_t>(m_protocol->maxFrameLength())) {
                ++pos;
                continue;
            }
            break;
        }
        dispatch(type, buffer + pos, length);
        pos += static_cast<std::size_t>(length);
    }
    if (pos > 0) {
        std::memmove(buffer, buffer + pos, m_fill - pos);
        m_fill -= pos;
    }
}

void AccessoryCommunicationDelegate::dispatch(int type, const std::uint8_t* frame, int length)
{
    m_framesDispatched.fetch_add(1, std::memory_order_relaxed);
    switch (type) {
    case kFrameSettingsAck:
        if (m_protocol->checkSettingsAck(frame, length) == 0) {
            for (SegmentAssembler& accumulator : m_accumulators) {
                accumulator.clear();
            }
            m_power.reset();
            m_linkState = kSettingsAcknowledged;
        }
        break;
    case kFrameIdentification:
        if (m_linkState.load() == kAwaitIdentification) {
            handleIdentification(frame, length);
        }
        break;
    case kFramePower:
        if (runStateAcceptsData(m_model.runState.load())) {
            handlePowerFrame(frame, length);
        }
        break;
    case kFrameSpectrum:
        if (runStateAcceptsData(m_model.runState.load())) {
            handleSpectrumFrame(frame, length);
        }
        break;
    case kFrameStopAck: {
        const int state = m_linkState.load();
        if (m_protocol->checkStopAck(frame, length) == 0 && (state == kStop || state == kAwaitStopAck)) {
            m_linkState = kStopped;
        }
        break;
    }
    case kFrameAccessPoints:
        handleAccessPointFrame(frame, length);
        break;
    default:
        break;
    }
}

void AccessoryCommunicationDelegate::handleIdentification(const std::uint8_t* frame, int length)
{
    AccessoryInfo info;
    if (m_protocol->decodeIdentification(frame, length, &info) != 0) {
        return;
    }
    {
        ModelLock lock(m_model, kDataLock);
        m_model.setAccessoryInfo(info);
    }
    // Settings that the identified model cannot use are brought into its range before the worker
    // (which reads them once it sees the new state) builds the settings command.
    PowerSettings& power = m_model.power;
    if (!info.timePerDivision.empty() && power.timeScaleIndex < 0) {
        power.timeScaleIndex = 14;
    }
    if (!info.extraTable.empty() && power.amplitudeScaleIndex < 0) {
        power.amplitudeScaleIndex = 0;
    }
    CommonSettings& common = m_model.common;
    const bool anySpectrum =
        info.has24Spectrum || info.has5Spectrum || info.has24AccessPoints || info.has5AccessPoints;
    if (common.spectrumModeActive == 0 && !info.hasPower) {
        common.spectrumModeActive = 1;
        m_model.modeChanged = true;
    } else if (common.spectrumModeActive == 1 && !anySpectrum) {
        common.spectrumModeActive = 0;
        m_model.modeChanged = true;
    }
    m_concurrentScan = info.concurrentScan;
    m_identified = true;
    m_linkState = kIdentified;
}

void AccessoryCommunicationDelegate::handleSpectrumFrame(const std::uint8_t* frame, int length)
{
    float values[kMaxSpectrumValues];
    int valueCount = 0;
    int band = kSpectrumBandNone;
    int segment = kNoSegment;
    const int result =
        m_protocol->decodeSpectrum(frame, length, values, kMaxSpectrumValues, &valueCount, &band, &segment);
    if (result != 0 || valueCount <= 0 || segment == kNoSegment || band == kSpectrumBandNone) {
        return;
    }
    ModelLock lock(m_model, kDataLock);
    int sweepCount = 0;
    const float* sweep = m_accumulators[band == kSpectrumBand5 ? 1 : 0].add(
        *m_protocol, m_protocol->spectrumSegments(band), values, valueCount, segment, sweepCount);
    if (sweep == nullptr) {
        return;
    }
    const int modelBand = band == kSpectrumBand5 ? kBand5 : kBand24;
    const int limit = band == kSpectrumBand5 ? kBins5 : kBins24;
    m_model.pushSweep(modelBand, sweep, std::min(sweepCount, limit));
    if (DataLogger* logger = m_dataLogger.load()) {
        logger->logSpectrum(modelBand, sweep, std::min(sweepCount, limit));
    }
    int armed = kSingleArmed;
    if (m_model.runState.compare_exchange_strong(armed, kSingleDone)) {
        requestStop();
    }
}

void AccessoryCommunicationDelegate::handlePowerFrame(const std::uint8_t* frame, int length)
{
    float values[kMaxPowerValues];
    int valueCount = 0;
    int segment = kNoSegment;
    bool triggered = false;
    if (m_protocol->decodePower(frame, length, values, kMaxPowerValues, &valueCount, &segment, &triggered) != 0) {
        return;
    }
    const bool produced = m_power.process(m_model, m_dataLogger.load(), *m_protocol, values, valueCount, segment,
                                          triggered, engine::clock::steadyMs());
    int armed = kSingleArmed;
    if (produced && m_model.runState.compare_exchange_strong(armed, kSingleDone)) {
        requestStop();
    }
}

void AccessoryCommunicationDelegate::handleAccessPointFrame(const std::uint8_t* frame, int length)
{
    std::unique_ptr<AccessPointBatch> list;
    if (m_protocol->decodeAccessPoints(frame, length, &list) != 0) {
        return;
    }
    if ((!list || list->empty()) && m_linkState.load() == kStreaming) {
        m_linkState = kStreamingScanDone;
        m_accessPointFrames = 0;
    } else {
        const int frames = ++m_accessPointFrames;
        if (frames == 1) {
            m_firstAccessPointFrameMs = engine::clock::steadyMs();
        }
        if (!list || list->size() < kFullAccessPointFrame || frames > 1) {
            // The scan is complete: a non-concurrent model goes back to sweeping.
            m_accessPointFrames = 0;
            const SpectrumSettings& spectrum = m_model.spectrum;
            const bool waterfall = spectrum.displayMode == 1;
            const bool periodic = !waterfall && spectrum.ssidOverlay != 0 && spectrum.ssidScanInterval > 0.0f;
            if (m_model.common.spectrumModeActive != 0 && !m_concurrentScan.load() && (periodic || waterfall)) {
                m_scanningAccessPoints = false;
                m_restartPending = true;
                m_linkState = kStop;
            }
        }
    }
    if (list) {
        mergeAccessPoints(std::move(list));
    }
}

void AccessoryCommunicationDelegate::mergeAccessPoints(std::unique_ptr<AccessPointBatch> list)
{
    // The model merges the scan under its locks, counts it, runs the forced utilization pass and
    // raises the list-changed flags; while the utilization table's edit mode is on it drops the
    // scan instead. Records not taken over are released with the list.
    if (list) {
        m_model.storeAccessPointScan(*list);
    }
}

// ---------------------------------------------------------------------------------------------
// Control

void AccessoryCommunicationDelegate::requestStop()
{
    if (m_identified.load()) {
        m_restartPending = false;
        m_linkState = kStop;
    }
}

void AccessoryCommunicationDelegate::requestRestart(bool clearHistory)
{
    if (m_identified.load()) {
        m_restartPending = true;
        m_resendSettings = true;
        m_clearHistoryPending = clearHistory;
        m_linkState = kStop;
    }
}

// ---------------------------------------------------------------------------------------------
// Worker

void AccessoryCommunicationDelegate::workerLoop()
{
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    while (!m_stopRequested) {
        const auto started = std::chrono::steady_clock::now();
        lock.unlock();
        runWorkerPass();
        lock.lock();
        m_wake.wait_until(lock, started + m_options.workerPeriod, [this] { return m_stopRequested; });
    }
}

void AccessoryCommunicationDelegate::runWorkerPass()
{
    if (m_link.load() == nullptr || m_device.load() == nullptr) {
        if (m_playbackRestartPending.exchange(false)) {
            // Playback feeds the parser on this thread, so its state may be reset here.
            resetConnection(nullptr, nullptr);
            m_identified = false;
            m_demo.reset();
        }
        runPlaybackPass(engine::clock::steadyMs());
        return;
    }
    m_playbackRestartPending = false;
    if (!m_identified.load() && m_linkState.load() != kIdentify) {
        m_linkState = kIdentify;
    }
    const std::uint64_t now = engine::clock::steadyMs();
    accessPointScanTiming(now);
    stepStateMachine(now);
}

void AccessoryCommunicationDelegate::runPlaybackPass(std::uint64_t now)
{
    const int hardware = m_model.demo.hardware;
    if (DemoPlayback::prefix(hardware).empty()) {
        return;
    }
    if (!m_identified.load() && m_linkState.load() != kIdentify) {
        m_linkState = kIdentify;
    }
    // Recorded streams switch into an access-point scan like a live accessory would; a recording
    // has no stop acknowledgement, so the stop goes straight through to the restart below.
    const SpectrumSettings& spectrum = m_model.spectrum;
    const bool overlay = spectrum.ssidOverlay != 0;
    const bool waterfall = spectrum.displayMode == 1;
    const int state = m_linkState.load();
    if (m_identified.load() && m_model.common.spectrumModeActive != 0 && overlay && !waterfall &&
        !m_concurrentScan.load() && state >= kStartStreaming && state <= kStreamingScanDone &&
        spectrum.ssidScanInterval > 0.0f && !m_scanningAccessPoints.load() &&
        now - m_lastSpectrumSwitchMs.load() >= static_cast<std::uint64_t>(spectrum.ssidScanInterval * 1000.0f)) {
        m_restartPending = true;
        m_scanningAccessPoints = true;
        m_linkState = kStop;
    }
    if (overlay && !m_concurrentScan.load() && waterfall) {
        m_lastSpectrumSwitchMs = now;
    }
    const DemoPlayback::Feed feed = [this](const std::uint8_t* bytes, std::size_t count) {
        dataReceived(nullptr, nullptr, const_cast<unsigned char*>(bytes), static_cast<unsigned>(count));
    };
    switch (m_linkState.load()) {
    case kIdentify:
    case kAwaitIdentification:
        m_identified = false;
        m_linkState = kAwaitIdentification;
        m_demo.feedWhole(hardware, "discover.bin", feed);
        break;
    case kIdentified:
        m_identified = true;
        m_linkState = kSendSettings;
        m_clearHistoryPending = true;
        DemoPlayback::presetTrigger(m_model.power, protocolModelId());
        break;
    case kSendSettings:
    case kAwaitSettingsAck:
        m_linkState = kAwaitSettingsAck;
        m_demo.feedWhole(hardware, "settings.bin", feed);
        break;
    case kSettingsAcknowledged:
        acknowledgeSettings(now);
        m_demo.reset();
        m_linkState = kStartStreaming;
        break;
    case kStartStreaming:
    case kStreaming:
    case kStreamingScanDone:
        if (runStateAcceptsData(m_model.runState.load())) {
            const DemoPlayback::FrameLength frameLength = [this](const std::uint8_t* bytes, int count) {
                PollingGuard guard(m_protocolMutex);
                return m_protocol ? m_protocol->frameLength(bytes, count) : kLengthInvalid;
            };
            m_demo.stepStreaming(now, m_model, frameLength, feed);
        }
        break;
    case kStop:
    case kAwaitStopAck:
        m_linkState = kStopped;
        break;
    case kStopped:
        leaveStoppedState();
        break;
    default:
        m_linkState = kIdentify;
        break;
    }
}

// Leaves the stopped state when a restart was asked for (with new settings first, or straight
// back to streaming), or when the user runs again: a stop only follows a paused or completed single
// run state, so a run state of running or single-armed in the stopped state means "start again" -
// without this a second single sweep, or resuming after one, would never get data.
void AccessoryCommunicationDelegate::leaveStoppedState()
{
    if (m_restartPending.load()) {
        m_linkState = m_resendSettings.exchange(false) ? kSendSettings : kStartStreaming;
        m_restartPending = false;
        return;
    }
    const int run = m_model.runState.load();
    if (run == kRunning || run == kSingleArmed) {
        m_linkState = kStartStreaming;
    }
}

void AccessoryCommunicationDelegate::accessPointScanTiming(std::uint64_t now)
{
    const SpectrumSettings& spectrum = m_model.spectrum;
    const bool overlay = spectrum.ssidOverlay != 0;
    const bool waterfall = spectrum.displayMode == 1;
    const bool concurrent = m_concurrentScan.load();
    const int state = m_linkState.load();
    if (m_identified.load() && m_model.common.spectrumModeActive != 0 && overlay && !waterfall && !concurrent &&
        (state == kStreaming || state == kStreamingScanDone)) {
        const float interval = spectrum.ssidScanInterval;
        if (interval > 0.0f) {
            const auto intervalMs = static_cast<std::uint64_t>(interval * 1000.0f);
            if (!m_scanningAccessPoints.load() && now - m_lastSpectrumSwitchMs.load() >= intervalMs) {
                m_restartPending = true;
                m_scanningAccessPoints = true;
                m_linkState = kStop;
            } else if (m_scanningAccessPoints.load() && m_firstAccessPointFrameMs.load() != 0 &&
                       now - m_firstAccessPointFrameMs.load() >= kAccessPointScanMs) {
                m_restartPending = true;
                m_scanningAccessPoints = false;
                m_linkState = kStop;
            }
        }
    }
    if (overlay && !concurrent && waterfall) {
        m_lastSpectrumSwitchMs = now;
    }
}

template <typename Build>
bool AccessoryCommunicationDelegate::sendCommand(int length, std::uint32_t tag, Build build)
{
    AccessoryCommunication* link = m_link.load();
    if (link == nullptr || length <= 0) {
        return false;
    }
    auto* buffer = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(length)));
    if (buffer == nullptr) {
        return false;
    }
    int written = 0;
    {
        PollingGuard guard(m_protocolMutex);
        written = m_protocol ? build(*m_protocol, buffer, length) : kBuildFailed;
    }
    if (written < 1 || !link->send(buffer, static_cast<std::uint32_t>(written), tag)) {
        std::free(buffer);
        return false;
    }
    return true;
}

bool AccessoryCommunicationDelegate::sendIdentifyRequest()
{
    AccessoryCommunication* link = m_link.load();
    auto* buffer = static_cast<unsigned char*>(std::malloc(3));
    if (link == nullptr || buffer == nullptr) {
        std::free(buffer);
        return false;
    }
    buffer[0] = kSync;
    buffer[1] = 3;
    buffer[2] = kFrameIdentification;
    if (!link->send(buffer, 3, kTagIdentify)) {
        std::free(buffer);
        return false;
    }
    return true;
}

void AccessoryCommunicationDelegate::stepStateMachine(std::uint64_t now)
{
    switch (m_linkState.load()) {
    case kIdentify:
        m_identified = false;
        sendIdentifyRequest();
        m_retryCounter = kSettingsRetryPasses;
        m_linkState = kAwaitIdentification;
        break;
    case kAwaitIdentification:
        break; // the parser moves on when the identification frame arrives
    case kIdentified: {
        m_identified = true;
        m_clearHistoryPending = true;
        PollingGuard guard(m_protocolMutex);
        m_sendSpectrumBeforePower = m_protocol && m_protocol->modelId() == AccessoryProtocolNolvo::kModelId;
        m_linkState = kSendSettings;
        break;
    }
    case kSendSettings: {
        const int length = [this] {
            PollingGuard guard(m_protocolMutex);
            return m_protocol ? m_protocol->settingsLength() : 0;
        }();
        if (length <= 0) {
            m_linkState = kIdentify;
            break;
        }
        sendCommand(length, kTagSettings, [this](AccessoryProtocol& protocol, std::uint8_t* buffer, int capacity) {
            return protocol.buildSettings(buffer, capacity, &m_model);
        });
        m_retryCounter = kSettingsRetryPasses;
        m_linkState = kAwaitSettingsAck;
        break;
    }
    case kAwaitSettingsAck:
        // An acknowledgement that never came: send the settings again.
        if (--m_retryCounter <= 0) {
            m_linkState = kSendSettings;
        }
        break;
    case kSettingsAcknowledged:
        acknowledgeSettings(now);
        break;
    case kStartStreaming:
        startStreaming(now);
        break;
    case kStreaming:
    case kStreamingScanDone:
    case kAwaitStopAck:
        break;
    case kStop: {
        m_model.accessPointScanRunning = false;
        bool repeated = true;
        {
            PollingGuard guard(m_protocolMutex);
            repeated = !m_protocol || m_protocol->needsRepeatedStart();
        }
        if (!repeated) {
            sendCommand(3, kTagStart, [](AccessoryProtocol& protocol, std::uint8_t* buffer, int capacity) {
                return protocol.buildStop(buffer, capacity);
            });
            m_linkState = kAwaitStopAck;
        } else {
            m_linkState = kStopped;
        }
        break;
    }
    case kStopped:
        leaveStoppedState();
        break;
    default:
        m_linkState = kIdentify;
        break;
    }
}

void AccessoryCommunicationDelegate::acknowledgeSettings(std::uint64_t now)
{
    m_dataLogReady = true;
    if (DataLogger* logger = m_dataLogger.load()) {
        logger->settingsAcknowledged();
    }
    m_linkState = kStartStreaming;
    if (m_clearHistoryPending.load()) {
        ModelLock lock(m_model, kAllModelLocks);
        m_model.clearHistories();
        m_model.clearDerivedTraces();
        m_clearHistoryPending = false;
    }
    {
        ModelLock lock(m_model, kDataLock);
        m_model.powerStore.acquisitionPhase = 2;
    }
    m_power.restartAcquisition(now);
    m_lastSpectrumSwitchMs = now;
    const SpectrumSettings& spectrum = m_model.spectrum;
    m_scanningAccessPoints = m_model.common.spectrumModeActive != 0 && spectrum.ssidOverlay != 0 &&
                             spectrum.displayMode != 1 && spectrum.ssidScanInterval == 0.0f;
}

void AccessoryCommunicationDelegate::startStreaming(std::uint64_t now)
{
    bool power = false, spectrumOk = false, scanOk = false, repeated = false;
    {
        PollingGuard guard(m_protocolMutex);
        if (!m_protocol) {
            m_linkState = kIdentify;
            return;
        }
        power = m_protocol->supportsPower();
        spectrumOk = m_protocol->supportsSpectrum();
        scanOk = m_protocol->supportsAccessPointScan();
        repeated = m_protocol->needsRepeatedStart();
    }
    const SpectrumSettings& spectrum = m_model.spectrum;
    const bool overlay = spectrum.ssidOverlay != 0;
    const bool waterfall = spectrum.displayMode == 1;
    const bool concurrent = m_concurrentScan.load();
    const int runState = m_model.runState.load();
    if (runState == kStopped || runState == kSingleDone) {
        if (!(overlay && concurrent && waterfall)) {
            m_model.accessPointScanRunning = false;
        }
        m_linkState = kStop;
        return;
    }
    auto startSpectrum = [](AccessoryProtocol& p, std::uint8_t* b, int c) { return p.buildStartSpectrum(b, c); };
    bool scanRunning = false;
    if (m_model.common.spectrumModeActive == 0) {
        if (power) {
            if (m_sendSpectrumBeforePower.exchange(false)) {
                sendCommand(3, kTagStart, startSpectrum);
            }
            sendCommand(3, kTagStart, [](AccessoryProtocol& p, std::uint8_t* b, int c) { return p.buildStartPower(b, c); });
        }
    } else {
        bool wantSpectrum = true;
        bool wantScan = overlay;
        if (overlay && !concurrent && !waterfall) {
            if (m_scanningAccessPoints.load() || spectrum.ssidScanInterval == 0.0f) {
                wantScan = true;
                wantSpectrum = false;
                scanRunning = true;
                m_lastSpectrumSwitchMs = now;
                m_firstAccessPointFrameMs = 0;
            } else {
                wantScan = false;
            }
        }
        if (waterfall) {
            scanRunning = false;
            m_lastSpectrumSwitchMs = now;
            m_firstAccessPointFrameMs = 0;
        } else if (wantScan && scanOk) {
            sendCommand(3, kTagStart, [](AccessoryProtocol& p, std::uint8_t* b, int c) {
                return p.buildStartAccessPointScan(b, c);
            });
        }
        if (wantSpectrum && spectrumOk) {
            sendCommand(3, kTagStart, startSpectrum);
        }
    }
    m_model.accessPointScanRunning = scanRunning;
    m_linkState = repeated ? kStartStreaming : kStreaming;
}

} // namespace nolvo
