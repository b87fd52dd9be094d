#include "accessory/PlaybackDriver.h"
#include "model/SharedField.h"

#include "accessory/LinkStateMachine.h"
#include "accessory/PacketParser.h"
#include "model/DataModel.h"

namespace nolvo {

PlaybackDriver::PlaybackDriver(LinkContext& context, PacketParser& parser, LinkStateMachine& stateMachine)
    : m_context(context), m_model(context.model), m_parser(parser), m_stateMachine(stateMachine)
{
}

void PlaybackDriver::step(std::uint64_t now)
{
    const int hardware = loadShared(m_model.demo.hardware);
    if (DemoPlayback::prefix(hardware).empty()) {
        return;
    }
    if (const int state = m_context.state.load(); !m_context.identified.load() && state != kIdentify) {
        m_context.advance(state, kIdentify);
    }
    // Recorded streams switch into and out of access-point scans like a live accessory would; a
    // recording has no stop acknowledgement, so a stop goes straight through to the restart below.
    m_stateMachine.accessPointScanTiming(now, true);
    const DemoPlayback::Feed feed = [this](const std::uint8_t* bytes, std::size_t count) {
        m_parser.receive(bytes, count);
    };
    const int state = m_context.state.load();
    switch (state) {
    case kIdentify:
    case kAwaitIdentification:
        m_context.identified = false;
        if (m_context.advance(state, kAwaitIdentification)) {
            m_demo.feedWhole(hardware, "discover.bin", feed);
        }
        break;
    case kIdentified:
        m_context.identified = true;
        m_context.clearHistoryPending = true;
        DemoPlayback::presetTrigger(m_model.power, m_context.protocolModelId());
        m_context.advance(kIdentified, kSendSettings);
        break;
    case kSendSettings:
        // A stream cut by the stop may have left the start of a long frame buffered; the
        // acknowledgement would wait behind it until the parser gives the frame up.
        m_parser.requestReset();
        [[fallthrough]];
    case kAwaitSettingsAck:
        if (m_context.advance(state, kAwaitSettingsAck)) {
            m_demo.feedWhole(hardware, "settings.bin", feed);
        }
        break;
    case kSettingsAcknowledged:
        m_stateMachine.acknowledgeSettings(now); // on to streaming
        m_stateMachine.startRecordedStream(now);
        m_demo.reset();
        break;
    case kStartStreaming:
    case kStreaming:
    case kStreamingScanDone: {
        const int run = m_model.runState.load();
        if (run == kRunning || run == kSingleArmed) {
            const DemoPlayback::FrameLength frameLength = [this](const std::uint8_t* bytes, int count) {
                PollingGuard guard(m_context.protocolMutex);
                return m_context.protocol ? m_context.protocol->frameLength(bytes, count) : kLengthInvalid;
            };
            m_demo.stepStreaming(now, m_model, frameLength, feed);
        }
        break;
    }
    case kStop:
    case kAwaitStopAck:
        m_context.advance(state, kStopped);
        break;
    case kStopped:
        m_stateMachine.leaveStoppedState();
        if (m_context.state.load() == kStartStreaming) {
            m_stateMachine.startRecordedStream(now);
        }
        break;
    default:
        m_context.advance(state, kIdentify);
        break;
    }
}

} // namespace nolvo
