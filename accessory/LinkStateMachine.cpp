#include "accessory/LinkStateMachine.h"
#include "model/SharedField.h"

#include <cstdlib>

#include "accessory/AccessoryCommunication.h"
#include "accessory/PacketParser.h"
#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

LinkStateMachine::LinkStateMachine(LinkContext& context, PacketParser& parser)
    : m_context(context), m_model(context.model), m_parser(parser)
{
}

void LinkStateMachine::step(std::uint64_t now)
{
    if (const int state = m_context.state.load(); !m_context.identified.load() && state != kIdentify) {
        m_context.advance(state, kIdentify);
    }
    accessPointScanTiming(now, false);
    stepState(now);
}

// Leaves the stopped state when a restart was asked for (with new settings first, or straight
// back to streaming), or when the user runs again: a stop only follows a paused or completed single
// run state, so a run state of running or single-armed in the stopped state means "start again" -
// without this a second single sweep, or resuming after one, would never get data.
void LinkStateMachine::leaveStoppedState()
{
    const bool restart = m_context.restartPending.load();
    const int run = m_model.runState.load();
    if (!restart && run != kRunning && run != kSingleArmed) {
        return;
    }
    // New settings asked for by any restart go out before streaming starts again.
    const bool resend = m_context.resendSettings.exchange(false);
    if (!m_context.advance(kStopped, resend ? kSendSettings : kStartStreaming)) {
        // A stop or restart came in first: what was asked for is still to do.
        if (resend) {
            m_context.resendSettings = true;
        }
        return;
    }
    if (restart) {
        m_context.restartPending = false;
    }
}

namespace {

// Milliseconds from `then` to `now`; 0 when `then` is later (another thread's clock reading may
// be newer than this pass's `now`).
std::uint64_t elapsed(std::uint64_t now, std::uint64_t then)
{
    return now > then ? now - then : 0;
}

} // namespace

void LinkStateMachine::accessPointScanTiming(std::uint64_t now, bool recorded)
{
    const SpectrumSettings& spectrum = m_model.spectrum;
    const bool overlay = loadShared(spectrum.ssidOverlay) != 0;
    const bool waterfall = loadShared(spectrum.displayMode) == 1;
    const bool concurrent = m_context.concurrentScan.load();
    const int state = m_context.state.load();
    // A recording never leaves the start state while it streams.
    const bool streaming = state == kStreaming || state == kStreamingScanDone || (recorded && state == kStartStreaming);
    if (m_context.identified.load() && loadShared(m_model.common.spectrumModeActive) != 0 && overlay && !waterfall && !concurrent &&
        streaming) {
        const float interval = loadShared(spectrum.ssidScanInterval);
        if (interval > 0.0f) {
            const auto intervalMs = static_cast<std::uint64_t>(interval * 1000.0f);
            const std::uint64_t firstFrame = m_context.firstAccessPointFrameMs.load();
            if (!m_context.scanningAccessPoints.load() &&
                elapsed(now, m_context.lastSpectrumSwitchMs.load()) >= intervalMs) {
                m_context.restartPending = true;
                m_context.scanningAccessPoints = true;
                m_context.advance(state, kStop);
            } else if (m_context.scanningAccessPoints.load() && firstFrame != 0 &&
                       elapsed(now, firstFrame) >= kAccessPointScanMs) {
                m_context.restartPending = true;
                m_context.scanningAccessPoints = false;
                m_context.advance(state, kStop);
            }
        }
    }
    if (overlay && !concurrent && waterfall) {
        m_context.lastSpectrumSwitchMs = now;
    }
}

void LinkStateMachine::startRecordedStream(std::uint64_t now)
{
    const SpectrumSettings& spectrum = m_model.spectrum;
    if (loadShared(m_model.common.spectrumModeActive) == 0 || loadShared(spectrum.ssidOverlay) == 0 ||
        m_context.concurrentScan.load()) {
        return;
    }
    // The same bookkeeping as a live start: a scan (or the waterfall) starts its timing now and
    // waits for its own first frame.
    if (loadShared(spectrum.displayMode) == 1 || m_context.scanningAccessPoints.load() ||
        loadShared(spectrum.ssidScanInterval) == 0.0f) {
        m_context.lastSpectrumSwitchMs = now;
        m_context.firstAccessPointFrameMs = 0;
    }
}

template <typename Build>
bool LinkStateMachine::sendCommand(int length, std::uint32_t tag, Build build)
{
    AccessoryCommunication* link = m_context.link.load();
    if (link == nullptr || length <= 0) {
        return false;
    }
    auto* buffer = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(length)));
    if (buffer == nullptr) {
        return false;
    }
    int written = 0;
    {
        PollingGuard guard(m_context.protocolMutex);
        written = m_context.protocol ? build(*m_context.protocol, buffer, length) : kBuildFailed;
    }
    if (written < 1 || !link->send(buffer, static_cast<std::uint32_t>(written), tag)) {
        std::free(buffer);
        return false;
    }
    return true;
}

bool LinkStateMachine::sendIdentifyRequest()
{
    AccessoryCommunication* link = m_context.link.load();
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

void LinkStateMachine::stepState(std::uint64_t now)
{
    const int state = m_context.state.load();
    switch (state) {
    case kIdentify:
        m_context.identified = false;
        // Waiting first: the identification may be parsed before the request is even queued.
        if (m_context.advance(kIdentify, kAwaitIdentification)) {
            sendIdentifyRequest();
        }
        break;
    case kAwaitIdentification:
        break; // the parser moves on when the identification frame arrives
    case kIdentified: {
        m_context.identified = true;
        m_context.clearHistoryPending = true;
        {
            PollingGuard guard(m_context.protocolMutex);
            m_context.sendSpectrumBeforePower =
                m_context.protocol && m_context.protocol->modelId() == AccessoryProtocolNolvo::kModelId;
        }
        m_context.advance(kIdentified, kSendSettings);
        break;
    }
    case kSendSettings:
        sendSettings();
        break;
    case kAwaitSettingsAck:
        // An acknowledgement that never came: send the settings again.
        if (--m_retryCounter <= 0) {
            m_context.advance(kAwaitSettingsAck, kSendSettings);
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
        break;
    case kStop:
        sendStop();
        break;
    case kAwaitStopAck:
        // A lost stop or acknowledgement would leave the link waiting for good: stop again.
        if (--m_retryCounter <= 0) {
            m_context.advance(kAwaitStopAck, kStop);
        }
        break;
    case kStopped:
        leaveStoppedState();
        break;
    default:
        m_context.advance(state, kIdentify);
        break;
    }
}

void LinkStateMachine::sendSettings()
{
    const int length = [this] {
        PollingGuard guard(m_context.protocolMutex);
        return m_context.protocol ? m_context.protocol->settingsLength() : 0;
    }();
    if (length <= 0) {
        m_context.advance(kSendSettings, kIdentify);
        return;
    }
    m_retryCounter = kSettingsRetryPasses;
    if (!m_context.advance(kSendSettings, kAwaitSettingsAck)) {
        return; // a stop came in first
    }
    const bool sent = sendCommand(length, kTagSettings, [this](AccessoryProtocol& protocol, std::uint8_t* buffer, int capacity) {
        return protocol.buildSettings(buffer, capacity, &m_model);
    });
    if (!sent) {
        m_context.advance(kAwaitSettingsAck, kSendSettings); // nothing went out: try again next pass
    }
}

void LinkStateMachine::sendStop()
{
    m_model.accessPointScanRunning = false;
    bool repeated = true;
    {
        PollingGuard guard(m_context.protocolMutex);
        repeated = !m_context.protocol || m_context.protocol->needsRepeatedStart();
    }
    if (repeated) {
        m_context.advance(kStop, kStopped); // this model stops by no longer being started
        return;
    }
    m_retryCounter = kStopRetryPasses;
    if (!m_context.advance(kStop, kAwaitStopAck)) {
        return;
    }
    const bool sent = sendCommand(3, kTagStart, [](AccessoryProtocol& protocol, std::uint8_t* buffer, int capacity) {
        return protocol.buildStop(buffer, capacity);
    });
    if (!sent) {
        m_context.advance(kAwaitStopAck, kStop);
    }
}

void LinkStateMachine::acknowledgeSettings(std::uint64_t now)
{
    m_context.dataLogReady = true;
    if (DataLogger* logger = m_context.dataLogger.load()) {
        logger->settingsAcknowledged();
    }
    m_context.advance(kSettingsAcknowledged, kStartStreaming);
    if (m_context.clearHistoryPending.load()) {
        ModelLock lock(m_model, kAllModelLocks);
        m_model.clearHistories();
        m_model.clearDerivedTraces();
        m_context.clearHistoryPending = false;
    }
    {
        ModelLock lock(m_model, kDataLock);
        m_model.powerStore.acquisitionPhase = 2;
    }
    m_parser.restartPowerAcquisition(now);
    m_context.lastSpectrumSwitchMs = now;
    const SpectrumSettings& spectrum = m_model.spectrum;
    m_context.scanningAccessPoints = loadShared(m_model.common.spectrumModeActive) != 0 &&
                                     loadShared(spectrum.ssidOverlay) != 0 && loadShared(spectrum.displayMode) != 1 &&
                                     loadShared(spectrum.ssidScanInterval) == 0.0f;
}

void LinkStateMachine::startStreaming(std::uint64_t now)
{
    bool power = false, spectrumOk = false, scanOk = false, repeated = false;
    {
        PollingGuard guard(m_context.protocolMutex);
        if (!m_context.protocol) {
            m_context.advance(kStartStreaming, kIdentify);
            return;
        }
        power = m_context.protocol->supportsPower();
        spectrumOk = m_context.protocol->supportsSpectrum();
        scanOk = m_context.protocol->supportsAccessPointScan();
        repeated = m_context.protocol->needsRepeatedStart();
    }
    const SpectrumSettings& spectrum = m_model.spectrum;
    const bool overlay = loadShared(spectrum.ssidOverlay) != 0;
    const bool waterfall = loadShared(spectrum.displayMode) == 1;
    const bool concurrent = m_context.concurrentScan.load();
    const int runState = m_model.runState.load();
    if (runState == RunState::kStopped || runState == kSingleDone) {
        if (!(overlay && concurrent && waterfall)) {
            m_model.accessPointScanRunning = false;
        }
        m_context.advance(kStartStreaming, kStop);
        return;
    }
    auto startSpectrum = [](AccessoryProtocol& p, std::uint8_t* b, int c) { return p.buildStartSpectrum(b, c); };
    bool scanRunning = false;
    if (loadShared(m_model.common.spectrumModeActive) == 0) {
        if (power) {
            if (m_context.sendSpectrumBeforePower.exchange(false)) {
                sendCommand(3, kTagStart, startSpectrum);
            }
            sendCommand(3, kTagStart, [](AccessoryProtocol& p, std::uint8_t* b, int c) { return p.buildStartPower(b, c); });
        }
    } else {
        bool wantSpectrum = true;
        bool wantScan = overlay;
        if (overlay && !concurrent && !waterfall) {
            if (m_context.scanningAccessPoints.load() || loadShared(spectrum.ssidScanInterval) == 0.0f) {
                wantScan = true;
                wantSpectrum = false;
                scanRunning = true;
                m_context.lastSpectrumSwitchMs = now;
                m_context.firstAccessPointFrameMs = 0;
            } else {
                wantScan = false;
            }
        }
        if (waterfall) {
            scanRunning = false;
            m_context.lastSpectrumSwitchMs = now;
            m_context.firstAccessPointFrameMs = 0;
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
    if (!repeated) {
        m_context.advance(kStartStreaming, kStreaming);
    }
}

} // namespace nolvo
