#pragma once
// Actions that complete in one step.

#include <functional>

#include "engine/actions/Action.h"

namespace engine {

class ActionInstant : public FiniteTimeAction {
public:
    bool isDone() const override { return m_done; }
    void startWithTarget(Node* target) override;
    void step(float dt) override;

private:
    bool m_done = false;
};

// Calls a function once.
class CallFunc : public ActionInstant {
public:
    static CallFunc* create(const std::function<void()>& func);
    void update(float t) override;

private:
    std::function<void()> m_function;
};

} // namespace engine
