#pragma once
// A thread of its own for file writes, so that a slow or stalled disk never holds up the thread
// that produced the data (the link thread reads the accessory every millisecond). Tasks run in
// the order they were posted.
//
// The queue is bounded by the bytes its tasks write: when the disk cannot keep up and
// `maxQueuedBytes` are waiting, a new write is dropped and counted instead of queued, so memory
// stays bounded and the producer never waits. Tasks that write nothing (opening or closing a file)
// are never dropped. The thread starts with the first post and ends when the queue is destroyed,
// after running everything queued.
//
// Threads: post, drain and the counters from any thread; tasks run on the queue's thread and must
// not post to or drain their own queue.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace nolvo {

class DiskWriteQueue {
public:
    explicit DiskWriteQueue(std::size_t maxQueuedBytes);
    ~DiskWriteQueue();
    DiskWriteQueue(const DiskWriteQueue&) = delete;
    DiskWriteQueue& operator=(const DiskWriteQueue&) = delete;

    // Queues `task`, which writes `bytes` bytes. False, with the task dropped and counted, when the
    // queue holds more than its bound already (a task larger than the bound is taken when nothing
    // waits, so that one large write can still pass). A task that is not `droppable` (a file's
    // header, without which the rest cannot be read) is queued whatever waits.
    bool post(std::size_t bytes, std::function<void()> task, bool droppable = true);
    // Returns once every task posted before the call has run.
    void drain();

    std::uint64_t droppedTasks() const;
    std::uint64_t droppedBytes() const;
    std::size_t queuedBytes() const;

private:
    struct Task {
        std::size_t bytes;
        std::function<void()> run;
    };
    void runTasks();

    const std::size_t m_maxQueuedBytes;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;    // the thread: work or the end
    std::condition_variable m_drained; // drain(): a task finished
    std::deque<Task> m_tasks;
    std::size_t m_queuedBytes = 0;
    std::uint64_t m_posted = 0;   // tasks ever queued
    std::uint64_t m_finished = 0; // tasks ever run
    std::uint64_t m_droppedTasks = 0;
    std::uint64_t m_droppedBytes = 0;
    bool m_ending = false;
    std::thread m_thread; // started by the first post
};

} // namespace nolvo
