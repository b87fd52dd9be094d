#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>

#include "engine/actions/ActionInstant.h"
#include "engine/actions/ActionInterval.h"
#include "engine/scene/Node.h"

namespace engine {

namespace {
template <typename T>
T* autoreleased(T* action)
{
    action->autorelease();
    return action;
}
}

void Action::startWithTarget(Node* target)
{
    m_target = target;
    m_originalTarget = target;
}

void Action::stop()
{
    m_target = nullptr;
}

void ActionInstant::startWithTarget(Node* target)
{
    FiniteTimeAction::startWithTarget(target);
    m_done = false;
}

void ActionInstant::step(float /*dt*/)
{
    update(1.0f);
    m_done = true;
}

CallFunc* CallFunc::create(const std::function<void()>& func)
{
    auto* action = new (std::nothrow) CallFunc();
    if (!action) return nullptr;
    action->m_function = func;
    return autoreleased(action);
}

void CallFunc::update(float /*t*/)
{
    if (m_function) {
        m_function();
    }
}

bool ActionInterval::initWithDuration(float duration)
{
    // A zero duration would divide by zero; it still completes on its second step.
    m_duration = std::max(duration, FLT_EPSILON);
    m_elapsed = 0.0f;
    m_firstTick = true;
    return true;
}

void ActionInterval::startWithTarget(Node* target)
{
    FiniteTimeAction::startWithTarget(target);
    m_elapsed = 0.0f;
    m_firstTick = true;
}

void ActionInterval::step(float dt)
{
    if (m_firstTick) {
        m_firstTick = false;
        m_elapsed = 0.0f;
    } else {
        m_elapsed += dt;
    }
    update(std::clamp(m_elapsed / m_duration, 0.0f, 1.0f));
}

Sequence* Sequence::create(const std::vector<FiniteTimeAction*>& actions)
{
    auto* seq = new (std::nothrow) Sequence();
    if (!seq) return nullptr;
    float total = 0.0f;
    for (FiniteTimeAction* a : actions) {
        if (!a) continue;
        a->retain();
        seq->m_actions.push_back(a);
        seq->m_starts.push_back(total);
        total += a->getDuration();
    }
    seq->initWithDuration(total);
    return autoreleased(seq);
}

Sequence::~Sequence()
{
    for (FiniteTimeAction* a : m_actions) {
        a->release();
    }
}

void Sequence::startWithTarget(Node* target)
{
    ActionInterval::startWithTarget(target);
    m_current = 0;
    m_currentStarted = false;
}

void Sequence::stop()
{
    if (m_currentStarted && m_current < m_actions.size()) {
        m_actions[m_current]->stop();
    }
    m_currentStarted = false;
    ActionInterval::stop();
}

void Sequence::update(float t)
{
    const float now = t * getDuration();
    Node* target = getTarget();
    while (m_current < m_actions.size()) {
        FiniteTimeAction* a = m_actions[m_current];
        const float start = m_starts[m_current];
        const float dur = a->getDuration();
        if (now < start) {
            return;
        }
        if (!m_currentStarted) {
            a->startWithTarget(target);
            m_currentStarted = true;
        }
        const bool finished = t >= 1.0f || now >= start + dur;
        if (!finished) {
            a->update(dur > 0.0f ? (now - start) / dur : 1.0f);
            return;
        }
        a->update(1.0f);
        a->stop();
        m_currentStarted = false;
        ++m_current;
        // A callback may have stopped the whole sequence (target gone): stop walking.
        if (getTarget() == nullptr) {
            return;
        }
    }
}

RepeatForever* RepeatForever::create(ActionInterval* action)
{
    if (!action) return nullptr;
    auto* rep = new (std::nothrow) RepeatForever();
    if (!rep) return nullptr;
    action->retain();
    rep->m_inner = action;
    rep->initWithDuration(action->getDuration());
    return autoreleased(rep);
}

RepeatForever::~RepeatForever()
{
    if (m_inner) m_inner->release();
}

void RepeatForever::startWithTarget(Node* target)
{
    ActionInterval::startWithTarget(target);
    m_inner->startWithTarget(target);
}

void RepeatForever::stop()
{
    m_inner->stop();
    ActionInterval::stop();
}

void RepeatForever::step(float dt)
{
    m_inner->step(dt);
    // A callback inside may have stopped this action.
    if (getTarget() == nullptr) {
        return;
    }
    if (m_inner->isDone()) {
        float over = m_inner->getElapsed() - m_inner->getDuration();
        if (over > m_inner->getDuration()) {
            over = std::fmod(over, m_inner->getDuration());
        }
        Node* target = getTarget();
        m_inner->stop();
        m_inner->startWithTarget(target);
        // The restart's first tick is progress 0; then carry the time past the end over.
        m_inner->step(0.0f);
        m_inner->step(over);
    }
}

DelayTime* DelayTime::create(float duration)
{
    auto* a = new (std::nothrow) DelayTime();
    if (!a) return nullptr;
    a->initWithDuration(duration);
    return autoreleased(a);
}

MoveTo* MoveTo::create(float duration, const Vec2& position)
{
    auto* a = new (std::nothrow) MoveTo();
    if (!a) return nullptr;
    a->initWithDuration(duration);
    a->m_end = position;
    return autoreleased(a);
}

MoveBy* MoveBy::create(float duration, const Vec2& delta)
{
    auto* a = new (std::nothrow) MoveBy();
    if (!a) return nullptr;
    a->initWithDuration(duration);
    a->m_delta = delta;
    a->m_relative = true;
    return autoreleased(a);
}

void MoveTo::startWithTarget(Node* target)
{
    ActionInterval::startWithTarget(target);
    m_start = target->getPosition();
    if (!m_relative) {
        m_delta = m_end - m_start;
    }
}

void MoveTo::update(float t)
{
    if (Node* target = getTarget()) {
        target->setPosition(t >= 1.0f && !m_relative ? m_end : m_start + m_delta * t);
    }
}

RotateBy* RotateBy::create(float duration, float deltaAngle)
{
    auto* a = new (std::nothrow) RotateBy();
    if (!a) return nullptr;
    a->initWithDuration(duration);
    a->m_delta = deltaAngle;
    return autoreleased(a);
}

void RotateBy::startWithTarget(Node* target)
{
    ActionInterval::startWithTarget(target);
    m_start = target->getRotation();
}

void RotateBy::update(float t)
{
    if (Node* target = getTarget()) {
        target->setRotation(m_start + m_delta * t);
    }
}

FadeTo* FadeTo::create(float duration, std::uint8_t opacity)
{
    auto* a = new (std::nothrow) FadeTo();
    if (!a) return nullptr;
    a->initWithDuration(duration);
    a->m_to = opacity;
    return autoreleased(a);
}

void FadeTo::startWithTarget(Node* target)
{
    ActionInterval::startWithTarget(target);
    m_from = target->getOpacity();
}

void FadeTo::update(float t)
{
    if (Node* target = getTarget()) {
        const float v = m_from + (static_cast<float>(m_to) - m_from) * t;
        target->setOpacity(static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 255.0f))));
    }
}

FadeIn* FadeIn::create(float duration)
{
    auto* a = new (std::nothrow) FadeIn();
    if (!a) return nullptr;
    a->initWithDuration(duration);
    a->m_to = 255;
    return autoreleased(a);
}

FadeOut* FadeOut::create(float duration)
{
    auto* a = new (std::nothrow) FadeOut();
    if (!a) return nullptr;
    a->initWithDuration(duration);
    a->m_to = 0;
    return autoreleased(a);
}

} // namespace engine
