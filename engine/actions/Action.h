#pragma once
// Base of the actions a node runs through the ActionManager. An action is started on a target,
// stepped once per frame with the frame interval, and stopped when it is done or removed.
// Render thread only.

#include "engine/base/Ref.h"

namespace engine {

class Node;

class Action : public Ref {
public:
    static constexpr int INVALID_TAG = -1;

    virtual void startWithTarget(Node* target);
    virtual void stop();
    virtual bool isDone() const { return true; }
    // dt: seconds since the previous step.
    virtual void step(float dt) = 0;
    // t: progress from 0 to 1.
    virtual void update(float /*t*/) {}

    Node* getTarget() const { return m_target; }
    Node* getOriginalTarget() const { return m_originalTarget; }
    int getTag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

protected:
    Action() = default;
    Node* m_target = nullptr;
    Node* m_originalTarget = nullptr;
    int m_tag = INVALID_TAG;
};

// An action with a duration in seconds (0 for instant actions).
class FiniteTimeAction : public Action {
public:
    float getDuration() const { return m_duration; }
    void setDuration(float duration) { m_duration = duration; }

protected:
    float m_duration = 0.0f;
};

} // namespace engine
