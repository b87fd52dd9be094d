#pragma once
// Runs the actions of every node. The manager retains each action and its target while the
// action runs; Node::cleanup (removeFromParentAndCleanup(true)) or stopAllActions ends that.
// Stepped by the scheduler before node updates. Render thread only.

#include <vector>

#include "engine/base/Ref.h"

namespace engine {

class Action;
class Node;

class ActionManager : public Ref {
public:
    ActionManager();
    ~ActionManager() override;

    void addAction(Action* action, Node* target, bool paused);
    void removeAction(Action* action);
    void removeAllActionsFromTarget(Node* target);
    void removeActionByTag(int tag, Node* target);
    void removeAllActions();
    Action* getActionByTag(int tag, const Node* target) const;
    std::size_t getNumberOfRunningActionsInTarget(const Node* target) const;
    std::size_t getNumberOfRunningActions() const;
    // Whether any action is running and not paused (something on stage is moving).
    bool hasActiveActions() const;

    void pauseTarget(Node* target);
    void resumeTarget(Node* target);

    void update(float dt);

private:
    struct Element {
        Node* target = nullptr;
        Action* action = nullptr;
        bool paused = false;
        bool removed = false;
    };
    void removeAt(std::size_t index);

    std::vector<Element> m_elements;
    int m_updating = 0;
};

} // namespace engine
