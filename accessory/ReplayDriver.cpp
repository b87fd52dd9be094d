#include "accessory/ReplayDriver.h"

#include <cmath>
#include <cstring>

#include "accessory/LinkHealth.h"
#include "accessory/LinkStateMachine.h"
#include "accessory/PacketParser.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/SharedField.h"

namespace nolvo {

namespace {

// Copies a recorded settings record over `record` when the blob has the record's size.
template <typename Record>
bool restoreRecord(const std::vector<std::uint8_t>& blob, Record& record)
{
    if (blob.size() != sizeof record) {
        return false;
    }
    std::memcpy(&record, blob.data(), sizeof record);
    return true;
}

bool finite(const PowerSettings& power)
{
    return std::isfinite(power.persistence) && std::isfinite(power.triggerDelay) &&
           std::isfinite(power.triggerHoldoff) && std::isfinite(power.triggerLevel);
}

} // namespace

ReplayDriver::UserSettings ReplayDriver::capture(const DataModel& model)
{
    UserSettings settings;
    settings.spectrumModeActive = loadShared(model.common.spectrumModeActive);
    settings.band = loadShared(model.spectrum.band);
    copySettings(settings.power, model.power);
    return settings;
}

void ReplayDriver::apply(DataModel& model, const UserSettings& settings)
{
    storeShared(model.common.spectrumModeActive, settings.spectrumModeActive);
    storeShared(model.spectrum.band, settings.band);
    copySettings(model.power, settings.power);
}

std::optional<ReplayDriver::UserSettings> ReplayDriver::userSettings() const
{
    std::lock_guard<std::mutex> lock(m_userMutex);
    return m_user;
}

void ReplayDriver::saveConfiguration(int slot)
{
    std::lock_guard<std::mutex> lock(m_userMutex);
    if (!m_user) {
        m_model.saveConfiguration(slot);
        return;
    }
    // The replay's settings step aside for the save. The worker may decode a read meanwhile with
    // the user's mode or band in place; the locks keep begin() and finish() out.
    const UserSettings replayed = capture(m_model);
    apply(m_model, *m_user);
    m_model.saveConfiguration(slot);
    apply(m_model, replayed);
}

ReplayDriver::ReplayDriver(LinkContext& context, PacketParser& parser, LinkStateMachine& stateMachine)
    : m_context(context), m_model(context.model), m_parser(parser), m_stateMachine(stateMachine)
{
}

void ReplayDriver::feed(const std::uint8_t* bytes, std::size_t count, std::uint64_t timeUs)
{
    m_feedTimeUs = timeUs;
    if (LinkHealth* health = m_context.health.load()) {
        health->bytes.fetch_add(count, std::memory_order_relaxed);
    }
    m_parser.receive(bytes, count);
}

void ReplayDriver::begin()
{
    const std::shared_ptr<const Recording> recording = m_playback.recording();
    m_begun = m_playback.starts();
    m_running = true;
    if (!recording) {
        return;
    }
    // What the stream means depends on the mode, band and power settings it was recorded with.
    const recording::Header& header = recording->header();
    CommonSettings common{};
    SpectrumSettings spectrum{};
    PowerSettings power{};
    const bool haveMode = restoreRecord(header.commonSettings, common) && common.spectrumModeActive <= 1;
    const bool haveBand = restoreRecord(header.spectrumSettings, spectrum) && (spectrum.band == 0 || spectrum.band == 1);
    const bool havePower = restoreRecord(header.powerSettings, power) && finite(power);
    {
        ModelLock lock(m_model, kAllModelLocks);
        std::lock_guard<std::mutex> userLock(m_userMutex);
        if (!m_user) {
            m_user = capture(m_model); // a replay that replaces another keeps the first one's
        }
        if (haveMode && common.spectrumModeActive != loadShared(m_model.common.spectrumModeActive)) {
            storeShared(m_model.common.spectrumModeActive, common.spectrumModeActive);
            m_model.modeChanged = true;
        }
        if (haveBand) {
            storeShared(m_model.spectrum.band, spectrum.band);
        }
        if (havePower) {
            copySettings(m_model.power, power);
        }
    }
    m_parser.requestReset();
    m_context.identified = false;
    m_context.state = kIdentify;
}

void ReplayDriver::finish()
{
    m_running = false;
    {
        ModelLock lock(m_model, kAllModelLocks);
        std::lock_guard<std::mutex> userLock(m_userMutex);
        if (m_user) {
            if (m_user->spectrumModeActive != loadShared(m_model.common.spectrumModeActive)) {
                m_model.modeChanged = true;
            }
            apply(m_model, *m_user);
            m_user.reset();
        }
    }
    m_parser.requestReset();
    m_context.identified = false;
    m_context.state = kIdentify;
}

void ReplayDriver::rebuildTo(std::int64_t targetUs)
{
    DataLogger* logger = m_context.dataLogger.exchange(nullptr);
    LinkHealth* health = m_context.health.exchange(nullptr);
    {
        ModelLock lock(m_model, kAllModelLocks);
        m_model.clearHistories();
        m_model.clearDerivedTraces();
    }
    m_parser.requestReset();
    m_playback.chunksUpTo(static_cast<std::uint64_t>(targetUs),
                          [this](const std::uint8_t* bytes, std::size_t count, std::uint64_t timeUs) {
                              feed(bytes, count, timeUs);
                          });
    m_context.health = health;
    m_context.dataLogger = logger;
}

bool ReplayDriver::step(std::uint64_t now)
{
    if (!m_playback.active()) {
        if (m_running) {
            finish();
        }
        return false;
    }
    if (!m_running || m_begun != m_playback.starts()) {
        begin();
    }
    const RecordingPlayback::Feed feedChunk = [this](const std::uint8_t* bytes, std::size_t count,
                                                     std::uint64_t timeUs) { feed(bytes, count, timeUs); };
    switch (m_context.state.load()) {
    case kIdentify:
    case kAwaitIdentification: {
        m_context.identified = false;
        m_context.state = kAwaitIdentification;
        const std::shared_ptr<const Recording> recording = m_playback.recording();
        if (recording) {
            const std::vector<std::uint8_t>& id = recording->header().identification;
            m_parser.receive(id.data(), id.size()); // the parser moves on to identified
        }
        return true;
    }
    case kIdentified:
        // Nothing is sent to a recording: the settings it streamed with are in its header, so the
        // connection counts as acknowledged at once.
        m_context.identified = true;
        m_context.clearHistoryPending = true;
        m_context.state = kSettingsAcknowledged;
        return true;
    case kSendSettings:
        m_context.state = kAwaitSettingsAck; // the recorded acknowledgement, if any, moves it on
        break;
    case kSettingsAcknowledged:
        m_stateMachine.acknowledgeSettings(now);
        m_context.state = kStreaming;
        break;
    case kStartStreaming:
        m_context.state = kStreaming;
        break;
    case kStop:
    case kAwaitStopAck:
        m_context.state = kStopped; // a recording holds no stop acknowledgement to wait for
        break;
    case kStopped:
        m_stateMachine.leaveStoppedState();
        break;
    default:
        break;
    }
    // The recorded stream flows whatever the state, as the accessory's did.
    const std::int64_t seek = m_playback.takeSeek();
    if (seek != RecordingPlayback::kNoSeek) {
        rebuildTo(seek);
    } else {
        m_playback.step(now, feedChunk);
    }
    return true;
}

} // namespace nolvo
