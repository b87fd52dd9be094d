#include "engine/scene/Node.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/actions/Action.h"
#include "engine/actions/ActionManager.h"
#include "engine/app/Director.h"
#include "engine/base/Scheduler.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/Touch.h"
#include "engine/renderer/Renderer.h"
#include "engine/scene/Scene.h"

namespace engine {

namespace {
std::uint64_t g_orderOfArrival = 0;
constexpr float kPi = 3.14159265358979323846f;
}

Node::Node()
{
    Director* director = Director::getInstance();
    m_scheduler = director->getScheduler();
    m_actionManager = director->getActionManager();
    m_eventDispatcher = director->getEventDispatcher();
    m_scheduler->retain();
    m_actionManager->retain();
    m_eventDispatcher->retain();
    m_orderOfArrival = ++g_orderOfArrival;
}

Node::~Node()
{
    m_scheduler->unscheduleAllForTarget(this);
    m_eventDispatcher->removeEventListenersForTarget(this);
    m_actionManager->removeAllActionsFromTarget(this);
    for (Node* child : m_children) {
        child->m_parent = nullptr;
        child->release();
    }
    m_children.clear();
    m_scheduler->release();
    m_actionManager->release();
    m_eventDispatcher->release();
}

Node* Node::create()
{
    auto* node = new (std::nothrow) Node();
    if (node && node->init()) {
        node->autorelease();
        return node;
    }
    delete node;
    return nullptr;
}

// ---- tree ----

void Node::addChild(Node* child)
{
    if (child) addChildHelper(child, child->m_localZOrder, INVALID_TAG, std::string(), false);
}

void Node::addChild(Node* child, int localZOrder)
{
    addChildHelper(child, localZOrder, INVALID_TAG, std::string(), false);
}

void Node::addChild(Node* child, int localZOrder, int tag)
{
    addChildHelper(child, localZOrder, tag, std::string(), true);
}

void Node::addChild(Node* child, int localZOrder, const std::string& name)
{
    addChildHelper(child, localZOrder, INVALID_TAG, name, false);
}

void Node::addChildHelper(Node* child, int localZOrder, int tag, const std::string& name, bool setTag)
{
    // A node has one parent; adding it twice or to itself is refused.
    if (!child || child->m_parent || child == this) {
        return;
    }
    child->retain();
    m_children.push_back(child);
    child->m_localZOrder = localZOrder;
    child->m_orderOfArrival = ++g_orderOfArrival;
    if (setTag) child->m_tag = tag;
    if (!name.empty()) child->m_name = name;
    child->m_parent = this;
    child->m_transformUpdated = true;
    m_reorderChildDirty = true;
    bumpGraphGeneration();
    if (m_running) {
        child->onEnter();
        child->onEnterTransitionDidFinish();
    }
    child->updateDisplayedOpacity(m_cascadeOpacity ? m_displayedOpacity : 255);
    child->updateDisplayedColor(m_cascadeColor ? m_displayedColor : Color3B::WHITE);
    if (child->m_layoutRequested || child->m_descendantLayoutRequested) child->markAncestorsForLayout();
    if (m_layoutsChildren) requestLayout();
    Director::markDirty();
}

void Node::detachChild(Node* child, bool cleanup)
{
    if (m_running) {
        child->onExitTransitionDidStart();
        child->onExit();
    }
    if (cleanup) {
        child->cleanup();
    }
    // onExit and cleanup may have removed siblings (or the child itself): find it again.
    auto it = std::find(m_children.begin(), m_children.end(), child);
    if (it == m_children.end()) return;
    child->m_parent = nullptr;
    m_children.erase(it);
    bumpGraphGeneration();
    child->release();
    if (m_layoutsChildren) requestLayout();
    Director::markDirty();
}

void Node::removeChild(Node* child, bool cleanup)
{
    if (child && child->m_parent == this) detachChild(child, cleanup);
}

void Node::removeChildByTag(int tag, bool cleanup)
{
    if (Node* child = getChildByTag(tag)) removeChild(child, cleanup);
}

void Node::removeChildByName(const std::string& name, bool cleanup)
{
    if (Node* child = getChildByName(name)) removeChild(child, cleanup);
}

void Node::removeAllChildrenWithCleanup(bool cleanup)
{
    while (!m_children.empty()) {
        detachChild(m_children.back(), cleanup);
    }
}

void Node::removeFromParentAndCleanup(bool cleanup)
{
    if (m_parent) {
        m_parent->removeChild(this, cleanup);
    }
}

Node* Node::getChildByTag(int tag) const
{
    for (Node* child : m_children) {
        if (child->m_tag == tag) return child;
    }
    return nullptr;
}

Node* Node::getChildByName(const std::string& name) const
{
    for (Node* child : m_children) {
        if (child->m_name == name) return child;
    }
    return nullptr;
}

Scene* Node::getScene() const
{
    const Node* node = this;
    while (node->m_parent) node = node->m_parent;
    return dynamic_cast<Scene*>(const_cast<Node*>(node));
}

void Node::reorderChild(Node* child, int localZOrder)
{
    if (!child || child->m_parent != this) return;
    child->m_orderOfArrival = ++g_orderOfArrival;
    child->m_localZOrder = localZOrder;
    // Even at the same z the child moves in front of its equals: the picture changes.
    m_reorderChildDirty = true;
    bumpGraphGeneration();
    Director::markDirty();
}

void Node::setLocalZOrder(int z)
{
    if (m_parent) {
        m_parent->reorderChild(this, z);
    } else {
        m_localZOrder = z;
    }
}

void Node::sortAllChildren()
{
    if (!m_reorderChildDirty) return;
    std::stable_sort(m_children.begin(), m_children.end(), [](const Node* a, const Node* b) {
        if (a->m_localZOrder != b->m_localZOrder) return a->m_localZOrder < b->m_localZOrder;
        return a->m_orderOfArrival < b->m_orderOfArrival;
    });
    m_reorderChildDirty = false;
}

// ---- transform ----

void Node::markTransformDirty()
{
    m_transformDirty = true;
    m_transformUpdated = true;
    Director::markDirty();
}

void Node::setPosition(const Vec2& position)
{
    if (position == m_position) return;
    m_position = position;
    markTransformDirty();
}

void Node::setNormalizedPosition(const Vec2& position)
{
    const Size parentSize = m_parent ? m_parent->getContentSize() : Size();
    setPosition(Vec2(position.x * parentSize.width, position.y * parentSize.height));
}

void Node::setAnchorPoint(const Vec2& anchor)
{
    if (anchor == m_anchorPoint) return;
    m_anchorPoint = anchor;
    m_anchorPointInPoints = Vec2(m_contentSize.width * anchor.x, m_contentSize.height * anchor.y);
    markTransformDirty();
}

void Node::setIgnoreAnchorPointForPosition(bool ignore)
{
    if (ignore == m_ignoreAnchorPointForPosition) return;
    m_ignoreAnchorPointForPosition = ignore;
    markTransformDirty();
}

void Node::setContentSize(const Size& size)
{
    if (size == m_contentSize) return;
    m_contentSize = size;
    m_anchorPointInPoints = Vec2(size.width * m_anchorPoint.x, size.height * m_anchorPoint.y);
    m_contentSizeDirty = true;
    markTransformDirty();
    if (m_parent && m_parent->m_layoutsChildren) m_parent->requestLayout();
}

void Node::setScale(float scale)
{
    setScale(scale, scale);
}

void Node::setScale(float scaleX, float scaleY)
{
    if (scaleX == m_scaleX && scaleY == m_scaleY) return;
    m_scaleX = scaleX;
    m_scaleY = scaleY;
    markTransformDirty();
}

void Node::setScaleX(float scaleX)
{
    setScale(scaleX, m_scaleY);
}

void Node::setScaleY(float scaleY)
{
    setScale(m_scaleX, scaleY);
}

void Node::setRotation(float degrees)
{
    if (degrees == m_rotation) return;
    m_rotation = degrees;
    markTransformDirty();
}

void Node::setVisible(bool visible)
{
    if (visible == m_visible) return;
    m_visible = visible;
    if (visible) m_transformUpdated = true;
    // A hidden child takes no room in a layout container.
    if (m_parent && m_parent->m_layoutsChildren) m_parent->requestLayout();
    Director::markDirty();
}

const Mat4& Node::getNodeToParentTransform() const
{
    if (!m_transformDirty) return m_transform;
    float x = m_position.x;
    float y = m_position.y;
    const Vec2 ap = m_anchorPointInPoints;
    if (m_ignoreAnchorPointForPosition) {
        x += ap.x;
        y += ap.y;
    }
    // Clockwise rotation for positive degrees.
    const float radians = -m_rotation * kPi / 180.0f;
    const float c = m_rotation == 0.0f ? 1.0f : std::cos(radians);
    const float s = m_rotation == 0.0f ? 0.0f : std::sin(radians);
    const float a = c * m_scaleX, b = s * m_scaleX;
    const float cc = -s * m_scaleY, d = c * m_scaleY;
    Mat4& t = m_transform;
    t = Mat4{};
    t.m[0] = a;
    t.m[1] = b;
    t.m[4] = cc;
    t.m[5] = d;
    // Translate by -anchor before rotating and scaling, then to the position.
    t.m[12] = x - (a * ap.x + cc * ap.y);
    t.m[13] = y - (b * ap.x + d * ap.y);
    m_transformDirty = false;
    return m_transform;
}

Mat4 Node::getParentToNodeTransform() const
{
    return getNodeToParentTransform().getInversed();
}

Mat4 Node::getNodeToWorldTransform() const
{
    Mat4 t = getNodeToParentTransform();
    for (const Node* p = m_parent; p; p = p->m_parent) {
        t = p->getNodeToParentTransform() * t;
    }
    return t;
}

Mat4 Node::getWorldToNodeTransform() const
{
    return getNodeToWorldTransform().getInversed();
}

Vec2 Node::convertToNodeSpace(const Vec2& worldPoint) const
{
    return getWorldToNodeTransform().transformPoint(worldPoint);
}

Vec2 Node::convertToWorldSpace(const Vec2& nodePoint) const
{
    return getNodeToWorldTransform().transformPoint(nodePoint);
}

Vec2 Node::convertToNodeSpaceAR(const Vec2& worldPoint) const
{
    return convertToNodeSpace(worldPoint) - m_anchorPointInPoints;
}

Vec2 Node::convertToWorldSpaceAR(const Vec2& nodePoint) const
{
    return convertToWorldSpace(nodePoint + m_anchorPointInPoints);
}

Vec2 Node::convertTouchToNodeSpace(Touch* touch) const
{
    return convertToNodeSpace(touch->getLocation());
}

Vec2 Node::convertTouchToNodeSpaceAR(Touch* touch) const
{
    return convertToNodeSpaceAR(touch->getLocation());
}

Rect Node::getBoundingBox() const
{
    const Size size = getContentSize();  // a label lays itself out here
    return getNodeToParentTransform().transformRectHull(Rect(Vec2::ZERO, size));
}

Rect Node::rectToWorld(const Rect& r) const
{
    return getNodeToWorldTransform().transformRectHull(r);
}

bool Node::getChildrenClipRect(Rect* worldRect) const
{
    Rect region;
    if (!getChildrenClipRegion(&region)) return false;
    if (worldRect) *worldRect = rectToWorld(region);
    return true;
}

bool Node::isVisibleInTree() const
{
    for (const Node* n = this; n; n = n->m_parent) {
        if (!n->m_visible) return false;
    }
    return true;
}

bool Node::isUnclippedByAncestors(const Vec2& worldPoint) const
{
    Rect clip;
    for (const Node* n = m_parent; n; n = n->m_parent) {
        if (n->getChildrenClipRect(&clip) && !clip.containsPoint(worldPoint)) return false;
    }
    return true;
}

bool Node::hitTestContent(const Vec2& worldPoint) const
{
    const Vec2 p = convertToNodeSpace(worldPoint);
    const Size size = getContentSize();
    // NaN (a singular transform) fails every comparison.
    if (!(p.x >= 0 && p.y >= 0 && p.x <= size.width && p.y <= size.height)) return false;
    return isVisibleInTree() && isUnclippedByAncestors(worldPoint);
}

// ---- opacity and colour ----

void Node::setOpacity(std::uint8_t opacity)
{
    if (opacity == m_realOpacity) return;
    m_realOpacity = opacity;
    const bool inherit = m_parent && m_parent->m_cascadeOpacity;
    updateDisplayedOpacity(inherit ? m_parent->m_displayedOpacity : 255);
}

void Node::updateDisplayedOpacity(std::uint8_t parentOpacity)
{
    const auto shown = static_cast<std::uint8_t>(m_realOpacity * parentOpacity / 255);
    if (shown != m_displayedOpacity) {
        m_displayedOpacity = shown;
        Director::markDirty();
    }
    if (m_cascadeOpacity) {
        for (Node* child : m_children) child->updateDisplayedOpacity(m_displayedOpacity);
    }
}

void Node::setColor(const Color3B& color)
{
    if (color == m_realColor) return;
    m_realColor = color;
    const bool inherit = m_parent && m_parent->m_cascadeColor;
    updateDisplayedColor(inherit ? m_parent->m_displayedColor : Color3B::WHITE);
}

void Node::updateDisplayedColor(const Color3B& parent)
{
    const Color3B shown(static_cast<std::uint8_t>(m_realColor.r * parent.r / 255),
                        static_cast<std::uint8_t>(m_realColor.g * parent.g / 255),
                        static_cast<std::uint8_t>(m_realColor.b * parent.b / 255));
    if (shown != m_displayedColor) {
        m_displayedColor = shown;
        Director::markDirty();
    }
    if (m_cascadeColor) {
        for (Node* child : m_children) child->updateDisplayedColor(m_displayedColor);
    }
}

void Node::setCascadeOpacityEnabled(bool enabled)
{
    if (enabled == m_cascadeOpacity) return;
    m_cascadeOpacity = enabled;
    for (Node* child : m_children) child->updateDisplayedOpacity(enabled ? m_displayedOpacity : 255);
}

void Node::setCascadeColorEnabled(bool enabled)
{
    if (enabled == m_cascadeColor) return;
    m_cascadeColor = enabled;
    for (Node* child : m_children) child->updateDisplayedColor(enabled ? m_displayedColor : Color3B::WHITE);
}

// ---- scheduling and actions ----

void Node::scheduleUpdate()
{
    scheduleUpdateWithPriority(0);
}

void Node::scheduleUpdateWithPriority(int priority)
{
    m_scheduler->scheduleUpdate(this, priority, !m_running);
}

void Node::unscheduleUpdate()
{
    m_scheduler->unscheduleUpdate(this);
}

void Node::schedule(SEL_SCHEDULE selector)
{
    schedule(selector, 0.0f, CC_REPEAT_FOREVER, 0.0f);
}

void Node::schedule(SEL_SCHEDULE selector, float interval)
{
    schedule(selector, interval, CC_REPEAT_FOREVER, 0.0f);
}

void Node::schedule(SEL_SCHEDULE selector, float interval, unsigned int repeat, float delay)
{
    m_scheduler->schedule(selector, this, interval, repeat, delay, !m_running);
}

void Node::scheduleOnce(SEL_SCHEDULE selector, float delay)
{
    schedule(selector, 0.0f, 0, delay);
}

void Node::unschedule(SEL_SCHEDULE selector)
{
    m_scheduler->unschedule(selector, this);
}

void Node::schedule(const std::function<void(float)>& callback, const std::string& key)
{
    schedule(callback, 0.0f, key);
}

void Node::schedule(const std::function<void(float)>& callback, float interval, const std::string& key)
{
    m_scheduler->schedule(callback, this, interval, CC_REPEAT_FOREVER, 0.0f, !m_running, key);
}

void Node::scheduleOnce(const std::function<void(float)>& callback, float delay, const std::string& key)
{
    m_scheduler->schedule(callback, this, 0.0f, 0, delay, !m_running, key);
}

void Node::unschedule(const std::string& key)
{
    m_scheduler->unschedule(key, this);
}

bool Node::isScheduled(SEL_SCHEDULE selector) const
{
    return m_scheduler->isScheduled(selector, this);
}

bool Node::isScheduled(const std::string& key) const
{
    return m_scheduler->isScheduled(key, this);
}

void Node::unscheduleAllCallbacks()
{
    m_scheduler->unscheduleAllForTarget(this);
}

Action* Node::runAction(Action* action)
{
    if (action) {
        m_actionManager->addAction(action, this, !m_running);
        Director::markDirty();
    }
    return action;
}

void Node::stopAllActions()
{
    m_actionManager->removeAllActionsFromTarget(this);
}

void Node::stopAction(Action* action)
{
    m_actionManager->removeAction(action);
}

void Node::stopActionByTag(int tag)
{
    m_actionManager->removeActionByTag(tag, this);
}

Action* Node::getActionByTag(int tag) const
{
    return m_actionManager->getActionByTag(tag, this);
}

std::size_t Node::getNumberOfRunningActions() const
{
    return m_actionManager->getNumberOfRunningActionsInTarget(this);
}

// ---- lifecycle ----

void Node::onEnter()
{
    m_running = true;
    // Index loop: onEnter of a child may add children here.
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        m_children[i]->onEnter();
    }
    resume();
}

void Node::onExit()
{
    pause();
    m_running = false;
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        m_children[i]->onExit();
    }
}

void Node::cleanup()
{
    stopAllActions();
    unscheduleAllCallbacks();
    m_eventDispatcher->removeEventListenersForTarget(this);
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        m_children[i]->cleanup();
    }
}

void Node::pause()
{
    m_scheduler->pauseTarget(this);
    m_actionManager->pauseTarget(this);
    m_eventDispatcher->pauseEventListenersForTarget(this);
}

void Node::resume()
{
    m_scheduler->resumeTarget(this);
    m_actionManager->resumeTarget(this);
    m_eventDispatcher->resumeEventListenersForTarget(this);
}

// ---- layout ----

void Node::requestLayout()
{
    m_layoutRequested = true;
    markAncestorsForLayout();
    Director::markDirty();
}

void Node::markAncestorsForLayout()
{
    // An ancestor already marked has its own ancestors marked too.
    for (Node* p = m_parent; p && !p->m_descendantLayoutRequested; p = p->m_parent) {
        p->m_descendantLayoutRequested = true;
    }
}

bool Node::layoutIfNeeded()
{
    bool ran = false;
    if (m_descendantLayoutRequested) {
        m_descendantLayoutRequested = false;
        // Index loop: a layout may add or remove children.
        for (std::size_t i = 0; i < m_children.size(); ++i) {
            ran = m_children[i]->layoutIfNeeded() || ran;
        }
    }
    if (m_layoutRequested) {
        m_layoutRequested = false;
        retain();  // doLayout may remove this node from its parent
        doLayout();
        release();
        ran = true;
    }
    return ran;
}

// ---- drawing ----

std::uint32_t Node::processParentFlags(const Mat4& parentTransform, std::uint32_t parentFlags)
{
    std::uint32_t flags = parentFlags;
    if (m_transformUpdated) flags |= FLAGS_TRANSFORM_DIRTY;
    if (m_contentSizeDirty) flags |= FLAGS_CONTENT_SIZE_DIRTY;
    if (flags & FLAGS_DIRTY_MASK) {
        m_modelViewTransform = parentTransform * getNodeToParentTransform();
    }
    m_transformUpdated = false;
    m_contentSizeDirty = false;
    return flags;
}

void Node::visit(Renderer* renderer, const Mat4& parentTransform, std::uint32_t parentFlags)
{
    if (!m_visible) return;
    const std::uint32_t flags = processParentFlags(parentTransform, parentFlags);
    Rect region;
    const bool clips = getChildrenClipRegion(&region);
    if (clips) renderer->pushClip(m_modelViewTransform.transformRectHull(region));
    drawBackground(renderer, flags);
    sortAllChildren();
    std::size_t i = 0;
    for (; i < m_children.size() && m_children[i]->m_localZOrder < 0; ++i) {
        m_children[i]->visit(renderer, m_modelViewTransform, flags);
    }
    draw(renderer, m_modelViewTransform, flags);
    for (; i < m_children.size(); ++i) {
        m_children[i]->visit(renderer, m_modelViewTransform, flags);
    }
    if (clips) renderer->popClip();
}

} // namespace engine
