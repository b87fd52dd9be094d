#pragma once
// What the pieces of one accessory connection share: the packet parser (which cuts and decodes
// frames), the link state machine (which sends the commands of a live accessory), the playback
// driver (which plays recordings when none is attached) and the delegate that binds them to the
// link's callbacks.
//
// Threads: every field is an atomic readable anywhere, except the protocol object, which the
// parser and the worker share under protocolMutex (taken by polling, like the model locks).
//
// The link state has three writers: the worker (LinkStateMachine or a playback driver), the parser
// (acknowledgements, identification, the end of a scan) and whoever asks for a stop or a restart
// (the render thread, the parser after a single sweep). A request moves any state but a stop
// already under way to kStop; every other move goes through advance(), which moves only from the
// state its writer saw, so nobody overwrites a move that another thread made in the meantime. A command whose answer moves the
// state is sent only after its waiting state is in place (the answer may be parsed before send()
// returns), and the waiting state is undone when the command cannot be queued.

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
    // Requests that come while a stop is under way ride on it; a burst of them costs one stop.
    void requestRestart(bool clearHistory);
    // The identified model's id, 0 before identification.
    int protocolModelId();

    // Moves the link state from `from` to `to`; false (and nothing changed) when another thread
    // moved it first.
    bool advance(int from, int to) { return state.compare_exchange_strong(from, to); }
    // Moves the link state to `to` from any state `accepts` allows, whoever writes it meanwhile;
    // false when the state was not one of them.
    template <typename Accepts>
    bool advanceFrom(Accepts accepts, int to)
    {
        int seen = state.load();
        while (accepts(seen)) {
            if (state.compare_exchange_weak(seen, to)) {
                return true;
            }
        }
        return false;
    }

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
    // Raised by a restart request, taken when the link leaves the stopped state.
    std::atomic<bool> restartPending{false};
    // Raised by a restart request; taken (exchange) by the move from stopped to sending the
    // settings, and put back when that move did not happen.
    std::atomic<bool> resendSettings{false};
    std::atomic<bool> scanningAccessPoints{false};
    // Raised by identification and by a restart that clears the histories; taken once the
    // settings are acknowledged. A later restart without clearing does not lower it.
    std::atomic<bool> clearHistoryPending{false};
    std::atomic<bool> dataLogReady{false};
    std::atomic<std::uint64_t> lastSpectrumSwitchMs{0};
    std::atomic<std::uint64_t> firstAccessPointFrameMs{0};
    std::atomic<int> accessPointFrames{0};
};

} // namespace nolvo
