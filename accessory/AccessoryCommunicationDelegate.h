#pragma once
// Sits between the USB link and the protocol objects:
// - the packet parser, bound to the link's dataReceived callback (link thread): accumulates bytes,
//   cuts frames, identifies the model from the first identification frame, creates its protocol
//   object and dispatches every frame by type (spectrum sweeps go into the DataModel's history);
// - the worker thread, a 100 ms loop that drives the connection state machine (identify, send the
//   settings, start streaming, alternate sweeps and access-point scans, stop and restart) and
//   sends the commands through AccessoryCommunication::send.
//
// Threads: the link callbacks run on the link thread; requestStop/requestRestart may be called
// from any thread; the state accessors are atomics readable anywhere. The parse buffer and the
// sweep accumulators belong to the parser's thread; the protocol object is shared by parser and
// worker under one mutex. Measurements reach the DataModel only under its locks (ModelLock).
//
// Lifetime: the worker starts in the constructor. Stop the link (AccessoryCommunication::stop)
// before destroying the delegate; the destructor stops and joins the worker.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "accessory/AccessoryCommunication.h"
#include "accessory/DemoPlayback.h"
#include "accessory/PowerAssembler.h"
#include "accessory/SegmentAssembler.h"
#include "accessory/protocols/AccessoryProtocol.h"

namespace nolvo {

class DataLogger;
class DataModel;

class AccessoryCommunicationDelegate {
public:
    // Connection states of the link.
    enum LinkState : int {
        kIdentify = 0,
        kAwaitIdentification = 1,
        kIdentified = 2,
        kSendSettings = 3,
        kAwaitSettingsAck = 4,
        kSettingsAcknowledged = 5,
        kStartStreaming = 6,
        kStreaming = 7,
        kStreamingScanDone = 8,
        kStop = 9,
        kAwaitStopAck = 10,
        kStopped = 11,
    };

    // Command tags handed to AccessoryCommunication::send.
    static constexpr std::uint32_t kTagIdentify = 1;
    static constexpr std::uint32_t kTagSettings = 2;
    static constexpr std::uint32_t kTagStart = 3;

    static constexpr int kInitialBufferCapacity = 1000;
    static constexpr int kSettingsRetryPasses = 50;
    // Longest piece of input parsed at once; longer deliveries are cut into such pieces.
    static constexpr int kParseChunk = AccessoryCommunication::kReadSize;
    static constexpr std::uint64_t kAccessPointScanMs = 250;
    static constexpr std::size_t kFullAccessPointFrame = 20;

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
    void setDataLogger(DataLogger* logger) { m_dataLogger = logger; }

    // ---- link callbacks (link thread) ----
    // True for the Nolvo accessory (vendor 0x26AE, product 0x0007) while not in the background.
    bool shouldConnect(AccessoryCommunication* link, TamrelAccessoryDevice* device);
    void connected(AccessoryCommunication* link, TamrelAccessoryDevice* device);
    // Handles like a disconnection; tells the user once how to fix a permission problem.
    void openFailed(AccessoryCommunication* link, TamrelAccessoryDevice* device, int result);
    void disconnected(AccessoryCommunication* link, TamrelAccessoryDevice* device, int result);
    // The parser; bytes are only read during the call.
    void dataReceived(AccessoryCommunication* link, TamrelAccessoryDevice* device, unsigned char* bytes,
                      unsigned count);

    // ---- control (any thread) ----
    // Once identified: stop streaming (state 9), no restart.
    void requestStop();
    // Once identified: stop, send the settings again and restart; optionally clear the histories.
    void requestRestart(bool clearHistory);
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

    // ---- observation ----
    int linkState() const { return m_linkState.load(); }
    bool identified() const { return m_identified.load(); }
    int protocolModelId();
    // Frames the parser has cut and dispatched since construction (any type).
    std::uint64_t framesDispatched() const { return m_framesDispatched.load(); }
    bool dataLogReady() const { return m_dataLogReady.load(); }
    bool permissionProblemReported() const { return m_permissionReported.load(); }
    // Parse buffer size and fill (parser's thread, or when the link is stopped).
    std::size_t parseBufferCapacity() const { return m_buffer.size(); }
    std::size_t parseBufferFill() const { return m_fill; }

    // The text shown once when the accessory cannot be opened for lack of permission.
    static const char* const kPermissionMessage;

private:
    void workerLoop();
    void parse();
    void dispatch(int type, const std::uint8_t* frame, int length);
    void handleIdentification(const std::uint8_t* frame, int length);
    void handleSpectrumFrame(const std::uint8_t* frame, int length);
    void handlePowerFrame(const std::uint8_t* frame, int length);
    void handleAccessPointFrame(const std::uint8_t* frame, int length);
    void mergeAccessPoints(std::unique_ptr<AccessPointBatch> list);
    void resetConnection(AccessoryCommunication* link, TamrelAccessoryDevice* device);

    void leaveStoppedState();
    void accessPointScanTiming(std::uint64_t now);
    void runPlaybackPass(std::uint64_t now);
    void stepStateMachine(std::uint64_t now);
    void startStreaming(std::uint64_t now);
    void acknowledgeSettings(std::uint64_t now);
    bool sendIdentifyRequest();
    // Builds a command with the protocol object and queues it; false when nothing was sent.
    template <typename Build>
    bool sendCommand(int length, std::uint32_t tag, Build build);

    DataModel& m_model;
    Options m_options;
    std::atomic<DataLogger*> m_dataLogger{nullptr};

    std::atomic<AccessoryCommunication*> m_link{nullptr};
    std::atomic<TamrelAccessoryDevice*> m_device{nullptr};
    std::atomic<int> m_linkState{kIdentify};
    int m_retryCounter = 0; // worker only

    // Parser state (parser's thread).
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_fill = 0;
    std::atomic<bool> m_resetBuffer{false};
    SegmentAssembler m_accumulators[2]; // 2.4 GHz, 5 GHz
    PowerAssembler m_power;
    DemoPlayback m_demo; // worker only

    std::mutex m_protocolMutex; // guards m_protocol and its calibration; taken by polling
    std::unique_ptr<AccessoryProtocol> m_protocol;

    std::atomic<bool> m_identified{false};
    std::atomic<bool> m_concurrentScan{false};
    std::atomic<bool> m_sendSpectrumBeforePower{false};
    std::atomic<bool> m_restartPending{false};
    std::atomic<bool> m_playbackRestartPending{false};
    std::atomic<bool> m_resendSettings{false};
    std::atomic<bool> m_scanningAccessPoints{false};
    std::atomic<bool> m_clearHistoryPending{false};
    std::atomic<bool> m_dataLogReady{false};
    std::atomic<bool> m_permissionReported{false};
    std::atomic<std::uint64_t> m_lastSpectrumSwitchMs{0};
    std::atomic<std::uint64_t> m_firstAccessPointFrameMs{0};
    std::atomic<int> m_accessPointFrames{0};
    std::atomic<std::uint64_t> m_framesDispatched{0};

    std::thread m_worker;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false; // under m_wakeMutex
};

} // namespace nolvo
