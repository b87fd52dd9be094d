#pragma once
// Binds the USB link's callbacks to the pieces of one connection:
// - PacketParser (dataReceived, link thread): cuts and dispatches the accessory's frames;
// - LinkStateMachine: the live connection states, run by the worker thread;
// - PlaybackDriver: demo playback of recordings while no accessory is attached, run by the worker;
// - ReplayDriver: replay of a stream recording, which takes the place of demo playback while it runs;
// - LinkContext: the state they share.
// The worker thread is a 100 ms loop that runs one state-machine or playback pass per period.
//
// Threads: the link callbacks run on the link thread; requestStop/requestRestart may be called
// from any thread; the state accessors are atomics readable anywhere. Measurements reach the
// DataModel only under its locks (ModelLock).
//
// Lifetime: the worker starts in the constructor. Stop the link (AccessoryCommunication::stop)
// before destroying the delegate; the destructor stops and joins the worker.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "accessory/AccessoryCommunication.h"
#include "accessory/LinkContext.h"
#include "accessory/LinkStateMachine.h"
#include "accessory/PacketParser.h"
#include "accessory/PlaybackDriver.h"
#include "accessory/ReplayDriver.h"

namespace nolvo {

class DataLogger;
class DataModel;

class AccessoryCommunicationDelegate {
public:
    using enum linkstate::LinkState;

    // Command tags handed to AccessoryCommunication::send.
    static constexpr std::uint32_t kTagIdentify = LinkStateMachine::kTagIdentify;
    static constexpr std::uint32_t kTagSettings = LinkStateMachine::kTagSettings;
    static constexpr std::uint32_t kTagStart = LinkStateMachine::kTagStart;

    static constexpr int kParseChunk = PacketParser::kParseChunk;

    struct Options {
        std::chrono::milliseconds workerPeriod{100};
        bool startWorker = true;
    };

    explicit AccessoryCommunicationDelegate(DataModel& model);
    AccessoryCommunicationDelegate(DataModel& model, Options options);
    AccessoryCommunicationDelegate();
    ~AccessoryCommunicationDelegate();
    AccessoryCommunicationDelegate(const AccessoryCommunicationDelegate&) = delete;
    AccessoryCommunicationDelegate& operator=(const AccessoryCommunicationDelegate&) = delete;

    // Binds the six link callbacks to this delegate (write completion stays unbound).
    void bind(AccessoryCommunication& link);

    // The CSV data log that every sweep is handed to (not owned, may be null; set it before the
    // link starts). It hears about settings acknowledgements and is closed on disconnection.
    void setDataLogger(DataLogger* logger) { m_context.dataLogger = logger; }
    // Where the parser counts its part of the link's health (bind() sets the link's own).
    void setHealth(LinkHealth* health) { m_context.health = health; }

    // ---- link callbacks (link thread) ----
    // True for the Nolvo accessory (vendor 0x26AE, product 0x0007) while not in the background.
    bool shouldConnect(AccessoryCommunication* link, TamrelAccessoryDevice* device);
    void connected(AccessoryCommunication* link, TamrelAccessoryDevice* device);
    // An accessory that cannot be used (not opened, or not answering): nothing was connected, so
    // nothing is reset and demo playback goes on. The reason is told once, on screen and on
    // stderr, until an accessory connects.
    void openFailed(AccessoryCommunication* link, TamrelAccessoryDevice* device, int result);
    // Ends the connection with `device` when it is the connected one (else does nothing).
    void disconnected(AccessoryCommunication* link, TamrelAccessoryDevice* device, int result);
    // The parser; bytes are only read during the call.
    void dataReceived(AccessoryCommunication* link, TamrelAccessoryDevice* device, unsigned char* bytes,
                      unsigned count);

    // ---- control (any thread) ----
    // Once identified: stop streaming (state 9), no restart.
    void requestStop() { m_context.requestStop(); }
    // Once identified: stop, send the settings again and restart; optionally clear the histories.
    void requestRestart(bool clearHistory) { m_context.requestRestart(clearHistory); }
    // Without an accessory: the next worker pass drops the identified demo model and its loaded
    // recordings and starts playback over from identification, so a new demo hardware choice is
    // never parsed with the previous model's protocol. Ignored while an accessory is attached.
    void requestPlaybackRestart() { m_playbackRestartPending = true; }

    // Stops and joins the worker thread. Safe to call more than once.
    void stop();
    // One pass of the worker (what the worker thread runs every period): the connection state
    // machine while an accessory is attached, else demo playback of the recordings chosen by the
    // model's demo settings, fed to the parser on this thread.
    void runWorkerPass();

    // ---- stream recordings ----
    // The replay of a stream recording: start, pause, seek and stop it here (any thread). It runs
    // while no accessory is attached; the caller suspends the link to keep one away.
    RecordingPlayback& replay() { return m_replay.playback(); }
    // Recorded time of the read being replayed (see ReplayDriver::feedTimeUs).
    std::uint64_t replayFeedTimeUs() const { return m_replay.feedTimeUs(); }
    // Saves the working configuration into `slot`, with the user's own mode, band and power
    // settings in place of a running replay's (any thread; the caller holds all model locks).
    void saveConfiguration(int slot) { m_replay.saveConfiguration(slot); }
    // The user's settings while a replay has replaced them (see ReplayDriver).
    std::optional<ReplayDriver::UserSettings> replayUserSettings() const { return m_replay.userSettings(); }
    // The identification frame of the identified accessory as it was received (empty before).
    std::vector<std::uint8_t> identificationFrame();

    // ---- observation ----
    int linkState() const { return m_context.state.load(); }
    bool identified() const { return m_context.identified.load(); }
    int protocolModelId() { return m_context.protocolModelId(); }
    // Frames the parser has cut and dispatched since construction (any type).
    std::uint64_t framesDispatched() const { return m_parser.framesDispatched(); }
    bool dataLogReady() const { return m_context.dataLogReady.load(); }
    bool permissionProblemReported() const { return m_permissionReported.load(); }
    bool noAnswerReported() const { return m_noAnswerReported.load(); }
    // Parse buffer size and fill (parser's thread, or when the link is stopped).
    std::size_t parseBufferCapacity() const { return m_parser.bufferCapacity(); }
    std::size_t parseBufferFill() const { return m_parser.bufferFill(); }

    // The text shown once when the accessory cannot be opened for lack of permission.
    static const char* const kPermissionMessage;
    // The text shown once when the accessory opens (or not) but does not answer.
    static const char* const kNoAnswerMessage;

private:
    void workerLoop();
    // Worker: the link state and scan timers start afresh, and the parser is asked to drop what it
    // buffered, whenever the worker moves between demo playback and a connection, or between two
    // connections. A connection that came and went between two passes never existed for it.
    void resetLinkState();
    void tellOnce(std::atomic<bool>& told, const char* message);

    DataModel& m_model;
    Options m_options;
    LinkContext m_context;
    PacketParser m_parser;
    LinkStateMachine m_stateMachine;
    PlaybackDriver m_playback;
    ReplayDriver m_replay;
    std::atomic<bool> m_permissionReported{false};
    std::atomic<bool> m_noAnswerReported{false};
    // Counts connections and disconnections; the worker compares it with the one it last saw.
    std::atomic<std::uint64_t> m_connectionGeneration{0};
    std::uint64_t m_workerGeneration = 0; // worker only
    bool m_workerLive = false;            // worker only: the last pass ran a connection
    std::atomic<bool> m_playbackRestartPending{false};

    std::thread m_worker;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false; // under m_wakeMutex
};

} // namespace nolvo
