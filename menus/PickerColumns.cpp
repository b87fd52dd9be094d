#include "menus/PickerColumns.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "engine/app/Director.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "menus/MenuController.h"

namespace nolvo {

using namespace engine;
using Key = EventKeyboard::KeyCode;

namespace {

const char* const kFont = "fonts/roboto/Roboto-Regular.ttf";
constexpr int kVisibleRows = PickerWheel::kVisibleRows;

void fit(Sprite* sprite, const Size& size)
{
    if (!sprite) return;
    const Size image = sprite->getContentSize();
    if (image.width <= 0 || image.height <= 0) return;
    sprite->setScale(size.width / image.width, size.height / image.height);
}

} // namespace

PickerColumns* PickerColumns::create(std::vector<std::vector<std::string>> columns, const std::vector<int>& current,
                                     Changed changed, const MenuMetrics& metrics)
{
    auto* picker = new PickerColumns();
    if (picker->initColumns(std::move(columns), current, std::move(changed), metrics)) {
        picker->autorelease();
        return picker;
    }
    delete picker;
    return nullptr;
}

bool PickerColumns::initColumns(std::vector<std::vector<std::string>> columns, const std::vector<int>& current,
                                Changed changed, const MenuMetrics& metrics)
{
    if (!initPicker(metrics) || columns.empty()) return false;
    m_changed = std::move(changed);
    setContentSize(Size(200.0f, kVisibleRows * m_rowHeight));
    m_frame = Node::create();
    addChild(m_frame, 0);
    m_gloss = Node::create();
    addChild(m_gloss, 2);
    m_focusMark = DrawNode::create();
    addChild(m_focusMark, 3);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        Column column;
        column.rows = std::move(columns[c]);
        const int first = c < current.size() ? current[c] : 0;
        column.position = first >= 0 && first < static_cast<int>(column.rows.size()) ? static_cast<float>(first) : 0.0f;
        for (int i = 0; i < kVisibleRows + 2; ++i) {
            Label* label = Label::createWithFont("", kFont, m_fontSize);
            if (!label) continue;
            label->setAnchorPoint(Vec2(0.5f, 0.5f));
            addChild(label, 1);
            column.labels.push_back(label);
            column.labelRows.push_back(-1);
        }
        m_columns.push_back(std::move(column));
    }
    relayout();
    return true;
}

float PickerColumns::columnWidth() const
{
    return m_columns.empty() ? 0.0f : getContentSize().width / static_cast<float>(m_columns.size());
}

int PickerColumns::columnAt(float x) const
{
    const float w = columnWidth();
    if (w <= 0.0f || x < 0.0f || x > getContentSize().width) return -1;
    return std::min(static_cast<int>(x / w), columnCount() - 1);
}

void PickerColumns::relayout()
{
    const Size size = getContentSize();
    m_frame->removeAllChildren();
    m_gloss->removeAllChildren();
    const float w = columnWidth();
    for (int c = 0; c < columnCount(); ++c) {
        // Each column is a wheel of its own: edges, middle and the gloss over it.
        Sprite* left = Sprite::create("left-edge.png");
        Sprite* right = Sprite::create("right-edge.png");
        Sprite* middle = Sprite::create("middle-edge.png");
        const float edge = std::min(left ? left->getContentSize().width : 12.0f, w / 4);
        const float x0 = w * static_cast<float>(c);
        for (auto [sprite, x, sw] : {std::tuple{left, x0, edge}, std::tuple{middle, x0 + edge, w - 2 * edge},
                                     std::tuple{right, x0 + w - edge, edge}}) {
            if (!sprite) continue;
            sprite->setAnchorPoint(Vec2(0, 0));
            sprite->setPosition(Vec2(x, 0));
            fit(sprite, Size(std::max(0.0f, sw), size.height));
            m_frame->addChild(sprite);
        }
        if (Sprite* gloss = Sprite::create("wheel.png")) {
            gloss->setAnchorPoint(Vec2(0, 0));
            gloss->setPosition(Vec2(x0, 0));
            fit(gloss, Size(w, size.height));
            m_gloss->addChild(gloss);
        }
        updateLabels(c);
    }
    drawFocus();
}

void PickerColumns::updateLabels(int c)
{
    Column& column = m_columns[static_cast<std::size_t>(c)];
    const Size size = getContentSize();
    const float w = columnWidth();
    const float centreX = w * (static_cast<float>(c) + 0.5f);
    const float centreY = size.height / 2;
    const int first = static_cast<int>(std::floor(column.position)) - (kVisibleRows / 2) - 1;
    for (std::size_t i = 0; i < column.labels.size(); ++i) {
        const int row = first + static_cast<int>(i);
        Label* label = column.labels[i];
        const float y = centreY + (column.position - static_cast<float>(row)) * m_rowHeight;
        const bool inside = row >= 0 && row < static_cast<int>(column.rows.size()) && y >= m_rowHeight * 0.5f - 1.0f &&
                            y <= size.height - m_rowHeight * 0.5f + 1.0f;
        label->setVisible(inside);
        if (!inside) continue;
        if (column.labelRows[i] != row) {
            label->setString(column.rows[static_cast<std::size_t>(row)]);
            column.labelRows[i] = row;
        }
        label->setPosition(Vec2(centreX, y));
        const float distance = std::fabs(y - centreY) / m_rowHeight;
        label->setOpacity(static_cast<std::uint8_t>(std::clamp(255.0f - 70.0f * distance, 80.0f, 255.0f)));
        const float maxWidth = w - 12.0f;
        const float width = label->getContentSize().width;
        label->setScale(width > maxWidth && width > 0 ? maxWidth / width : 1.0f);
    }
    Director::markDirty();
}

void PickerColumns::drawFocus()
{
    m_focusMark->clear();
    const float w = columnWidth();
    const float h = getContentSize().height;
    const float x0 = w * static_cast<float>(m_focus);
    // The focused column's middle row is framed.
    m_focusMark->drawRect(Vec2(x0 + 2, h / 2 - m_rowHeight / 2), Vec2(x0 + w - 2, h / 2 + m_rowHeight / 2),
                          Color4F(0.18f, 0.66f, 1.0f, 0.9f));
    Director::markDirty();
}

int PickerColumns::rowOf(int c) const
{
    if (c < 0 || c >= columnCount()) return -1;
    const Column& column = m_columns[static_cast<std::size_t>(c)];
    if (column.rows.empty()) return -1;
    return std::clamp(static_cast<int>(std::lround(column.position)), 0, static_cast<int>(column.rows.size()) - 1);
}

std::vector<int> PickerColumns::rows() const
{
    std::vector<int> out;
    for (int c = 0; c < columnCount(); ++c) out.push_back(rowOf(c));
    return out;
}

std::vector<std::string> PickerColumns::visibleTexts(int c) const
{
    if (c < 0 || c >= columnCount()) return {};
    std::vector<std::pair<float, std::string>> shown;
    for (const Label* label : m_columns[static_cast<std::size_t>(c)].labels) {
        if (label->isVisible()) shown.emplace_back(label->getPositionY(), label->getString());
    }
    std::sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> texts;
    for (auto& entry : shown) texts.push_back(entry.second);
    return texts;
}

void PickerColumns::report()
{
    if (!m_changed) return;
    // Keep the callback and this picker alive: the store may refresh the menu behind.
    retain();
    Changed changed = m_changed;
    changed(rows());
    release();
}

void PickerColumns::setFocusedColumn(int c)
{
    if (c < 0 || c >= columnCount() || c == m_focus) return;
    m_focus = c;
    drawFocus();
}

void PickerColumns::moveColumn(int c, int by)
{
    const int before = rowOf(c);
    if (before < 0) return;
    Column& column = m_columns[static_cast<std::size_t>(c)];
    const int after = std::clamp(before + by, 0, static_cast<int>(column.rows.size()) - 1);
    column.position = static_cast<float>(after);
    updateLabels(c);
    if (after != before) report();
}

bool PickerColumns::handleKey(Key key)
{
    switch (key) {
    case Key::KEY_LEFT_ARROW: setFocusedColumn(m_focus - 1); return true;
    case Key::KEY_RIGHT_ARROW: setFocusedColumn(m_focus + 1); return true;
    case Key::KEY_UP_ARROW: moveColumn(m_focus, -1); return true;
    case Key::KEY_DOWN_ARROW: moveColumn(m_focus, 1); return true;
    case Key::KEY_PG_UP: moveColumn(m_focus, -kVisibleRows); return true;
    case Key::KEY_PG_DOWN: moveColumn(m_focus, kVisibleRows); return true;
    case Key::KEY_HOME: moveColumn(m_focus, -1000); return true;
    case Key::KEY_END: moveColumn(m_focus, 1000); return true;
    case Key::KEY_ENTER: dismiss(); return true;
    default: return false;
    }
}

void PickerColumns::wheel(float steps) { wheelAt(Vec2(columnWidth() * (static_cast<float>(m_focus) + 0.5f), 0), steps); }

void PickerColumns::wheelAt(const Vec2& local, float steps)
{
    const int c = columnAt(local.x);
    if (c < 0 || steps == 0.0f) return;
    setFocusedColumn(c);
    // Away from the user brings the rows above into the middle, as on the single wheel.
    moveColumn(c, steps > 0 ? -1 : 1);
}

void PickerColumns::tapAt(const Vec2& local)
{
    const int c = columnAt(local.x);
    if (c < 0) return;
    setFocusedColumn(c);
    const float offset = (getContentSize().height / 2 - local.y) / m_rowHeight;
    const int target = static_cast<int>(std::lround(m_columns[static_cast<std::size_t>(c)].position + offset));
    moveColumn(c, target - rowOf(c));
}

void PickerColumns::dragBegan(const Vec2& local)
{
    m_dragColumn = columnAt(local.x);
    if (m_dragColumn >= 0) setFocusedColumn(m_dragColumn);
}

void PickerColumns::dragBy(float dy)
{
    if (m_dragColumn < 0) return;
    Column& column = m_columns[static_cast<std::size_t>(m_dragColumn)];
    if (column.rows.empty()) return;
    column.position = std::clamp(column.position + dy / m_rowHeight, 0.0f, static_cast<float>(column.rows.size() - 1));
    updateLabels(m_dragColumn);
}

void PickerColumns::dragEnded()
{
    const int c = m_dragColumn;
    m_dragColumn = -1;
    if (c < 0) return;
    Column& column = m_columns[static_cast<std::size_t>(c)];
    column.position = static_cast<float>(rowOf(c));
    updateLabels(c);
    report();
}

} // namespace nolvo
