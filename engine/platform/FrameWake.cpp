#include "platform/FrameWake.h"

#include <atomic>

namespace engine::framewake {

namespace {
std::atomic<Waker> g_waker{nullptr};
std::atomic<bool> g_pending{false};
thread_local bool t_loopThread = false;
} // namespace

void notify()
{
    if (t_loopThread) return;
    if (g_pending.exchange(true, std::memory_order_acq_rel)) return;
    if (Waker waker = g_waker.load(std::memory_order_acquire)) waker();
}

void setWaker(Waker waker)
{
    t_loopThread = waker != nullptr;
    g_waker.store(waker, std::memory_order_release);
}

bool take()
{
    return g_pending.exchange(false, std::memory_order_acq_rel);
}

} // namespace engine::framewake
