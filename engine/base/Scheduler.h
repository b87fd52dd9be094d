#pragma once
// Timed callbacks and per-frame updates. Director::mainLoop calls update(dt) once per frame with
// the frame interval in seconds; callbacks may schedule and unschedule (themselves included)
// while they run. Render thread only.

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/base/Ref.h"

namespace engine {

// Repeat count meaning "until unscheduled".
constexpr unsigned int CC_REPEAT_FOREVER = UINT_MAX - 1;

class Scheduler : public Ref {
public:
    using Callback = std::function<void(float)>;

    // Priority of the action manager's update: before every node's update.
    static constexpr int PRIORITY_SYSTEM = INT_MIN;

    Scheduler();
    ~Scheduler() override;

    // Calls callback every interval seconds (0: every frame), first after delay seconds when delay
    // is positive, repeat + 1 times in all (CC_REPEAT_FOREVER: until unscheduled). The callback
    // receives the time since its previous call. Scheduling an existing (target, key) again only
    // updates its interval.
    void schedule(Callback callback, void* target, float interval, unsigned int repeat, float delay,
                  bool paused, const std::string& key);
    void schedule(Callback callback, void* target, float interval, bool paused, const std::string& key);
    void schedule(SEL_SCHEDULE selector, Ref* target, float interval, unsigned int repeat, float delay,
                  bool paused);
    void unschedule(const std::string& key, void* target);
    void unschedule(SEL_SCHEDULE selector, Ref* target);
    bool isScheduled(const std::string& key, const void* target) const;
    bool isScheduled(SEL_SCHEDULE selector, const Ref* target) const;

    // Calls target->update(dt) every frame, lower priority first (equal priorities in the order
    // they were scheduled). A reference-counted target is kept alive while its update runs, so it
    // may remove itself.
    template <typename T>
    void scheduleUpdate(T* target, int priority, bool paused)
    {
        if constexpr (std::is_base_of_v<Ref, T>) {
            addUpdate(
                [target](float dt) {
                    target->retain();
                    target->update(dt);
                    target->release();
                },
                target, priority, paused);
        } else {
            addUpdate([target](float dt) { target->update(dt); }, target, priority, paused);
        }
    }
    void unscheduleUpdate(void* target);
    bool isUpdateScheduled(const void* target) const;

    // Removes timers and the update of the target.
    void unscheduleAllForTarget(void* target);
    void unscheduleAll();

    void pauseTarget(void* target);
    void resumeTarget(void* target);
    bool isTargetPaused(void* target) const;

    // Scales every dt given to callbacks (1 = real time).
    void setTimeScale(float scale) { m_timeScale = scale; }
    float getTimeScale() const { return m_timeScale; }

    void update(float dt);

    // Seconds (scaled back to real time) until the soonest timer that is not paused is due: 0 when
    // one is due now or runs every frame, a very large number when no timer waits.
    float secondsToNextTimer() const;

private:
    struct Entry;
    void addUpdate(Callback callback, void* target, int priority, bool paused);
    void insertUpdate(std::shared_ptr<Entry> e);
    static std::string selectorKey(SEL_SCHEDULE selector);
    Entry* findTimer(const std::string& key, const void* target) const;
    void setPaused(void* target, bool paused);

    std::vector<std::shared_ptr<Entry>> m_updates;
    // Updates scheduled while the updates run join after the pass (no copy of the list per frame).
    std::vector<std::shared_ptr<Entry>> m_pendingUpdates;
    bool m_updating = false;
    std::vector<std::shared_ptr<Entry>> m_timers;
    std::vector<void*> m_pausedTargets;
    float m_timeScale = 1.0f;
};

} // namespace engine
