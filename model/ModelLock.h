#pragma once
// The model locks are never taken with a blocking lock: every thread polls try_lock with a
// 100 microsecond sleep in between, and always in the order dataLock, accessPointLock,
// settingsLock (released in reverse). ModelLock is the one place that does it. Releasing dataLock
// or accessPointLock on any thread but the render loop's wakes the render loop (FrameWake).

#include <mutex>

namespace nolvo {

class DataModel;

enum ModelLockSet : unsigned {
    kDataLock = 1u << 0,
    kAccessPointLock = 1u << 1,
    kSettingsLock = 1u << 2,
    kAllModelLocks = kDataLock | kAccessPointLock | kSettingsLock,
};

// Takes a mutex by try-lock polling with 100 microsecond sleeps.
void lockByPolling(std::mutex& mutex);

class ModelLock {
public:
    // Takes the locks named by `locks` (a ModelLockSet combination) in the fixed order.
    ModelLock(DataModel& model, unsigned locks);
    ~ModelLock();
    ModelLock(const ModelLock&) = delete;
    ModelLock& operator=(const ModelLock&) = delete;

private:
    DataModel& m_model;
    unsigned m_locks;
};

} // namespace nolvo
