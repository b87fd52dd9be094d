#pragma once
// What the pieces of one accessory connection share: the packet parser (which cuts and decodes
// frames), the link state machine (which sends the commands of a live accessory), the playback
// driver (which plays recordings when none is attached) and the delegate that binds them to the
// link's callbacks.
//
// Threads: every field is an atomic readable anywhere, except the protocol object, which the
// parser and the worker share under protocolMutex (taken by polling, like the model locks).

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "accessory/protocols/AccessoryProtocol.h"

namespace nolvo {

class AccessoryCommunication;
class DataLogger;
class DataModel;
class LinkHealth;
class TamrelAccessoryDevice;

namespace linkstate {
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
} // namespace linkstate

// RAII for a mutex taken by polling like the model locks.
class PollingGuard {
public:
    explicit PollingGuard(std::mutex& mutex);
    ~PollingGuard() { m_mutex.unlock(); }
    PollingGuard(const PollingGuard&) = delete;
    PollingGuard& operator=(const PollingGuard&) = delete;

private:
    std::mutex& m_mutex;
};

struct LinkContext {
    explicit LinkContext(DataModel& dataModel) : model(dataModel) {}

    // Once identified: stop streaming, no restart.
    void requestStop();
    // Once identified: stop, send the settings again and restart; optionally clear the histories.
    void requestRestart(bool clearHistory);
    // The identified model's id, 0 before identification.
    int protocolModelId();

    DataModel& model;
    std::atomic<DataLogger*> dataLogger{nullptr};
    std::atomic<AccessoryCommunication*> link{nullptr};
    std::atomic<TamrelAccessoryDevice*> device{nullptr};
    std::atomic<int> state{linkstate::kIdentify};

    // Where the parser counts frames, resynchronisations, checksum failures and dropped frames
    // (not owned, may be null).
    std::atomic<LinkHealth*> health{nullptr};

    std::mutex protocolMutex; // guards protocol and its calibration; taken by polling
    std::unique_ptr<AccessoryProtocol> protocol;
    // The identification frame that created the protocol object, as received (protocolMutex).
    std::vector<std::uint8_t> identificationFrame;

    std::atomic<bool> identified{false};
    std::atomic<bool> concurrentScan{false};
    std::atomic<bool> sendSpectrumBeforePower{false};
    std::atomic<bool> restartPending{false};
    std::atomic<bool> resendSettings{false};
    std::atomic<bool> scanningAccessPoints{false};
    std::atomic<bool> clearHistoryPending{false};
    std::atomic<bool> dataLogReady{false};
    std::atomic<std::uint64_t> lastSpectrumSwitchMs{0};
    std::atomic<std::uint64_t> firstAccessPointFrameMs{0};
    std::atomic<int> accessPointFrames{0};
};

} // namespace nolvo
