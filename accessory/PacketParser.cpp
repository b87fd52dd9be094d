#include "accessory/PacketParser.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cstring>

#include "accessory/LinkHealth.h"
#include "accessory/protocols/AccessPointRecord.h"
#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "model/AccessPoint.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/Clock.h"

namespace nolvo {

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

// A settings acknowledgement moves the link on from anywhere but a stop: a stop that was asked
// for while the settings were on their way stays a stop.
bool takesSettingsAck(int state)
{
    return state != linkstate::kStop && state != linkstate::kAwaitStopAck && state != linkstate::kStopped;
}

bool takesStopAck(int state)
{
    return state == linkstate::kStop || state == linkstate::kAwaitStopAck;
}

bool streaming(int state)
{
    return state == linkstate::kStartStreaming || state == linkstate::kStreaming ||
           state == linkstate::kStreamingScanDone;
}

} // namespace

PacketParser::PacketParser(LinkContext& context)
    : m_context(context), m_model(context.model), m_buffer(kInitialBufferCapacity)
{
}

void PacketParser::clearAssembly()
{
    for (SegmentAssembler& accumulator : m_accumulators) {
        accumulator.clear();
    }
    m_power.reset();
}

void PacketParser::receive(const std::uint8_t* bytes, std::size_t count)
{
    if (bytes == nullptr || count == 0) {
        return;
    }
    PollingGuard guard(m_context.protocolMutex);
    if (m_resetRequested.exchange(false)) {
        if (m_fill > 0) {
            noteDropped(); // what is left over is always the start of a frame
        }
        m_fill = 0;
        m_skipping = false;
        clearAssembly();
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
        count -= piece;
    }
}

void PacketParser::parse()
{
    std::unique_ptr<AccessoryProtocol>& protocol = m_context.protocol;
    std::uint8_t* const buffer = m_buffer.data();
    std::size_t pos = 0;
    while (pos < m_fill) {
        if (buffer[pos] != kSync) {
            noteSkipped();
            ++pos;
            continue;
        }
        const std::size_t available = m_fill - pos;
        if (available < 3) {
            break;
        }
        const int type = buffer[pos + 1] >> 5;
        if (!m_context.identified.load() || !protocol) {
            if (type != kFrameIdentification) {
                ++pos;
                continue;
            }
            protocol = makeProtocol(buffer[pos + 2]);
            if (!protocol) {
                pos = m_fill; // an unknown model: nothing buffered can be trusted
                break;
            }
            protocol->setAccessPointModel(&m_model);
        }
        const int length = protocol->frameLength(buffer + pos, static_cast<int>(available));
        if (length == kLengthUnknownType) {
            noteSkipped();
            pos = std::min(pos + 2, m_fill);
            continue;
        }
        if (length == kLengthBadSync) {
            noteSkipped();
            ++pos;
            continue;
        }
        if (length == kLengthInvalid) {
            noteDropped();
            pos = m_fill;
            break;
        }
        if (length <= 0) {
            // More bytes needed. With a whole maximal frame's worth buffered behind this sync
            // byte the frame can never complete: it is garbage, resynchronise on the next sync.
            if (available >= static_cast<std::size_t>(protocol->maxFrameLength())) {
                noteDropped();
                noteSkipped();
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

void PacketParser::noteSkipped()
{
    // Before identification every frame but the identification is skipped: that is no resync.
    if (m_skipping || !m_context.identified.load()) {
        return;
    }
    m_skipping = true;
    if (LinkHealth* health = m_context.health.load()) {
        health->resyncs.fetch_add(1, std::memory_order_relaxed);
    }
}

void PacketParser::noteDropped()
{
    if (LinkHealth* health = m_context.health.load()) {
        health->droppedPartialFrames.fetch_add(1, std::memory_order_relaxed);
    }
}

void PacketParser::dispatch(int type, const std::uint8_t* frame, int length)
{
    m_framesDispatched.fetch_add(1, std::memory_order_relaxed);
    m_skipping = false;
    if (LinkHealth* health = m_context.health.load()) {
        health->frames.fetch_add(1, std::memory_order_relaxed);
    }
    AccessoryProtocol& protocol = *m_context.protocol;
    switch (type) {
    case kFrameSettingsAck:
        if (protocol.checkSettingsAck(frame, length) == 0) {
            clearAssembly();
            m_context.advanceFrom(takesSettingsAck, kSettingsAcknowledged);
        }
        break;
    case kFrameIdentification:
        if (m_context.state.load() == kAwaitIdentification) {
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
    case kFrameStopAck:
        if (protocol.checkStopAck(frame, length) == 0) {
            m_context.advanceFrom(takesStopAck, kStopped);
        }
        break;
    case kFrameAccessPoints:
        handleAccessPointFrame(frame, length);
        break;
    default:
        break;
    }
}

void PacketParser::handleIdentification(const std::uint8_t* frame, int length)
{
    AccessoryInfo info;
    if (m_context.protocol->decodeIdentification(frame, length, &info) != 0) {
        return;
    }
    {
        ModelLock lock(m_model, kDataLock);
        m_model.setAccessoryInfo(info);
    }
    // Settings that the identified model cannot use are brought into its range before the worker
    // (which reads them once it sees the new state) builds the settings command.
    PowerSettings& power = m_model.power;
    if (!info.timePerDivision.empty() && loadShared(power.timeScaleIndex) < 0) {
        storeShared(power.timeScaleIndex, 14);
    }
    if (!info.extraTable.empty() && loadShared(power.amplitudeScaleIndex) < 0) {
        storeShared(power.amplitudeScaleIndex, 0);
    }
    std::uint8_t& mode = m_model.common.spectrumModeActive;
    const bool anySpectrum =
        info.has24Spectrum || info.has5Spectrum || info.has24AccessPoints || info.has5AccessPoints;
    if (loadShared(mode) == 0 && !info.hasPower) {
        storeShared<std::uint8_t>(mode, 1);
        m_model.modeChanged = true;
    } else if (loadShared(mode) == 1 && !anySpectrum) {
        storeShared<std::uint8_t>(mode, 0);
        m_model.modeChanged = true;
    }
    m_context.concurrentScan = info.concurrentScan;
    m_context.identificationFrame.assign(frame, frame + length); // a recording starts with it
    m_context.identified = true;
    m_context.advance(kAwaitIdentification, kIdentified);
}

void PacketParser::handleSpectrumFrame(const std::uint8_t* frame, int length)
{
    AccessoryProtocol& protocol = *m_context.protocol;
    float values[kMaxSpectrumValues];
    int valueCount = 0;
    int band = kSpectrumBandNone;
    int segment = kNoSegment;
    const int result = protocol.decodeSpectrum(frame, length, values, kMaxSpectrumValues, &valueCount, &band, &segment);
    if (result != 0 || valueCount <= 0 || segment == kNoSegment || band == kSpectrumBandNone) {
        return;
    }
    DataLogger* const logger = m_context.dataLogger.load();
    {
        ModelLock lock(m_model, kDataLock);
        int sweepCount = 0;
        const float* sweep = m_accumulators[band == kSpectrumBand5 ? 1 : 0].add(
            protocol, protocol.spectrumSegments(band), values, valueCount, segment, sweepCount);
        if (sweep == nullptr) {
            return;
        }
        const int modelBand = band == kSpectrumBand5 ? kBand5 : kBand24;
        const int limit = band == kSpectrumBand5 ? kBins5 : kBins24;
        m_model.pushSweep(modelBand, sweep, std::min(sweepCount, limit));
        if (logger != nullptr) {
            logger->logSpectrum(modelBand, sweep, std::min(sweepCount, limit));
        }
    }
    if (logger != nullptr) {
        logger->writePending(); // the disk may be slow: never while dataLock is held
    }
    int armed = kSingleArmed;
    if (m_model.runState.compare_exchange_strong(armed, kSingleDone)) {
        m_context.requestStop();
    }
}

void PacketParser::handlePowerFrame(const std::uint8_t* frame, int length)
{
    AccessoryProtocol& protocol = *m_context.protocol;
    float values[kMaxPowerValues];
    int valueCount = 0;
    int segment = kNoSegment;
    bool triggered = false;
    if (protocol.decodePower(frame, length, values, kMaxPowerValues, &valueCount, &segment, &triggered) != 0) {
        return;
    }
    DataLogger* const logger = m_context.dataLogger.load();
    const bool produced =
        m_power.process(m_model, logger, protocol, values, valueCount, segment, triggered, engine::clock::steadyMs());
    if (logger != nullptr) {
        logger->writePending(); // process() has released dataLock
    }
    int armed = kSingleArmed;
    if (produced && m_model.runState.compare_exchange_strong(armed, kSingleDone)) {
        m_context.requestStop();
    }
}

void PacketParser::handleAccessPointFrame(const std::uint8_t* frame, int length)
{
    if (LinkHealth* health = m_context.health.load(); health != nullptr && length >= AccessPointRecord::kFrameHeaderLength) {
        // The decoder drops records whose checksum fails; the link's health counts them.
        const int records = frame[2];
        for (int r = 0; r < records; ++r) {
            const int start = AccessPointRecord::kFrameHeaderLength + AccessPointRecord::kLength * r;
            if (start + AccessPointRecord::kLength <= length && !AccessPointRecord::checksumValid(frame + start)) {
                health->badChecksums.fetch_add(1, std::memory_order_relaxed);
            }
        }
    }
    std::unique_ptr<AccessPointBatch> list;
    if (m_context.protocol->decodeAccessPoints(frame, length, &list) != 0) {
        return;
    }
    if ((!list || list->empty()) && m_context.advance(kStreaming, kStreamingScanDone)) {
        m_context.accessPointFrames = 0;
    } else {
        const int frames = ++m_context.accessPointFrames;
        if (frames == 1) {
            m_context.firstAccessPointFrameMs = engine::clock::steadyMs();
        }
        if (!list || list->size() < kFullAccessPointFrame || frames > 1) {
            // The scan is complete: a non-concurrent model goes back to sweeping.
            m_context.accessPointFrames = 0;
            const SpectrumSettings& spectrum = m_model.spectrum;
            const bool waterfall = loadShared(spectrum.displayMode) == 1;
            const bool periodic =
                !waterfall && loadShared(spectrum.ssidOverlay) != 0 && loadShared(spectrum.ssidScanInterval) > 0.0f;
            if (loadShared(m_model.common.spectrumModeActive) != 0 && !m_context.concurrentScan.load() &&
                (periodic || waterfall)) {
                // Only a streaming link is taken back: a stop or new settings under way go first.
                m_context.scanningAccessPoints = false;
                m_context.restartPending = true;
                m_context.advanceFrom(streaming, kStop);
            }
        }
    }
    // The model merges the scan under its locks, counts it, runs the forced utilization pass and
    // raises the list-changed flags; while the utilization table's edit mode is on it drops the
    // scan instead. Records not taken over are released with the list.
    if (list) {
        m_model.storeAccessPointScan(*list);
    }
}

} // namespace nolvo
