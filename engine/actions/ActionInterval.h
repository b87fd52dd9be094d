#pragma once
// Actions that run over a duration. The first step after starting runs at progress 0, later
// steps add their dt; progress reaches 1 when the elapsed time reaches the duration.

#include <vector>

#include "engine/actions/Action.h"
#include "engine/math/Vec2.h"

namespace engine {

class ActionInterval : public FiniteTimeAction {
public:
    bool isDone() const override { return m_elapsed >= m_duration; }
    void startWithTarget(Node* target) override;
    void step(float dt) override;
    float getElapsed() const { return m_elapsed; }

protected:
    bool initWithDuration(float duration);

private:
    float m_elapsed = 0.0f;
    bool m_firstTick = true;
};

// Runs actions one after another; an instant action fires when its turn comes.
class Sequence : public ActionInterval {
public:
    static Sequence* create(const std::vector<FiniteTimeAction*>& actions);
    // Null-terminated list, as in create(a, b, c, nullptr).
    template <typename... A>
    static Sequence* create(FiniteTimeAction* first, A... rest)
    {
        std::vector<FiniteTimeAction*> list{first, static_cast<FiniteTimeAction*>(rest)...};
        while (!list.empty() && list.back() == nullptr) list.pop_back();
        return create(list);
    }
    static Sequence* createWithTwoActions(FiniteTimeAction* a, FiniteTimeAction* b) { return create({a, b}); }
    ~Sequence() override;

    void startWithTarget(Node* target) override;
    void stop() override;
    void update(float t) override;

private:
    std::vector<FiniteTimeAction*> m_actions;
    std::vector<float> m_starts;
    std::size_t m_current = 0;
    bool m_currentStarted = false;
};

// Restarts its inner action whenever it finishes; never done.
class RepeatForever : public ActionInterval {
public:
    static RepeatForever* create(ActionInterval* action);
    ~RepeatForever() override;
    void startWithTarget(Node* target) override;
    void stop() override;
    void step(float dt) override;
    bool isDone() const override { return false; }
    ActionInterval* getInnerAction() const { return m_inner; }

private:
    ActionInterval* m_inner = nullptr;
};

class DelayTime : public ActionInterval {
public:
    static DelayTime* create(float duration);
};

class MoveTo : public ActionInterval {
public:
    static MoveTo* create(float duration, const Vec2& position);
    void startWithTarget(Node* target) override;
    void update(float t) override;

protected:
    Vec2 m_start;
    Vec2 m_end;
    Vec2 m_delta;
    bool m_relative = false;
};

class MoveBy : public MoveTo {
public:
    static MoveBy* create(float duration, const Vec2& delta);
};

// Positive angles turn clockwise, in degrees.
class RotateBy : public ActionInterval {
public:
    static RotateBy* create(float duration, float deltaAngle);
    void startWithTarget(Node* target) override;
    void update(float t) override;

private:
    float m_start = 0.0f;
    float m_delta = 0.0f;
};

class FadeTo : public ActionInterval {
public:
    static FadeTo* create(float duration, std::uint8_t opacity);
    void startWithTarget(Node* target) override;
    void update(float t) override;

protected:
    std::uint8_t m_from = 0;
    std::uint8_t m_to = 0;
};

// Fades from the current opacity to 255.
class FadeIn : public FadeTo {
public:
    static FadeIn* create(float duration);
};

// Fades from the current opacity to 0.
class FadeOut : public FadeTo {
public:
    static FadeOut* create(float duration);
};

} // namespace engine
