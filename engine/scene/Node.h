#pragma once
// The scene-graph node: a transform (position, anchor, content size, scale, rotation), children
// ordered by local z-order (equal z keeps insertion order), visibility, opacity and colour with
// optional cascade to children, timed callbacks and actions.
//
// Units: points for positions and sizes, degrees clockwise for rotation, 0-255 for opacity.
// Ownership: a parent retains its children. Render thread only.
//
// Every setter that changes what would be drawn asks the Director for a redraw; setting a
// property to the value it already has changes nothing and asks for nothing.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/base/Types.h"
#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"

namespace engine {

class Action;
class ActionManager;
class EventDispatcher;
class Renderer;
class Scene;
class Scheduler;
class Touch;

class Node : public Ref {
public:
    static constexpr int INVALID_TAG = -1;
    // Flags passed down by visit().
    static constexpr std::uint32_t FLAGS_TRANSFORM_DIRTY = 1u << 0;
    static constexpr std::uint32_t FLAGS_CONTENT_SIZE_DIRTY = 1u << 1;
    static constexpr std::uint32_t FLAGS_DIRTY_MASK = FLAGS_TRANSFORM_DIRTY | FLAGS_CONTENT_SIZE_DIRTY;

    static Node* create();
    virtual bool init() { return true; }
    ~Node() override;

    // Tree.
    virtual void addChild(Node* child);
    virtual void addChild(Node* child, int localZOrder);
    virtual void addChild(Node* child, int localZOrder, int tag);
    virtual void addChild(Node* child, int localZOrder, const std::string& name);
    virtual void removeChild(Node* child, bool cleanup = true);
    void removeChildByTag(int tag, bool cleanup = true);
    void removeChildByName(const std::string& name, bool cleanup = true);
    virtual void removeAllChildrenWithCleanup(bool cleanup);
    void removeAllChildren() { removeAllChildrenWithCleanup(true); }
    void removeFromParent() { removeFromParentAndCleanup(true); }
    void removeFromParentAndCleanup(bool cleanup);
    Node* getChildByTag(int tag) const;
    Node* getChildByName(const std::string& name) const;
    const std::vector<Node*>& getChildren() const { return m_children; }
    std::size_t getChildrenCount() const { return m_children.size(); }
    Node* getParent() const { return m_parent; }
    Scene* getScene() const;
    virtual void reorderChild(Node* child, int localZOrder);
    // Children by local z-order; equal z in the order they were added or reordered.
    void sortAllChildren();

    virtual void setLocalZOrder(int z);
    int getLocalZOrder() const { return m_localZOrder; }

    // Transform.
    virtual void setPosition(const Vec2& position);
    void setPosition(float x, float y) { setPosition(Vec2(x, y)); }
    const Vec2& getPosition() const { return m_position; }
    void getPosition(float* x, float* y) const { *x = m_position.x; *y = m_position.y; }
    void setPositionX(float x) { setPosition(Vec2(x, m_position.y)); }
    void setPositionY(float y) { setPosition(Vec2(m_position.x, y)); }
    float getPositionX() const { return m_position.x; }
    float getPositionY() const { return m_position.y; }
    // Position as a fraction of the parent's content size.
    void setNormalizedPosition(const Vec2& position);

    virtual void setAnchorPoint(const Vec2& anchor);
    const Vec2& getAnchorPoint() const { return m_anchorPoint; }
    const Vec2& getAnchorPointInPoints() const { return m_anchorPointInPoints; }
    // When set, the position places the bottom-left corner (layers and scenes).
    void setIgnoreAnchorPointForPosition(bool ignore);
    bool isIgnoreAnchorPointForPosition() const { return m_ignoreAnchorPointForPosition; }

    virtual void setContentSize(const Size& size);
    virtual const Size& getContentSize() const { return m_contentSize; }

    virtual void setScale(float scale);
    virtual void setScale(float scaleX, float scaleY);
    virtual void setScaleX(float scaleX);
    virtual void setScaleY(float scaleY);
    float getScale() const { return m_scaleX; }
    float getScaleX() const { return m_scaleX; }
    float getScaleY() const { return m_scaleY; }

    virtual void setRotation(float degrees);
    float getRotation() const { return m_rotation; }

    virtual void setVisible(bool visible);
    bool isVisible() const { return m_visible; }

    // Opacity and colour. With cascade on, children show their own value times the parent's.
    virtual void setOpacity(std::uint8_t opacity);
    std::uint8_t getOpacity() const { return m_realOpacity; }
    std::uint8_t getDisplayedOpacity() const { return m_displayedOpacity; }
    virtual void setColor(const Color3B& color);
    const Color3B& getColor() const { return m_realColor; }
    const Color3B& getDisplayedColor() const { return m_displayedColor; }
    void setCascadeOpacityEnabled(bool enabled);
    bool isCascadeOpacityEnabled() const { return m_cascadeOpacity; }
    void setCascadeColorEnabled(bool enabled);
    bool isCascadeColorEnabled() const { return m_cascadeColor; }
    virtual void updateDisplayedOpacity(std::uint8_t parentOpacity);
    virtual void updateDisplayedColor(const Color3B& parentColor);

    void setTag(int tag) { m_tag = tag; }
    int getTag() const { return m_tag; }
    void setName(const std::string& name) { m_name = name; }
    const std::string& getName() const { return m_name; }

    // Rectangle of the content in the parent's space (the axis-aligned hull when rotated).
    virtual Rect getBoundingBox() const;
    // The axis-aligned hull of a node-space rectangle in world space.
    Rect rectToWorld(const Rect& nodeRect) const;

    // Clipping. A node that draws its children (and itself) only inside a rectangle says so in
    // getChildrenClipRegion, with the rectangle in its own space; visit() clips to its world hull
    // and hit-testing rejects points the clipping hides.
    virtual bool getChildrenClipRegion(Rect* /*nodeRect*/) const { return false; }
    // The clip rectangle in world space (false when the node does not clip).
    bool getChildrenClipRect(Rect* worldRect) const;
    // Whether the node and all its ancestors are visible.
    bool isVisibleInTree() const;
    // False when a clipping ancestor hides the world point.
    bool isUnclippedByAncestors(const Vec2& worldPoint) const;
    // The world point lies on the node as drawn: inside its content rectangle, the node and its
    // ancestors visible, and no clipping ancestor cutting the point off.
    // Widgets whose parts reach past their content rectangle (a slider's ball) widen it.
    virtual bool hitTestContent(const Vec2& worldPoint) const;

    // Changes whenever a node anywhere gains or loses a child or changes its local z-order, so
    // that orders derived from the scene graph (the event dispatcher's) can be cached.
    static std::uint64_t getGraphGeneration() { return s_graphGeneration; }

    // Space conversion. "AR" variants measure node space from the anchor point.
    const Mat4& getNodeToParentTransform() const;
    Mat4 getParentToNodeTransform() const;
    Mat4 getNodeToWorldTransform() const;
    Mat4 getWorldToNodeTransform() const;
    Vec2 convertToNodeSpace(const Vec2& worldPoint) const;
    Vec2 convertToWorldSpace(const Vec2& nodePoint) const;
    Vec2 convertToNodeSpaceAR(const Vec2& worldPoint) const;
    Vec2 convertToWorldSpaceAR(const Vec2& nodePoint) const;
    Vec2 convertTouchToNodeSpace(Touch* touch) const;
    Vec2 convertTouchToNodeSpaceAR(Touch* touch) const;

    // Scheduling. Callbacks run while the node is running (between onEnter and onExit).
    void scheduleUpdate();
    void scheduleUpdateWithPriority(int priority);
    void unscheduleUpdate();
    virtual void update(float /*dt*/) {}
    void schedule(SEL_SCHEDULE selector);
    void schedule(SEL_SCHEDULE selector, float interval);
    void schedule(SEL_SCHEDULE selector, float interval, unsigned int repeat, float delay);
    void scheduleOnce(SEL_SCHEDULE selector, float delay);
    void unschedule(SEL_SCHEDULE selector);
    void schedule(const std::function<void(float)>& callback, const std::string& key);
    void schedule(const std::function<void(float)>& callback, float interval, const std::string& key);
    void scheduleOnce(const std::function<void(float)>& callback, float delay, const std::string& key);
    void unschedule(const std::string& key);
    bool isScheduled(SEL_SCHEDULE selector) const;
    bool isScheduled(const std::string& key) const;
    void unscheduleAllCallbacks();

    // Actions.
    Action* runAction(Action* action);
    void stopAllActions();
    void stopAction(Action* action);
    void stopActionByTag(int tag);
    Action* getActionByTag(int tag) const;
    std::size_t getNumberOfRunningActions() const;

    // Lifecycle.
    virtual void onEnter();
    virtual void onEnterTransitionDidFinish() {}
    virtual void onExitTransitionDidStart() {}
    virtual void onExit();
    // Stops actions, timers and event listeners, recursively.
    virtual void cleanup();
    bool isRunning() const { return m_running; }
    void pause();
    void resume();

    // Layout. A node that places its children by their sizes (a layout container) does so in
    // doLayout(). requestLayout() asks for that before the next frame is drawn and marks the
    // ancestors, so the Director's layout pass reaches the node without walking the whole tree.
    // A container is asked again by itself whenever a child is added, removed or resized.
    void requestLayout();
    bool isLayoutRequested() const { return m_layoutRequested; }
    // True for a container whose children's sizes decide their places.
    bool isLayoutContainer() const { return m_layoutsChildren; }
    // Runs the requested layouts of this subtree, children before parents, so that a container
    // sees its children's final sizes. Returns true when any layout ran.
    bool layoutIfNeeded();
    virtual void doLayout() {}

    // Drawing. visit() transforms, clips (getChildrenClipRegion), draws what lies behind
    // everything (drawBackground), the children behind (z < 0), the node, then the rest.
    virtual void visit(Renderer* renderer, const Mat4& parentTransform, std::uint32_t parentFlags);
    virtual void drawBackground(Renderer* /*renderer*/, std::uint32_t /*flags*/) {}
    virtual void draw(Renderer* /*renderer*/, const Mat4& /*transform*/, std::uint32_t /*flags*/) {}
    // Model-view transform of the latest visit.
    const Mat4& getModelViewTransform() const { return m_modelViewTransform; }

    Scheduler* getScheduler() const { return m_scheduler; }
    ActionManager* getActionManager() const { return m_actionManager; }
    EventDispatcher* getEventDispatcher() const { return m_eventDispatcher; }

    // Insertion counter for stable ordering of equal z-orders.
    std::uint64_t getOrderOfArrival() const { return m_orderOfArrival; }

protected:
    static void bumpGraphGeneration() { ++s_graphGeneration; }
    static inline std::uint64_t s_graphGeneration = 0;

    Node();
    // Flags for this node's children given the parent's flags and this node's own changes.
    std::uint32_t processParentFlags(const Mat4& parentTransform, std::uint32_t parentFlags);
    void markTransformDirty();
    void setParent(Node* parent) { m_parent = parent; }
    void addChildHelper(Node* child, int localZOrder, int tag, const std::string& name, bool setTag);
    void detachChild(Node* child, bool cleanup);
    // Marks the ancestors as holding a node that waits for its layout.
    void markAncestorsForLayout();

    std::vector<Node*> m_children;
    Node* m_parent = nullptr;
    Vec2 m_position;
    Vec2 m_anchorPoint;
    Vec2 m_anchorPointInPoints;
    Size m_contentSize;
    float m_scaleX = 1.0f;
    float m_scaleY = 1.0f;
    float m_rotation = 0.0f;
    int m_localZOrder = 0;
    int m_tag = INVALID_TAG;
    std::string m_name;
    bool m_visible = true;
    bool m_running = false;
    bool m_ignoreAnchorPointForPosition = false;
    bool m_reorderChildDirty = false;
    bool m_cascadeOpacity = false;
    bool m_cascadeColor = false;
    bool m_contentSizeDirty = true;
    // A container: its children's sizes and membership decide their places.
    bool m_layoutsChildren = false;
    bool m_layoutRequested = false;
    bool m_descendantLayoutRequested = false;
    std::uint8_t m_realOpacity = 255;
    std::uint8_t m_displayedOpacity = 255;
    Color3B m_realColor = Color3B::WHITE;
    Color3B m_displayedColor = Color3B::WHITE;
    std::uint64_t m_orderOfArrival = 0;

    mutable Mat4 m_transform;
    mutable bool m_transformDirty = true;
    bool m_transformUpdated = true;
    Mat4 m_modelViewTransform;

    Scheduler* m_scheduler = nullptr;
    ActionManager* m_actionManager = nullptr;
    EventDispatcher* m_eventDispatcher = nullptr;
};

} // namespace engine
