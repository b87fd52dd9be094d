#include "engine/base/Scheduler.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace engine {

struct Scheduler::Entry {
    Callback callback;
    void* target = nullptr;
    std::string key;
    int priority = 0;
    float interval = 0.0f;
    float delay = 0.0f;
    float elapsed = 0.0f;
    unsigned int repeat = 0;
    unsigned int timesExecuted = 0;
    bool removed = false;
    bool isUpdate = false;
};

Scheduler::Scheduler() = default;
Scheduler::~Scheduler() = default;

std::string Scheduler::selectorKey(SEL_SCHEDULE selector)
{
    // A member pointer has no portable textual form; its bytes identify it uniquely.
    std::string key(sizeof(selector) + 4, '\0');
    std::memcpy(key.data(), "sel:", 4);
    std::memcpy(key.data() + 4, &selector, sizeof(selector));
    return key;
}

Scheduler::Entry* Scheduler::findTimer(const std::string& key, const void* target) const
{
    for (const auto& e : m_timers) {
        if (!e->removed && e->target == target && e->key == key) {
            return e.get();
        }
    }
    return nullptr;
}

void Scheduler::schedule(Callback callback, void* target, float interval, unsigned int repeat, float delay,
                         bool paused, const std::string& key)
{
    if (!callback || !target) {
        return;
    }
    if (Entry* existing = findTimer(key, target)) {
        existing->interval = std::max(0.0f, interval);
        return;
    }
    auto e = std::make_shared<Entry>();
    e->callback = std::move(callback);
    e->target = target;
    e->key = key;
    e->interval = std::max(0.0f, interval);
    e->delay = std::max(0.0f, delay);
    e->repeat = repeat;
    m_timers.push_back(std::move(e));
    if (paused) {
        pauseTarget(target);
    }
}

void Scheduler::schedule(Callback callback, void* target, float interval, bool paused, const std::string& key)
{
    schedule(std::move(callback), target, interval, CC_REPEAT_FOREVER, 0.0f, paused, key);
}

void Scheduler::schedule(SEL_SCHEDULE selector, Ref* target, float interval, unsigned int repeat, float delay,
                         bool paused)
{
    if (!selector || !target) {
        return;
    }
    // The target stays alive while its selector runs, so it may remove itself.
    schedule(
        [target, selector](float dt) {
            target->retain();
            (target->*selector)(dt);
            target->release();
        },
        target, interval, repeat, delay, paused, selectorKey(selector));
}

void Scheduler::unschedule(const std::string& key, void* target)
{
    if (Entry* e = findTimer(key, target)) {
        e->removed = true;
    }
}

void Scheduler::unschedule(SEL_SCHEDULE selector, Ref* target)
{
    unschedule(selectorKey(selector), target);
}

bool Scheduler::isScheduled(const std::string& key, const void* target) const
{
    return findTimer(key, target) != nullptr;
}

bool Scheduler::isScheduled(SEL_SCHEDULE selector, const Ref* target) const
{
    return isScheduled(selectorKey(selector), target);
}

void Scheduler::addUpdate(Callback callback, void* target, int priority, bool paused)
{
    if (isUpdateScheduled(target)) {
        return;
    }
    auto e = std::make_shared<Entry>();
    e->callback = std::move(callback);
    e->target = target;
    e->priority = priority;
    e->isUpdate = true;
    if (m_updating) {
        m_pendingUpdates.push_back(std::move(e));
    } else {
        insertUpdate(std::move(e));
    }
    if (paused) {
        pauseTarget(target);
    }
}

void Scheduler::insertUpdate(std::shared_ptr<Entry> e)
{
    // Stable: after every entry of equal or lower priority.
    const int priority = e->priority;
    auto pos = std::upper_bound(m_updates.begin(), m_updates.end(), priority,
                                [](int p, const std::shared_ptr<Entry>& x) { return p < x->priority; });
    m_updates.insert(pos, std::move(e));
}

void Scheduler::unscheduleUpdate(void* target)
{
    for (auto* list : {&m_updates, &m_pendingUpdates}) {
        for (auto& e : *list) {
            if (e->target == target) e->removed = true;
        }
    }
}

bool Scheduler::isUpdateScheduled(const void* target) const
{
    auto live = [target](const auto& e) { return !e->removed && e->target == target; };
    return std::any_of(m_updates.begin(), m_updates.end(), live) ||
           std::any_of(m_pendingUpdates.begin(), m_pendingUpdates.end(), live);
}

void Scheduler::unscheduleAllForTarget(void* target)
{
    for (auto& e : m_timers) {
        if (e->target == target) {
            e->removed = true;
        }
    }
    unscheduleUpdate(target);
    m_pausedTargets.erase(std::remove(m_pausedTargets.begin(), m_pausedTargets.end(), target),
                          m_pausedTargets.end());
}

void Scheduler::unscheduleAll()
{
    for (auto& e : m_timers) {
        e->removed = true;
    }
    for (auto& e : m_updates) {
        e->removed = true;
    }
    for (auto& e : m_pendingUpdates) {
        e->removed = true;
    }
    m_pausedTargets.clear();
}

void Scheduler::setPaused(void* target, bool paused)
{
    auto it = std::find(m_pausedTargets.begin(), m_pausedTargets.end(), target);
    if (paused && it == m_pausedTargets.end()) {
        m_pausedTargets.push_back(target);
    } else if (!paused && it != m_pausedTargets.end()) {
        m_pausedTargets.erase(it);
    }
}

void Scheduler::pauseTarget(void* target)
{
    setPaused(target, true);
}

void Scheduler::resumeTarget(void* target)
{
    setPaused(target, false);
}

bool Scheduler::isTargetPaused(void* target) const
{
    return std::find(m_pausedTargets.begin(), m_pausedTargets.end(), target) != m_pausedTargets.end();
}

void Scheduler::update(float dt)
{
    dt *= m_timeScale;
    // Callbacks may add or remove entries: removal only marks them, updates added meanwhile wait
    // in m_pendingUpdates, and timers added meanwhile are appended after the ones this pass runs.
    m_updating = true;
    for (std::size_t i = 0; i < m_updates.size(); ++i) {
        Entry* e = m_updates[i].get();
        if (!e->removed && !isTargetPaused(e->target)) {
            e->callback(dt);
        }
    }
    m_updating = false;
    const std::size_t timerCount = m_timers.size();
    for (std::size_t i = 0; i < timerCount; ++i) {
        Entry* e = m_timers[i].get();
        if (e->removed || isTargetPaused(e->target)) {
            continue;
        }
        e->elapsed += dt;
        const bool first = e->timesExecuted == 0;
        const float due = (first && e->delay > 0.0f) ? e->delay : e->interval;
        if (e->elapsed < due) {
            continue;
        }
        const float sinceLast = e->elapsed;
        // Keep the remainder so intervals do not drift, but never fire twice in one frame.
        e->elapsed = std::min(e->elapsed - due, e->interval);
        ++e->timesExecuted;
        if (e->repeat != CC_REPEAT_FOREVER && e->timesExecuted > e->repeat) {
            e->removed = true;
        }
        // Hold the entry: the callback may unschedule it, and scheduling may grow the list.
        auto keep = m_timers[i];
        keep->callback(sinceLast);
    }
    auto gone = [](const std::shared_ptr<Entry>& e) { return e->removed; };
    m_updates.erase(std::remove_if(m_updates.begin(), m_updates.end(), gone), m_updates.end());
    m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(), gone), m_timers.end());
    for (auto& e : m_pendingUpdates) {
        if (!e->removed) insertUpdate(std::move(e));
    }
    m_pendingUpdates.clear();
}

float Scheduler::secondsToNextTimer() const
{
    float soonest = std::numeric_limits<float>::max();
    for (const auto& e : m_timers) {
        if (e->removed || isTargetPaused(e->target)) continue;
        const float due = (e->timesExecuted == 0 && e->delay > 0.0f) ? e->delay : e->interval;
        soonest = std::min(soonest, std::max(0.0f, due - e->elapsed));
    }
    if (m_timeScale > 0.0f && soonest < std::numeric_limits<float>::max()) soonest /= m_timeScale;
    return soonest;
}

} // namespace engine
