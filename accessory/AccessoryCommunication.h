#pragma once
// The USB link: one background thread that finds and opens the accessory, sends queued command
// packets (at most one per pass), reads what the accessory streams and notices when it goes away.
// It knows nothing of the packet contents and reports every event through six callbacks, which
// the application binds to the AccessoryCommunicationDelegate.
//
// A device that opens is announced (`connected`) only after its first read has worked (data or a
// timeout); one whose first read fails is reported through `openFailed` like a device that cannot
// be opened, so an accessory that answers nothing never looks connected. `disconnected` follows
// only an announced device. Queued commands go out once the device is announced.
//
// Threads: callbacks are set before start() and run on the link thread. send() may be called from
// any thread. `suspended` is written by the application thread. stop() may be called from any
// thread except the link thread itself (a callback must not call it).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "accessory/LinkHealth.h"
#include "accessory/UsbBackend.h"

namespace nolvo {

class LinkRecorder;

class AccessoryCommunication {
public:
    using ShouldConnect = std::function<bool(AccessoryCommunication*, TamrelAccessoryDevice*)>;
    using DeviceEvent = std::function<void(AccessoryCommunication*, TamrelAccessoryDevice*)>;
    using DeviceResult = std::function<void(AccessoryCommunication*, TamrelAccessoryDevice*, int)>;
    using DataEvent = std::function<void(AccessoryCommunication*, TamrelAccessoryDevice*, unsigned char*, unsigned)>;
    // (link, device, command tag, status 0 sent / -1 failed)
    using WriteCompleted = std::function<void(AccessoryCommunication*, TamrelAccessoryDevice*, std::uint32_t, int)>;

    static constexpr int kReadSize = 2048;
    static constexpr unsigned kReadTimeoutMs = 100;
    static constexpr unsigned kWriteTimeoutMs = 1000;
    // Pause after each pass: short while connected (the 100 ms read paces the loop), longer while
    // scanning, so that looking for an accessory that is not there costs next to nothing.
    static constexpr std::chrono::milliseconds kConnectedPause{1};
    static constexpr std::chrono::milliseconds kScanPause{50};

    // `backend` must outlive the link; null uses the libusb backend.
    explicit AccessoryCommunication(UsbBackend* backend = nullptr);
    // Stops and joins the link thread, releasing the accessory; frees commands still queued.
    virtual ~AccessoryCommunication();
    AccessoryCommunication(const AccessoryCommunication&) = delete;
    AccessoryCommunication& operator=(const AccessoryCommunication&) = delete;

    void setDeviceCallbacks(ShouldConnect shouldConnect, DeviceEvent connected, DeviceResult openFailed,
                            DeviceResult disconnected);
    // dataReceived gets the bytes of one read, valid only during the call.
    void setDataCallbacks(DataEvent dataReceived, WriteCompleted writeCompleted);

    // Starts the link thread; does nothing while it runs. False when the thread cannot be created.
    bool start();
    // Asks the link thread to leave its loop and joins it. The current accessory is reported
    // disconnected and closed on the way out. Safe to call more than once.
    void stop();
    bool running() const { return m_running.load(); }

    // Queues a command. `data` must come from malloc; the queue owns it from then on (also when the
    // link is stopped: the destructor frees it). False, and nothing queued, for null or empty data.
    // The accessory may answer before this returns (the link thread sends while the caller is
    // still on its way out); tests stand in a link whose accessory always does.
    virtual bool send(unsigned char* data, std::uint32_t length, std::uint32_t tag);
    // Commands waiting to go out, and copies of their bytes and tags (oldest first).
    std::size_t queuedCommands();
    struct QueuedCommand {
        std::vector<std::uint8_t> bytes;
        std::uint32_t tag;
    };
    std::vector<QueuedCommand> queuedCommandCopies();
    // Frees every queued command (used when a stopped link is reused, and by tests).
    void clearQueue();

    // Every read is also handed to `recorder` (not owned, may be null) before the data callback,
    // and it hears when the accessory goes away. Any thread; the recorder must outlive the link.
    void setRecorder(LinkRecorder* recorder) { m_recorder.store(recorder); }
    // Bytes, timeouts and reconnects are counted here; the parser adds its own counts.
    LinkHealth& health() { return m_health; }

    // Set while the application is in the background: the accessory is released and no scan runs.
    std::atomic<bool> suspended{false};

private:
    struct Command {
        unsigned char* data;
        std::uint32_t length;
        std::uint32_t tag;
        bool ownsData;
    };

    void run();
    void scan();
    void transmitOne();
    void readOnce();
    void disconnect();

    UsbBackend& m_backend;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
    std::unique_ptr<TamrelAccessoryDevice> m_currentDevice; // link thread only
    bool m_announced = false; // link thread only: `connected` was called for m_currentDevice

    ShouldConnect m_shouldConnect;
    DeviceEvent m_connected;
    DeviceResult m_openFailed;
    DeviceResult m_disconnected;
    DataEvent m_dataReceived;
    WriteCompleted m_writeCompleted;

    std::mutex m_wakeMutex; // with m_wake, lets stop() cut a pause short
    std::condition_variable m_wake;

    std::atomic<LinkRecorder*> m_recorder{nullptr};
    LinkHealth m_health;

    std::mutex m_queueMutex; // taken by try-lock polling, never a blocking lock
    std::deque<Command> m_queue;
};

} // namespace nolvo
