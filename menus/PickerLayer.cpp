#include "menus/PickerLayer.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/Scale9Sprite.h"
#include "menus/MenuController.h"

namespace nolvo {

using namespace engine;
using Key = EventKeyboard::KeyCode;

namespace {

const char* const kFont = "fonts/roboto/Roboto-Regular.ttf";
const char* const kBoldFont = "fonts/roboto/Roboto-Bold.ttf";
// Movement below which a touch counts as a tap.
constexpr float kTapSlop = 6.0f;

Label* makeRowLabel(const std::string& text, float size, bool bold)
{
    Label* label = Label::createWithFont(text, bold ? kBoldFont : kFont, size);
    return label;
}

// Scales a sprite to exactly `size`.
void fit(Sprite* sprite, const Size& size)
{
    if (!sprite) return;
    const Size image = sprite->getContentSize();
    if (image.width <= 0 || image.height <= 0) return;
    sprite->setScale(size.width / image.width, size.height / image.height);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// PickerLayer

PickerLayer::~PickerLayer() = default;

bool PickerLayer::initPicker(const MenuMetrics& metrics)
{
    if (!Node::init()) return false;
    m_rowHeight = metrics.rowHeight;
    m_fontSize = metrics.fontSize;
    setAnchorPoint(Vec2(0, 0));
    return true;
}

void PickerLayer::onEnter()
{
    Node::onEnter();
    if (m_touch) return;
    EventDispatcher* dispatcher = Director::getInstance()->getEventDispatcher();
    m_touch = EventListenerTouchOneByOne::create();
    m_touch->setSwallowTouches(true);
    m_touch->onTouchBegan = [this](Touch* touch, Event*) {
        m_touchStart = touch->getLocation();
        m_lastY = m_touchStart.y;
        m_dragging = false;
        return true;
    };
    m_touch->onTouchMoved = [this](Touch* touch, Event*) {
        const Vec2 at = touch->getLocation();
        if (!m_dragging && std::fabs(at.y - m_touchStart.y) < kTapSlop && std::fabs(at.x - m_touchStart.x) < kTapSlop) {
            return;
        }
        if (!m_dragging) dragBegan(convertToNodeSpace(m_touchStart));
        m_dragging = true;
        dragBy(at.y - m_lastY);
        m_lastY = at.y;
    };
    m_touch->onTouchEnded = [this](Touch* touch, Event*) {
        if (m_dragging) {
            m_dragging = false;
            dragEnded();
            return;
        }
        const Vec2 local = convertToNodeSpace(touch->getLocation());
        const Size& size = getContentSize();
        if (local.x < 0 || local.y < 0 || local.x > size.width || local.y > size.height) {
            dismiss();
            return;
        }
        tapAt(local);
    };
    m_touch->onTouchCancelled = [this](Touch*, Event*) {
        if (m_dragging) dragEnded();
        m_dragging = false;
    };
    dispatcher->addEventListenerWithSceneGraphPriority(m_touch, this);

    m_mouse = EventListenerMouse::create();
    m_mouse->onMouseScroll = [this](EventMouse* e) {
        const Vec2 local = convertToNodeSpace(e->getLocation());
        const Size& size = getContentSize();
        if (local.x < 0 || local.y < 0 || local.x > size.width || local.y > size.height) return;
        wheelAt(local, e->getScrollY());
        e->stopPropagation();
    };
    dispatcher->addEventListenerWithSceneGraphPriority(m_mouse, this);
}

void PickerLayer::onExit()
{
    Node::onExit();
}

Rect PickerLayer::frameInWorld() const
{
    const Vec2 corner = convertToWorldSpace(Vec2(0, 0));
    return Rect(corner, getContentSize());
}

void PickerLayer::placeNear(const Rect& anchor, float width)
{
    setContentSize(Size(width, getContentSize().height));
    relayout();
    const Size visible = Director::getInstance()->getVisibleSize();
    const Vec2 origin = Director::getInstance()->getVisibleOrigin();
    const Size& size = getContentSize();
    const float inset = MenuController::kPlacementInset;
    float x = anchor.origin.x + anchor.size.width / 2 - size.width / 2;
    x = std::max(origin.x + inset, std::min(x, origin.x + visible.width - inset - size.width));
    float y = anchor.origin.y + anchor.size.height / 2 - size.height / 2;
    y = std::max(origin.y + inset, std::min(y, origin.y + visible.height - inset - size.height));
    setPosition(Vec2(x, y));
}

void PickerLayer::dismiss()
{
    MenuController* controller = MenuController::getInstance();
    if (controller->getPicker() == this) {
        controller->closePicker();
    } else if (getParent()) {
        removeFromParentAndCleanup(true);
    }
}

// ---------------------------------------------------------------------------------------------
// PickerWheel

PickerWheel* PickerWheel::create(std::vector<std::string> rows, int current, Chosen chosen, const MenuMetrics& metrics)
{
    auto* wheel = new PickerWheel();
    if (wheel->initWheel(std::move(rows), current, std::move(chosen), metrics)) {
        wheel->autorelease();
        return wheel;
    }
    delete wheel;
    return nullptr;
}

bool PickerWheel::initWheel(std::vector<std::string> rows, int current, Chosen chosen, const MenuMetrics& metrics)
{
    if (!initPicker(metrics)) return false;
    m_rows = std::move(rows);
    m_chosen = std::move(chosen);
    m_position = current >= 0 && current < static_cast<int>(m_rows.size()) ? static_cast<float>(current) : 0.0f;
    setContentSize(Size(200.0f, kVisibleRows * m_rowHeight));

    m_frame = Node::create();
    addChild(m_frame, 0);
    for (int i = 0; i < kVisibleRows + 2; ++i) {
        Label* label = makeRowLabel("", m_fontSize, false);
        if (!label) continue;
        label->setAnchorPoint(Vec2(0.5f, 0.5f));
        addChild(label, 1);
        m_labels.push_back(label);
        m_labelRows.push_back(-1);
    }
    if (Sprite* gloss = Sprite::create("wheel.png")) {
        gloss->setName("gloss");
        gloss->setAnchorPoint(Vec2(0, 0));
        addChild(gloss, 2);
    }
    relayout();
    return true;
}

void PickerWheel::relayout()
{
    const Size size = getContentSize();
    m_frame->removeAllChildren();
    Sprite* left = Sprite::create("left-edge.png");
    Sprite* right = Sprite::create("right-edge.png");
    Sprite* middle = Sprite::create("middle-edge.png");
    const float edge = left ? left->getContentSize().width : 12.0f;
    for (auto [sprite, x, w] : {std::tuple{left, 0.0f, edge}, std::tuple{middle, edge, size.width - 2 * edge},
                                std::tuple{right, size.width - edge, edge}}) {
        if (!sprite) continue;
        sprite->setAnchorPoint(Vec2(0, 0));
        sprite->setPosition(Vec2(x, 0));
        fit(sprite, Size(std::max(0.0f, w), size.height));
        m_frame->addChild(sprite);
    }
    if (auto* gloss = dynamic_cast<Sprite*>(getChildByName("gloss"))) fit(gloss, size);
    updateLabels();
}

void PickerWheel::updateLabels()
{
    const Size size = getContentSize();
    const float centreY = size.height / 2;
    const int first = static_cast<int>(std::floor(m_position)) - (kVisibleRows / 2) - 1;
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        const int row = first + static_cast<int>(i);
        Label* label = m_labels[i];
        const float y = centreY + (m_position - static_cast<float>(row)) * m_rowHeight;
        // Rows are kept inside the wheel's frame: those beyond it are hidden, not clipped.
        const bool inside = row >= 0 && row < static_cast<int>(m_rows.size()) && y >= m_rowHeight * 0.5f - 1.0f &&
                            y <= size.height - m_rowHeight * 0.5f + 1.0f;
        label->setVisible(inside);
        if (!inside) continue;
        if (m_labelRows[i] != row) {
            label->setString(m_rows[static_cast<std::size_t>(row)]);
            m_labelRows[i] = row;
        }
        label->setPosition(Vec2(size.width / 2, y));
        const float distance = std::fabs(y - centreY) / m_rowHeight;
        label->setOpacity(static_cast<std::uint8_t>(std::clamp(255.0f - 70.0f * distance, 80.0f, 255.0f)));
        const float maxWidth = size.width - 28.0f;
        const float width = label->getContentSize().width;
        label->setScale(width > maxWidth && width > 0 ? maxWidth / width : 1.0f);
    }
    Director::markDirty();
}

int PickerWheel::highlightedRow() const
{
    if (m_rows.empty()) return -1;
    return std::clamp(static_cast<int>(std::lround(m_position)), 0, static_cast<int>(m_rows.size()) - 1);
}

std::vector<std::string> PickerWheel::visibleTexts() const
{
    std::vector<std::pair<float, std::string>> shown;
    for (const Label* label : m_labels) {
        if (label->isVisible()) shown.emplace_back(label->getPositionY(), label->getString());
    }
    std::sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> texts;
    for (auto& entry : shown) texts.push_back(entry.second);
    return texts;
}

void PickerWheel::move(int rows)
{
    if (m_rows.empty()) return;
    m_position = static_cast<float>(std::clamp(highlightedRow() + rows, 0, static_cast<int>(m_rows.size()) - 1));
    updateLabels();
}

void PickerWheel::choose(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
    // Keep the callback alive: closing the picker releases this object.
    retain();
    Chosen chosen = m_chosen;
    dismiss();
    if (chosen) chosen(row);
    release();
}

bool PickerWheel::handleKey(Key key)
{
    switch (key) {
    case Key::KEY_UP_ARROW: move(-1); return true;
    case Key::KEY_DOWN_ARROW: move(1); return true;
    case Key::KEY_PG_UP: move(-kVisibleRows); return true;
    case Key::KEY_PG_DOWN: move(kVisibleRows); return true;
    case Key::KEY_HOME: move(-static_cast<int>(m_rows.size())); return true;
    case Key::KEY_END: move(static_cast<int>(m_rows.size())); return true;
    case Key::KEY_ENTER: choose(highlightedRow()); return true;
    default: return false;
    }
}

void PickerWheel::wheel(float steps)
{
    // Away from the user brings the rows above into the middle.
    if (steps > 0) move(-1);
    if (steps < 0) move(1);
}

void PickerWheel::tapAt(const Vec2& local)
{
    const float offset = (getContentSize().height / 2 - local.y) / m_rowHeight;
    choose(static_cast<int>(std::lround(m_position + offset)));
}

void PickerWheel::dragBy(float dy)
{
    if (m_rows.empty()) return;
    // Dragging up lifts the rows: the ones below come to the middle.
    m_position = std::clamp(m_position + dy / m_rowHeight, 0.0f, static_cast<float>(m_rows.size() - 1));
    updateLabels();
}

void PickerWheel::dragEnded()
{
    m_position = static_cast<float>(highlightedRow());
    updateLabels();
}

// ---------------------------------------------------------------------------------------------
// MultiChoicePicker

MultiChoicePicker* MultiChoicePicker::create(std::vector<std::string> rows, IsOn isOn, Toggle toggle,
                                             const MenuMetrics& metrics)
{
    auto* picker = new MultiChoicePicker();
    if (picker->initChoices(std::move(rows), std::move(isOn), std::move(toggle), metrics)) {
        picker->autorelease();
        return picker;
    }
    delete picker;
    return nullptr;
}

bool MultiChoicePicker::initChoices(std::vector<std::string> rows, IsOn isOn, Toggle toggle, const MenuMetrics& metrics)
{
    if (!initPicker(metrics)) return false;
    m_rows = std::move(rows);
    m_isOn = std::move(isOn);
    m_toggle = std::move(toggle);
    setContentSize(Size(200.0f, static_cast<float>(m_rows.size()) * m_rowHeight + 2 * metrics.margin));
    m_frame = Node::create();
    addChild(m_frame, 0);
    for (const std::string& text : m_rows) {
        Label* label = makeRowLabel(text, m_fontSize, false);
        if (!label) continue;
        label->setAnchorPoint(Vec2(0, 0.5f));
        addChild(label, 2);
        m_labels.push_back(label);
    }
    m_marks = DrawNode::create();
    addChild(m_marks, 1);
    relayout();
    return true;
}

int MultiChoicePicker::rowAt(float localY) const
{
    const float margin = (getContentSize().height - static_cast<float>(m_rows.size()) * m_rowHeight) / 2;
    const int fromTop = static_cast<int>(std::floor((getContentSize().height - margin - localY) / m_rowHeight));
    return fromTop >= 0 && fromTop < static_cast<int>(m_rows.size()) ? fromTop : -1;
}

void MultiChoicePicker::relayout()
{
    const Size size = getContentSize();
    m_frame->removeAllChildren();
    if (auto* background = ui::Scale9Sprite::create("MenuBackground.png")) {
        background->setAnchorPoint(Vec2(0, 0));
        background->setContentSize(size);
        m_frame->addChild(background);
    }
    const float margin = (size.height - static_cast<float>(m_rows.size()) * m_rowHeight) / 2;
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        const float y = size.height - margin - (static_cast<float>(i) + 0.5f) * m_rowHeight;
        m_labels[i]->setPosition(Vec2(m_rowHeight + 4.0f, y));
    }
    refreshMarks();
}

bool MultiChoicePicker::isRowOn(int row) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size()) && m_isOn && m_isOn(row);
}

void MultiChoicePicker::refreshMarks()
{
    const Size size = getContentSize();
    const float margin = (size.height - static_cast<float>(m_rows.size()) * m_rowHeight) / 2;
    const Color4F blue(0.18f, 0.66f, 1.0f, 1.0f);
    m_marks->clear();
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        const float top = size.height - margin - static_cast<float>(i) * m_rowHeight;
        const float cy = top - m_rowHeight / 2;
        if (i == m_focus) {
            m_marks->drawSolidRect(Vec2(3, top - m_rowHeight + 1), Vec2(size.width - 3, top - 1),
                                   Color4F(0.18f, 0.66f, 1.0f, 0.18f));
        }
        // A box per row, with a tick when the row is on.
        const float s = m_rowHeight * 0.45f;
        const Vec2 box(m_rowHeight / 2 + 2.0f, cy);
        m_marks->drawRect(Vec2(box.x - s / 2, box.y - s / 2), Vec2(box.x + s / 2, box.y + s / 2), Color4F(0.7f, 0.75f, 0.8f, 1));
        if (isRowOn(i)) {
            m_marks->drawSegment(Vec2(box.x - s * 0.32f, box.y), Vec2(box.x - s * 0.05f, box.y - s * 0.3f), 1.6f, blue);
            m_marks->drawSegment(Vec2(box.x - s * 0.05f, box.y - s * 0.3f), Vec2(box.x + s * 0.38f, box.y + s * 0.35f), 1.6f,
                                 blue);
        }
    }
    Director::markDirty();
}

void MultiChoicePicker::toggle(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
    m_focus = row;
    if (m_toggle) m_toggle(row);
    refreshMarks();
}

void MultiChoicePicker::moveFocus(int rows)
{
    if (m_rows.empty()) return;
    m_focus = std::clamp(m_focus + rows, 0, static_cast<int>(m_rows.size()) - 1);
    refreshMarks();
}

bool MultiChoicePicker::handleKey(Key key)
{
    switch (key) {
    case Key::KEY_UP_ARROW: moveFocus(-1); return true;
    case Key::KEY_DOWN_ARROW: moveFocus(1); return true;
    case Key::KEY_HOME: moveFocus(-static_cast<int>(m_rows.size())); return true;
    case Key::KEY_END: moveFocus(static_cast<int>(m_rows.size())); return true;
    case Key::KEY_ENTER:
    case Key::KEY_SPACE: toggle(m_focus); return true;
    default: return false;
    }
}

void MultiChoicePicker::wheel(float steps)
{
    if (steps > 0) moveFocus(-1);
    if (steps < 0) moveFocus(1);
}

void MultiChoicePicker::tapAt(const Vec2& local)
{
    toggle(rowAt(local.y));
}

} // namespace nolvo
