#include "accessory/AccessoryCommunicationDelegate.h"

#include <cstdio>
#include <functional>

#include "accessory/LinkHealth.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "platform/Clock.h"

namespace nolvo {

const char* const AccessoryCommunicationDelegate::kPermissionMessage =
    "The Nolvo accessory is plugged in, but this user may not open it. Install the udev rule "
    "60-nolvo.rules into /etc/udev/rules.d (or install Nolvo, which does it), run "
    "\"sudo udevadm control --reload-rules\", then unplug the accessory and plug it in again.";

const char* const AccessoryCommunicationDelegate::kNoAnswerMessage =
    "The Nolvo accessory is plugged in but does not answer. Unplug it and plug it in again; until it "
    "answers, the demo goes on playing.";

AccessoryCommunicationDelegate::AccessoryCommunicationDelegate() : AccessoryCommunicationDelegate(*DataModel::getInstance())
{
}

AccessoryCommunicationDelegate::AccessoryCommunicationDelegate(DataModel& model)
    : AccessoryCommunicationDelegate(model, Options{})
{
}

AccessoryCommunicationDelegate::AccessoryCommunicationDelegate(DataModel& model, Options options)
    : m_model(model), m_options(options), m_context(model), m_parser(m_context),
      m_stateMachine(m_context, m_parser), m_playback(m_context, m_parser, m_stateMachine),
      m_replay(m_context, m_parser, m_stateMachine)
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
    m_context.health = &link.health();
}

std::vector<std::uint8_t> AccessoryCommunicationDelegate::identificationFrame()
{
    PollingGuard guard(m_context.protocolMutex);
    return m_context.identified.load() ? m_context.identificationFrame : std::vector<std::uint8_t>();
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

// ---------------------------------------------------------------------------------------------
// Link callbacks

bool AccessoryCommunicationDelegate::shouldConnect(AccessoryCommunication*, TamrelAccessoryDevice* device)
{
    return device != nullptr && !m_model.inBackground.load() && device->isAccessory();
}

void AccessoryCommunicationDelegate::resetLinkState()
{
    m_parser.requestReset();
    m_context.state = kIdentify;
    m_context.lastSpectrumSwitchMs = 0;
    m_context.firstAccessPointFrameMs = 0;
    m_context.scanningAccessPoints = false;
    m_context.accessPointFrames = 0;
    m_model.accessPointScanRunning = false;
}

void AccessoryCommunicationDelegate::tellOnce(std::atomic<bool>& told, const char* message)
{
    if (!told.exchange(true)) {
        std::fprintf(stderr, "%s\n", message);
        m_model.logLine(0, message);
    }
}

void AccessoryCommunicationDelegate::connected(AccessoryCommunication* link, TamrelAccessoryDevice* device)
{
    m_parser.requestReset(); // nothing buffered before belongs to this accessory's stream
    m_permissionReported = false;
    m_noAnswerReported = false;
    // The generation first and the device last: a worker that sees the device also sees that the
    // connection is new.
    ++m_connectionGeneration;
    m_context.link = link;
    m_context.device = device;
    m_model.accessoryConnected = true;
}

void AccessoryCommunicationDelegate::disconnected(AccessoryCommunication*, TamrelAccessoryDevice* device, int)
{
    // Only the connection that exists ends here; anything else never reached the worker or parser.
    if (device == nullptr || device != m_context.device.load()) {
        return;
    }
    m_context.device = nullptr;
    m_context.link = nullptr;
    ++m_connectionGeneration;
    m_model.accessoryConnected = false;
    // No data log may stay open without its accessory.
    if (DataLogger* logger = m_context.dataLogger.load()) {
        logger->closeLog();
    }
    m_model.dataLogState = kLogOff;
}

void AccessoryCommunicationDelegate::openFailed(AccessoryCommunication*, TamrelAccessoryDevice*, int result)
{
    // The link tries again on every scan; the user hears about each kind of problem once.
    if (result == kUsbErrorAccess) {
        tellOnce(m_permissionReported, kPermissionMessage);
    } else {
        tellOnce(m_noAnswerReported, kNoAnswerMessage);
    }
}

void AccessoryCommunicationDelegate::dataReceived(AccessoryCommunication*, TamrelAccessoryDevice*,
                                                  unsigned char* bytes, unsigned count)
{
    m_parser.receive(bytes, count);
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
    const bool live = m_context.device.load() != nullptr && m_context.link.load() != nullptr;
    const std::uint64_t generation = m_connectionGeneration.load();
    if (live != m_workerLive || (live && generation != m_workerGeneration)) {
        resetLinkState();
    }
    m_workerLive = live;
    m_workerGeneration = generation;
    const std::uint64_t now = engine::clock::steadyMs();
    LinkHealth* health = m_context.health.load();
    if (!live) {
        if (m_playbackRestartPending.exchange(false)) {
            // Playback feeds the parser on this thread, so its state may be reset here.
            resetLinkState();
            m_context.identified = false;
            m_playback.reset();
        }
        if (health != nullptr) {
            health->streamExpected = false;
        }
        if (!m_replay.step(now)) {
            m_playback.step(now);
        }
        return;
    }
    m_playbackRestartPending = false;
    m_stateMachine.step(now);
    if (health != nullptr) {
        // Only a streaming accessory is expected to keep talking; silences elsewhere are normal.
        const int state = m_context.state.load();
        health->streamExpected = state == kStartStreaming || state == kStreaming || state == kStreamingScanDone;
    }
}

} // namespace nolvo
