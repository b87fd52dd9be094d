#include "engine/actions/ActionManager.h"

#include <algorithm>

#include "engine/actions/Action.h"
#include "engine/scene/Node.h"

namespace engine {

ActionManager::ActionManager() = default;

ActionManager::~ActionManager()
{
    removeAllActions();
    m_updating = 0;
    for (std::size_t i = m_elements.size(); i-- > 0;) {
        removeAt(i);
    }
}

void ActionManager::addAction(Action* action, Node* target, bool paused)
{
    if (!action || !target) {
        return;
    }
    action->retain();
    target->retain();
    m_elements.push_back({target, action, paused, false});
    action->startWithTarget(target);
}

void ActionManager::removeAt(std::size_t index)
{
    Element e = m_elements[index];
    if (m_updating > 0) {
        // The update loop compacts; only mark it here.
        if (!m_elements[index].removed) {
            m_elements[index].removed = true;
            e.action->stop();
        }
        return;
    }
    m_elements.erase(m_elements.begin() + static_cast<std::ptrdiff_t>(index));
    if (!e.removed) {
        e.action->stop();
    }
    e.action->release();
    e.target->release();
}

void ActionManager::removeAction(Action* action)
{
    for (std::size_t i = 0; i < m_elements.size(); ++i) {
        if (m_elements[i].action == action && !m_elements[i].removed) {
            removeAt(i);
            return;
        }
    }
}

void ActionManager::removeAllActionsFromTarget(Node* target)
{
    for (std::size_t i = m_elements.size(); i-- > 0;) {
        if (m_elements[i].target == target && !m_elements[i].removed) {
            removeAt(i);
        }
    }
}

void ActionManager::removeActionByTag(int tag, Node* target)
{
    for (std::size_t i = 0; i < m_elements.size(); ++i) {
        const Element& e = m_elements[i];
        if (e.target == target && !e.removed && e.action->getTag() == tag) {
            removeAt(i);
            return;
        }
    }
}

void ActionManager::removeAllActions()
{
    for (std::size_t i = m_elements.size(); i-- > 0;) {
        if (!m_elements[i].removed) {
            removeAt(i);
        }
    }
}

Action* ActionManager::getActionByTag(int tag, const Node* target) const
{
    for (const Element& e : m_elements) {
        if (e.target == target && !e.removed && e.action->getTag() == tag) {
            return e.action;
        }
    }
    return nullptr;
}

std::size_t ActionManager::getNumberOfRunningActionsInTarget(const Node* target) const
{
    return static_cast<std::size_t>(std::count_if(m_elements.begin(), m_elements.end(), [target](const Element& e) {
        return e.target == target && !e.removed;
    }));
}

std::size_t ActionManager::getNumberOfRunningActions() const
{
    return static_cast<std::size_t>(
        std::count_if(m_elements.begin(), m_elements.end(), [](const Element& e) { return !e.removed; }));
}

bool ActionManager::hasActiveActions() const
{
    return std::any_of(m_elements.begin(), m_elements.end(), [](const Element& e) { return !e.removed && !e.paused; });
}

void ActionManager::pauseTarget(Node* target)
{
    for (Element& e : m_elements) {
        if (e.target == target) e.paused = true;
    }
}

void ActionManager::resumeTarget(Node* target)
{
    for (Element& e : m_elements) {
        if (e.target == target) e.paused = false;
    }
}

void ActionManager::update(float dt)
{
    ++m_updating;
    // Index loop: actions added by callbacks go to the end and run from the next frame.
    const std::size_t count = m_elements.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (m_elements[i].removed || m_elements[i].paused) {
            continue;
        }
        Action* action = m_elements[i].action;
        action->step(dt);
        if (!m_elements[i].removed && action->isDone()) {
            m_elements[i].removed = true;
            action->stop();
        }
    }
    --m_updating;
    if (m_updating == 0) {
        std::vector<Element> finished;
        auto it = std::stable_partition(m_elements.begin(), m_elements.end(), [](const Element& e) { return !e.removed; });
        finished.assign(it, m_elements.end());
        m_elements.erase(it, m_elements.end());
        // Released after compaction: a target's destructor may reach back into the manager.
        for (Element& e : finished) {
            e.action->release();
            e.target->release();
        }
    }
}

} // namespace engine
