#include "model/DiskWriteQueue.h"

namespace nolvo {

DiskWriteQueue::DiskWriteQueue(std::size_t maxQueuedBytes) : m_maxQueuedBytes(maxQueuedBytes) {}

DiskWriteQueue::~DiskWriteQueue()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool DiskWriteQueue::post(std::size_t bytes, std::function<void()> task, bool droppable)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (droppable && bytes > 0 && m_queuedBytes > 0 && m_queuedBytes + bytes > m_maxQueuedBytes) {
            ++m_droppedTasks;
            m_droppedBytes += bytes;
            return false;
        }
        m_tasks.push_back(Task{bytes, std::move(task)});
        m_queuedBytes += bytes;
        ++m_posted;
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { runTasks(); });
        }
    }
    m_wake.notify_one();
    return true;
}

void DiskWriteQueue::drain()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::uint64_t target = m_posted;
    m_drained.wait(lock, [&] { return m_finished >= target; });
}

void DiskWriteQueue::runTasks()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_ending || !m_tasks.empty(); });
        if (m_tasks.empty()) {
            return; // ending, and everything queued has run
        }
        Task task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task.run();
        task.run = nullptr; // what it captured goes before the next task
        lock.lock();
        m_queuedBytes -= task.bytes;
        ++m_finished;
        m_drained.notify_all();
    }
}

std::uint64_t DiskWriteQueue::droppedTasks() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_droppedTasks;
}

std::uint64_t DiskWriteQueue::droppedBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_droppedBytes;
}

std::size_t DiskWriteQueue::queuedBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queuedBytes;
}

} // namespace nolvo
