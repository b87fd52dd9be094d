#include "model/ModelLock.h"

#include <chrono>
#include <thread>

#include "model/DataModel.h"
#include "platform/FrameWake.h"

namespace nolvo {

void lockByPolling(std::mutex& mutex)
{
    // Never a blocking lock: the render thread must keep its frame even when a producer holds
    // the lock, and a short sleep keeps the poll from burning a core.
    while (!mutex.try_lock()) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

ModelLock::ModelLock(DataModel& model, unsigned locks) : m_model(model), m_locks(locks)
{
    if (m_locks & kDataLock) {
        lockByPolling(m_model.dataLock);
    }
    if (m_locks & kAccessPointLock) {
        lockByPolling(m_model.accessPointLock);
    }
    if (m_locks & kSettingsLock) {
        lockByPolling(m_model.settingsLock);
    }
}

ModelLock::~ModelLock()
{
    if (m_locks & kSettingsLock) {
        m_model.settingsLock.unlock();
    }
    if (m_locks & kAccessPointLock) {
        m_model.accessPointLock.unlock();
    }
    if (m_locks & kDataLock) {
        m_model.dataLock.unlock();
    }
    // Producers write measurements and the access-point list only under these locks: a release
    // on their threads is the moment something new can be shown, so the sleeping render loop
    // wakes (the render thread's own releases are ignored).
    if (m_locks & (kDataLock | kAccessPointLock)) {
        engine::framewake::notify();
    }
}

} // namespace nolvo
