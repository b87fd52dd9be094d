#include "menus/MenuLayer.h"

#include <algorithm>

#include "engine/app/Director.h"
#include "engine/scene/DrawNode.h"
#include "engine/ui/Scale9Sprite.h"
#include "menus/MenuActions.h"
#include "menus/MenuValues.h"
#include "model/DataModel.h"

namespace nolvo {

using namespace engine;

bool MenuLayer::initMenu()
{
    if (!Layer::init()) return false;
    m_metrics = MenuController::metricsFor(DataModel::getInstance()->displaySizeClass.load());
    setContentSize(Size(0, 0));
    m_background = ui::Scale9Sprite::create("MenuBackground.png");
    if (m_background) {
        m_background->setAnchorPoint(Vec2(0, 0));
        addChild(m_background, -1);
    }
    buildRows();
    return true;
}

float MenuLayer::menuWidth(int sizeClass, float availableHeight) const
{
    (void)availableHeight;
    return MenuController::metricsFor(sizeClass).fontSize * 25.0f;
}

void MenuLayer::layoutForWidth(float width, float maxHeight)
{
    const float margin = m_metrics.margin;
    const float inner = std::max(0.0f, width - 2 * margin);
    float height = 2 * margin;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->layout(inner);
        height += m_rows[i]->getContentSize().height + (i > 0 ? m_metrics.rowGap : 0.0f);
    }
    setContentSize(Size(width, height));
    float top = height - margin;
    for (MenuRow* row : m_rows) {
        const float h = row->getContentSize().height;
        row->setPosition(Vec2(margin, top - h));
        top -= h + m_metrics.rowGap;
    }
    if (m_background) m_background->setContentSize(Size(width, height));
    // A window too low for every row shrinks the menu rather than cutting rows off.
    setScale(maxHeight > 0 && height > maxHeight ? maxHeight / height : 1.0f);
    Director::markDirty();
}

void MenuLayer::markForRefresh()
{
    m_refreshPending = true;
    Director::markDirty();
}

void MenuLayer::refreshNow()
{
    m_refreshPending = false;
    for (MenuRow* row : m_rows) row->refresh();
    ++m_refreshCount;
    if (m_focusRow >= 0) drawFocus();
}

bool MenuLayer::moveFocusRow(int direction)
{
    const int count = static_cast<int>(m_rows.size());
    for (int r = m_focusRow + direction; r >= 0 && r < count; r += direction) {
        MenuRow* row = m_rows[static_cast<std::size_t>(r)];
        if (row->focusCount() == 0) continue;
        int item = row->preferredFocus();
        if (item < 0 || item >= row->focusCount() || !row->isFocusUsable(item)) {
            item = -1;
            for (int i = 0; i < row->focusCount() && item < 0; ++i) {
                if (row->isFocusUsable(i)) item = i;
            }
        }
        if (item < 0) continue;
        m_focusRow = r;
        m_focusItem = item;
        drawFocus();
        return true;
    }
    return false;
}

bool MenuLayer::moveFocusItem(int direction)
{
    if (m_focusRow < 0) return false;
    MenuRow* row = m_rows[static_cast<std::size_t>(m_focusRow)];
    for (int i = m_focusItem + direction; i >= 0 && i < row->focusCount(); i += direction) {
        if (!row->isFocusUsable(i)) continue;
        m_focusItem = i;
        drawFocus();
        return true;
    }
    return false;
}

void MenuLayer::drawFocus()
{
    if (!m_focusFrame) {
        m_focusFrame = DrawNode::create();
        addChild(m_focusFrame, 5);
    }
    m_focusFrame->clear();
    if (m_focusRow < 0 || m_focusRow >= static_cast<int>(m_rows.size())) return;
    MenuRow* row = m_rows[static_cast<std::size_t>(m_focusRow)];
    const Rect frame = row->focusFrame(m_focusItem);
    const Vec2 at = row->getPosition() + frame.origin;
    const Color4F blue(0.18f, 0.66f, 1.0f, 1.0f);
    for (float inset : {-2.0f, -1.0f}) {
        m_focusFrame->drawRect(Vec2(at.x + inset, at.y + inset),
                               Vec2(at.x + frame.size.width - inset, at.y + frame.size.height - inset), blue);
    }
    Director::markDirty();
}

bool MenuLayer::handleKey(EventKeyboard::KeyCode key)
{
    using Key = EventKeyboard::KeyCode;
    MenuRow* row = m_focusRow >= 0 ? m_rows[static_cast<std::size_t>(m_focusRow)] : nullptr;
    switch (key) {
    case Key::KEY_UP_ARROW:
        if (!row) return moveFocusRow(1);
        moveFocusRow(-1);
        return true;
    case Key::KEY_DOWN_ARROW:
        moveFocusRow(1);
        return true;
    case Key::KEY_LEFT_ARROW:
    case Key::KEY_RIGHT_ARROW: {
        const int direction = key == Key::KEY_LEFT_ARROW ? -1 : 1;
        if (!row) return moveFocusRow(1);
        if (!row->adjust(m_focusItem, direction)) moveFocusItem(direction);
        return true;
    }
    case Key::KEY_PG_UP:
    case Key::KEY_PG_DOWN:
        if (row) row->adjust(m_focusItem, key == Key::KEY_PG_UP ? 10 : -10);
        return row != nullptr;
    case Key::KEY_ENTER:
    case Key::KEY_SPACE:
        if (!row || !row->isFocusUsable(m_focusItem)) return false;
        row->activate(m_focusItem);
        return true;
    default:
        return false;
    }
}

void MenuLayer::rowChanged()
{
    onUserChange();
    markForRefresh();
}

MenuRow* MenuLayer::findRow(const std::string& text) const
{
    for (MenuRow* row : m_rows) {
        if (row->name() == text || row->captionText() == text) return row;
    }
    return nullptr;
}

void MenuLayer::visit(Renderer* renderer, const Mat4& parentTransform, std::uint32_t parentFlags)
{
    if (m_refreshPending) refreshNow();
    Layer::visit(renderer, parentTransform, parentFlags);
}

void MenuLayer::addRow(MenuRow* row)
{
    if (!row) return;
    m_rows.push_back(row);
    addChild(row, 1);
    m_refreshPending = true;
}

CaptionRow* MenuLayer::addCaption(const std::string& text)
{
    CaptionRow* row = CaptionRow::create(this, text);
    addRow(row);
    return row;
}

SegmentedRow* MenuLayer::addSegmented(const std::string& caption, const std::vector<std::string>& titles,
                                      SegmentedRow::Selected selected, SegmentedRow::Pressed pressed,
                                      SegmentedRow::Enabled enabled)
{
    SegmentedRow* row =
        SegmentedRow::create(this, caption, titles, std::move(selected), std::move(pressed), std::move(enabled));
    addRow(row);
    return row;
}

ButtonRow* MenuLayer::addButton(const std::string& title, ButtonRow::Pressed pressed, ButtonRow::Enabled enabled)
{
    ButtonRow* row = ButtonRow::create(this, title, std::move(pressed), std::move(enabled));
    addRow(row);
    return row;
}

ValueButtonRow* MenuLayer::addPicker(const std::string& caption, ValueButtonRow::Options options,
                                     ValueButtonRow::Current current, ValueButtonRow::Title title,
                                     ValueButtonRow::Chosen chosen)
{
    ValueButtonRow* row = ValueButtonRow::create(this, caption, std::move(options), std::move(current),
                                                 std::move(title), std::move(chosen));
    addRow(row);
    return row;
}

MultiChoiceRow* MenuLayer::addMultiPicker(const std::string& caption, std::vector<std::string> options,
                                          MultiChoiceRow::Mask mask, MultiChoiceRow::SetMask setMask,
                                          MultiChoiceRow::Title title)
{
    MultiChoiceRow* row =
        MultiChoiceRow::create(this, caption, std::move(options), std::move(mask), std::move(setMask), std::move(title));
    addRow(row);
    return row;
}

void MenuLayer::addAttenuationRows(ValueButtonRow::Enabled enabled)
{
    ValueButtonRow* internal = addPicker(
        "INT. ATTEN: ", [] { return menu_values::internalAttenuationNames(); },
        [] {
            return menu_values::rowOf(DataModel::getInstance()->common.internalAttenuationIndex,
                             menu_values::internalAttenuationNames().size());
        },
        [] { return menu_values::internalAttenuationName(DataModel::getInstance()->common.internalAttenuationIndex); },
        [](int row) {
            DataModel::getInstance()->common.internalAttenuationIndex = row;
            menu_actions::requestRestart(false);
        });
    ValueButtonRow* external = addPicker(
        "EXT. ATTEN: ",
        [] {
            std::vector<std::string> names;
            for (float dB : menu_values::externalAttenuationChoices()) {
                names.push_back(menu_values::externalAttenuationName(dB));
            }
            return names;
        },
        [] {
            return menu_values::nearestExternalAttenuationChoice(DataModel::getInstance()->common.externalAttenuation);
        },
        [] { return menu_values::externalAttenuationName(DataModel::getInstance()->common.externalAttenuation); },
        [](int row) {
            DataModel::getInstance()->common.externalAttenuation =
                menu_values::externalAttenuationChoices()[static_cast<std::size_t>(row)];
            // The power trigger level the accessory is given includes the attenuation.
            menu_actions::requestRestart(false);
        });
    if (enabled) {
        if (internal) internal->setEnabledSource(enabled);
        if (external) external->setEnabledSource(enabled);
    }
}

} // namespace nolvo
