#include "accessory/AccessoryCommunication.h"

#include <chrono>
#include <cstdlib>

#include "accessory/LibusbBackend.h"
#include "accessory/LinkRecorder.h"
#include "model/ModelLock.h"
#include "platform/Clock.h"

namespace nolvo {

AccessoryCommunication::AccessoryCommunication(UsbBackend* backend)
    : m_backend(backend != nullptr ? *backend : LibusbBackend::instance())
{
}

AccessoryCommunication::~AccessoryCommunication()
{
    stop();
    clearQueue();
}

void AccessoryCommunication::setDeviceCallbacks(ShouldConnect shouldConnect, DeviceEvent connected,
                                                DeviceResult openFailed, DeviceResult disconnected)
{
    m_shouldConnect = std::move(shouldConnect);
    m_connected = std::move(connected);
    m_openFailed = std::move(openFailed);
    m_disconnected = std::move(disconnected);
}

void AccessoryCommunication::setDataCallbacks(DataEvent dataReceived, WriteCompleted writeCompleted)
{
    m_dataReceived = std::move(dataReceived);
    m_writeCompleted = std::move(writeCompleted);
}

bool AccessoryCommunication::start()
{
    if (m_running.load()) {
        return true;
    }
    if (m_thread.joinable()) {
        m_thread.join(); // a loop that ended on its own
    }
    m_stopRequested = false;
    try {
        m_running = true;
        m_thread = std::thread(&AccessoryCommunication::run, this);
    } catch (const std::system_error&) {
        m_running = false;
        return false;
    }
    return true;
}

void AccessoryCommunication::stop()
{
    {
        std::lock_guard<std::mutex> guard(m_wakeMutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

bool AccessoryCommunication::send(unsigned char* data, std::uint32_t length, std::uint32_t tag)
{
    if (data == nullptr || length == 0) {
        return false;
    }
    lockByPolling(m_queueMutex);
    m_queue.push_back(Command{data, length, tag, true});
    m_queueMutex.unlock();
    return true;
}

std::size_t AccessoryCommunication::queuedCommands()
{
    lockByPolling(m_queueMutex);
    const std::size_t count = m_queue.size();
    m_queueMutex.unlock();
    return count;
}

std::vector<AccessoryCommunication::QueuedCommand> AccessoryCommunication::queuedCommandCopies()
{
    std::vector<QueuedCommand> copies;
    lockByPolling(m_queueMutex);
    for (const Command& command : m_queue) {
        copies.push_back(QueuedCommand{std::vector<std::uint8_t>(command.data, command.data + command.length), command.tag});
    }
    m_queueMutex.unlock();
    return copies;
}

void AccessoryCommunication::clearQueue()
{
    lockByPolling(m_queueMutex);
    for (Command& command : m_queue) {
        if (command.ownsData) {
            std::free(command.data);
        }
    }
    m_queue.clear();
    m_queueMutex.unlock();
}

void AccessoryCommunication::run()
{
    while (!m_stopRequested.load()) {
        if (!m_currentDevice) {
            scan();
        } else if (suspended.load()) {
            disconnect();
        } else if (m_currentDevice->isOpen()) {
            if (m_announced) {
                transmitOne();
            }
            readOnce();
        }
        const auto pause = m_currentDevice ? kConnectedPause : kScanPause;
        std::unique_lock<std::mutex> lock(m_wakeMutex);
        m_wake.wait_for(lock, pause, [this] { return m_stopRequested.load(); });
    }
    if (m_currentDevice) {
        disconnect();
    }
    m_running = false;
}

void AccessoryCommunication::scan()
{
    UsbBackend::DeviceList devices;
    const int count = m_backend.listDevices(devices);
    if (suspended.load() || count <= 0 || !m_shouldConnect) {
        return; // the list and every device in it are released here
    }
    for (auto& device : devices) {
        if (!device || !m_shouldConnect(this, device.get())) {
            continue;
        }
        const int result = device->open();
        if (result == 0) {
            // Announced as connected only once its first read has worked (see readOnce).
            m_currentDevice = std::move(device);
            m_announced = false;
            return;
        }
        if (m_openFailed) {
            m_openFailed(this, device.get(), result);
        }
    }
}

void AccessoryCommunication::transmitOne()
{
    lockByPolling(m_queueMutex);
    if (m_queue.empty()) {
        m_queueMutex.unlock();
        return;
    }
    Command command = m_queue.front();
    std::uint32_t offset = 0;
    int lastMoved = 0;
    while (offset < command.length) {
        int transferred = 0;
        const int result = m_currentDevice->bulkTransfer(static_cast<unsigned char>(m_currentDevice->outEndpoint()),
                                                         command.data + offset,
                                                         static_cast<int>(command.length - offset), &transferred,
                                                         kWriteTimeoutMs);
        lastMoved = transferred > 0 ? transferred : 0;
        offset += static_cast<std::uint32_t>(lastMoved);
        if (result != kUsbSuccess || lastMoved == 0) {
            break;
        }
    }
    // A failed or stalled command is dropped, not retried: the worker repeats what matters.
    const int status = (offset == command.length && lastMoved > 0) ? 0 : -1;
    if (m_writeCompleted) {
        m_writeCompleted(this, m_currentDevice.get(), command.tag, status);
    }
    m_queue.pop_front();
    if (command.ownsData) {
        std::free(command.data);
    }
    m_queueMutex.unlock();
}

void AccessoryCommunication::readOnce()
{
    unsigned char buffer[kReadSize];
    int transferred = 0;
    const auto endpoint = static_cast<unsigned char>(m_currentDevice->inEndpoint() | TamrelAccessoryDevice::kInDirection);
    const int result = m_currentDevice->bulkTransfer(endpoint, buffer, kReadSize, &transferred, kReadTimeoutMs);
    int count = 0;
    if (result == kUsbSuccess || result == kUsbErrorTimeout) {
        // A timeout may still have moved bytes; they belong to the stream like any others.
        count = transferred;
    } else {
        count = -1;
    }
    if (!m_announced) {
        if (count < 0) {
            // Opened, but it does not answer: as unusable as one that cannot be opened. Nobody has
            // heard of it yet, so it goes without a disconnection; the next scan tries again.
            std::unique_ptr<TamrelAccessoryDevice> device = std::move(m_currentDevice);
            if (m_openFailed) {
                m_openFailed(this, device.get(), kUsbErrorIo);
            }
            return;
        }
        m_announced = true;
        m_health.connected();
        if (m_connected) {
            m_connected(this, m_currentDevice.get());
        }
    }
    if (!m_dataReceived) {
        return; // nobody listens: reads are discarded and errors ignored
    }
    if (count >= 0) {
        m_health.readFinished(static_cast<unsigned>(count), engine::clock::steadyMs());
    }
    if (count > 0) {
        if (LinkRecorder* recorder = m_recorder.load()) {
            recorder->received(buffer, static_cast<unsigned>(count));
        }
        m_dataReceived(this, m_currentDevice.get(), buffer, static_cast<unsigned>(count));
    } else if (count < 0) {
        disconnect();
    }
}

void AccessoryCommunication::disconnect()
{
    if (!m_announced) {
        m_currentDevice.reset(); // nobody heard of it: it goes quietly
        return;
    }
    if (LinkRecorder* recorder = m_recorder.load()) {
        recorder->linkLost(); // a recording ends with its accessory
    }
    if (m_disconnected) {
        m_disconnected(this, m_currentDevice.get(), 0);
    }
    m_currentDevice.reset(); // closes it and releases the device
}

} // namespace nolvo
