#include "menus/MenuRows.h"

#include <algorithm>

#include "engine/app/Director.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "menus/MenuController.h"
#include "menus/MenuLayer.h"
#include "menus/PickerLayer.h"

namespace nolvo {

using namespace engine;

namespace {

const char* const kBoldFont = "fonts/roboto/Roboto-Bold.ttf";
const Color3B kWhite(255, 255, 255);
const Color3B kGrey(127, 127, 127);
const Color3B kDisabledGrey(80, 80, 80);
// Share of a row's width given to its caption.
constexpr float kCaptionShare = 0.36f;

Label* makeCaption(const std::string& text, float size)
{
    Label* label = Label::createWithFont(text, kBoldFont, size);
    if (label) label->setTextColor(Color4B(255, 255, 255, 255));
    return label;
}

} // namespace

namespace row_kit {

// A widget's bounding box in world coordinates.
Rect worldRect(const Node* node)
{
    const Rect box = node->getBoundingBox();
    const Node* parent = node->getParent();
    if (!parent) return box;
    const Vec2 a = parent->convertToWorldSpace(box.origin);
    const Vec2 b = parent->convertToWorldSpace(Vec2(box.origin.x + box.size.width, box.origin.y + box.size.height));
    return Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
}

// Where a picker opens: over the menu horizontally, centred on the row's control vertically.
Rect pickerAnchor(const MenuLayer* menu, const Node* control)
{
    const Rect row = worldRect(control);
    const Rect whole = worldRect(menu);
    return Rect(whole.origin.x, row.origin.y, whole.size.width, row.size.height);
}

// Sizes a nine-slice button and keeps its title inside it.
void sizeButton(ui::Button* button, float width, float height)
{
    button->setContentSize(Size(width, height));
    if (Label* title = button->getTitleRenderer()) {
        const float available = width - 8.0f;
        const float natural = title->getContentSize().width;
        title->setScale(natural > available && natural > 0 ? available / natural : 1.0f);
    }
}

void setTitleIfChanged(ui::Button* button, const std::string& text)
{
    if (button->getTitleText() != text) {
        button->setTitleText(text);
        sizeButton(button, button->getContentSize().width, button->getContentSize().height);
        Director::markDirty();
    }
}

void setEnabledIfChanged(ui::Button* button, bool enabled)
{
    if (button->isEnabled() == enabled) return;
    button->setEnabled(enabled);
    button->setTitleColor(enabled ? kWhite : kDisabledGrey);
    Director::markDirty();
}

} // namespace row_kit

using namespace row_kit;

namespace {

// Keeps a row and its menu alive while a button's action runs: an action may close the menu
// (SCREENSHOT, MANAGE FILES), which releases both before the row reports the change.
class KeepAlive {
public:
    KeepAlive(Node* row, Node* menu) : m_row(row), m_menu(menu)
    {
        m_row->retain();
        if (m_menu) m_menu->retain();
    }
    ~KeepAlive()
    {
        if (m_menu) m_menu->release();
        m_row->release();
    }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    Node* m_row;
    Node* m_menu;
};

} // namespace

ui::Button* makeMenuButton(const std::string& title, float fontSize)
{
    ui::Button* button = ui::Button::create("ButtonUnselected.png", "ButtonSelected.png", "ButtonDisabled.png");
    if (!button) return nullptr;
    button->setScale9Enabled(true);
    button->setCapInsets(Rect(12, 8, 24, 16));
    button->ignoreContentAdaptWithSize(false);
    button->setPressedActionEnabled(false);
    button->setTitleFontName(kBoldFont);
    button->setTitleFontSize(fontSize);
    button->setTitleText(title);
    button->setTitleColor(kWhite);
    return button;
}

ui::Button* addOpeningButton(MenuRow* row, const std::string& title, float fontSize, std::function<void()> open)
{
    ui::Button* button = makeMenuButton(title, fontSize);
    if (!button) return nullptr;
    button->setAnchorPoint(Vec2(0, 0.5f));
    button->addTouchEventListener([open = std::move(open)](Ref*, ui::Widget::TouchEventType type) {
        if (type == ui::Widget::TouchEventType::ENDED) open();
    });
    row->addChild(button, 1);
    return button;
}

// ---------------------------------------------------------------------------------------------
// MenuRow

bool MenuRow::initRow(MenuLayer* menu, const std::string& caption)
{
    if (!Node::init()) return false;
    m_menu = menu;
    m_captionText = caption;
    setAnchorPoint(Vec2(0, 0));
    if (!caption.empty()) {
        m_caption = makeCaption(caption, fontSize());
        if (m_caption) {
            m_caption->setAnchorPoint(Vec2(0, 0.5f));
            addChild(m_caption, 1);
        }
    }
    return true;
}

std::string MenuRow::captionText() const
{
    return m_caption ? m_caption->getString() : m_captionText;
}

void MenuRow::setCaptionText(const std::string& text)
{
    if (m_caption && m_caption->getString() != text) {
        m_caption->setString(text);
        Director::markDirty();
    }
}

float MenuRow::fontSize() const
{
    return m_menu ? m_menu->metrics().fontSize : 16.0f;
}

float MenuRow::rowHeight() const
{
    const float base = m_menu ? m_menu->metrics().rowHeight : 32.0f;
    // Two-line captions ("PEAKS \n(RAW):") make their row taller.
    return m_caption ? std::max(base, m_caption->getContentSize().height + 4.0f) : base;
}

float MenuRow::captionWidth(float width) const
{
    return m_captionText.empty() ? 0.0f : width * kCaptionShare;
}

Rect MenuRow::focusFrame(int) const
{
    return Rect(Vec2(0, 0), getContentSize());
}

void MenuRow::changed()
{
    if (m_menu) m_menu->rowChanged();
}

// ---------------------------------------------------------------------------------------------
// CaptionRow

CaptionRow* CaptionRow::create(MenuLayer* menu, const std::string& text)
{
    auto* row = new CaptionRow();
    if (row->initRow(menu, text)) {
        row->autorelease();
        return row;
    }
    delete row;
    return nullptr;
}

void CaptionRow::layout(float width)
{
    const float h = rowHeight();
    setContentSize(Size(width, h));
    if (m_caption) m_caption->setPosition(Vec2(0, h / 2));
}

// ---------------------------------------------------------------------------------------------
// Segment style

namespace segment_style {

std::string image(Piece piece, State state)
{
    static const char* const pieces[] = {"Start", "Middle", "End", "Single"};
    static const char* const states[] = {"Unselected", "Selected", "Disabled"};
    return std::string("SegmentedControl") + pieces[static_cast<int>(piece)] + states[static_cast<int>(state)] + ".png";
}

Color3B titleColour(State state)
{
    switch (state) {
    case State::Selected: return kWhite;
    case State::Disabled: return kDisabledGrey;
    default: return kGrey;
    }
}

Piece pieceAt(int index, int count)
{
    if (count <= 1) return Piece::Single;
    if (index == 0) return Piece::Start;
    if (index == count - 1) return Piece::End;
    return Piece::Middle;
}

} // namespace segment_style

// ---------------------------------------------------------------------------------------------
// SegmentedRow

SegmentedRow* SegmentedRow::create(MenuLayer* menu, const std::string& caption, const std::vector<std::string>& titles,
                                   Selected selected, Pressed pressed, Enabled enabled)
{
    auto* row = new SegmentedRow();
    if (!row->initRow(menu, caption)) {
        delete row;
        return nullptr;
    }
    row->autorelease();
    row->m_titles = titles;
    row->m_selected = std::move(selected);
    row->m_pressed = std::move(pressed);
    row->m_enabled = std::move(enabled);
    const int count = static_cast<int>(titles.size());
    for (int i = 0; i < count; ++i) {
        using namespace segment_style;
        const Piece piece = pieceAt(i, count);
        ui::Button* button = ui::Button::create(image(piece, State::Unselected), image(piece, State::Selected),
                                                image(piece, State::Disabled));
        if (!button) {
            row->m_segments.push_back(nullptr);
            row->m_states.push_back(State::Unselected);
            continue;
        }
        button->setScale9Enabled(true);
        button->setCapInsets(Rect(12, 8, 24, 16));
        button->ignoreContentAdaptWithSize(false);
        button->setPressedActionEnabled(false);
        button->setTitleFontName(kBoldFont);
        button->setTitleFontSize(row->fontSize());
        button->setTitleText(titles[static_cast<std::size_t>(i)]);
        button->setTitleColor(titleColour(State::Unselected));
        button->setAnchorPoint(Vec2(0, 0.5f));
        button->addTouchEventListener([row, i](Ref*, ui::Widget::TouchEventType type) {
            if (type == ui::Widget::TouchEventType::ENDED) row->press(i);
        });
        row->addChild(button, 1);
        row->m_segments.push_back(button);
        row->m_states.push_back(State::Unselected);
    }
    return row;
}

std::string SegmentedRow::name() const
{
    if (!m_captionText.empty()) return m_captionText;
    std::string joined;
    for (const std::string& title : m_titles) joined += (joined.empty() ? "" : "/") + title;
    return joined;
}

ui::Button* SegmentedRow::segment(int index) const
{
    return index >= 0 && index < segmentCount() ? m_segments[static_cast<std::size_t>(index)] : nullptr;
}

Rect SegmentedRow::focusFrame(int item) const
{
    const ui::Button* button = segment(item);
    return button ? button->getBoundingBox() : MenuRow::focusFrame(item);
}

bool SegmentedRow::isSegmentEnabled(int index) const
{
    if (index < 0 || index >= segmentCount()) return false;
    return !m_enabled || m_enabled(index);
}

void SegmentedRow::press(int index)
{
    if (!isSegmentEnabled(index)) return;
    const KeepAlive alive(this, m_menu);
    if (m_pressed) m_pressed(index);
    changed();
}

void SegmentedRow::applyLook(int index, segment_style::State state)
{
    using namespace segment_style;
    ui::Button* button = m_segments[static_cast<std::size_t>(index)];
    if (!button || m_states[static_cast<std::size_t>(index)] == state) return;
    m_states[static_cast<std::size_t>(index)] = state;
    const Piece piece = pieceAt(index, segmentCount());
    // The selected segment shows its selected image at rest.
    const State rest = state == State::Selected ? State::Selected : State::Unselected;
    button->loadTextures(image(piece, rest), image(piece, State::Selected), image(piece, State::Disabled));
    button->setEnabled(state != State::Disabled);
    button->setTitleColor(titleColour(state));
    Director::markDirty();
}

void SegmentedRow::refresh()
{
    const int selected = m_selected ? m_selected() : -1;
    m_shownSelected = selected >= 0 && selected < segmentCount() ? selected : -1;
    for (int i = 0; i < segmentCount(); ++i) {
        using segment_style::State;
        const State state = !isSegmentEnabled(i) ? State::Disabled : (i == m_shownSelected ? State::Selected : State::Unselected);
        applyLook(i, state);
        if (m_titleSource && m_segments[static_cast<std::size_t>(i)]) {
            setTitleIfChanged(m_segments[static_cast<std::size_t>(i)], m_titleSource(i));
        }
    }
}

void SegmentedRow::layout(float width)
{
    const float h = rowHeight();
    setContentSize(Size(width, h));
    const float captionW = captionWidth(width);
    if (m_caption) m_caption->setPosition(Vec2(0, h / 2));
    const int count = std::max(1, segmentCount());
    const float segmentW = (width - captionW) / static_cast<float>(count);
    const float buttonH = m_menu ? m_menu->metrics().rowHeight : 32.0f;
    for (int i = 0; i < segmentCount(); ++i) {
        ui::Button* button = m_segments[static_cast<std::size_t>(i)];
        if (!button) continue;
        sizeButton(button, segmentW, buttonH);
        button->setPosition(Vec2(captionW + segmentW * static_cast<float>(i), h / 2));
    }
}

// ---------------------------------------------------------------------------------------------
// ButtonRow

ButtonRow* ButtonRow::create(MenuLayer* menu, const std::string& title, Pressed pressed, Enabled enabled)
{
    auto* row = new ButtonRow();
    if (!row->initRow(menu, "")) {
        delete row;
        return nullptr;
    }
    row->autorelease();
    row->m_title = title;
    row->m_pressed = std::move(pressed);
    row->m_enabled = std::move(enabled);
    row->m_button = makeMenuButton(title, row->fontSize());
    if (row->m_button) {
        row->m_button->setAnchorPoint(Vec2(0, 0.5f));
        row->m_button->addTouchEventListener([row](Ref*, ui::Widget::TouchEventType type) {
            if (type == ui::Widget::TouchEventType::ENDED) row->press();
        });
        row->addChild(row->m_button, 1);
    }
    return row;
}

Rect ButtonRow::focusFrame(int item) const
{
    return m_button ? m_button->getBoundingBox() : MenuRow::focusFrame(item);
}

bool ButtonRow::isButtonEnabled() const
{
    return !m_enabled || m_enabled();
}

void ButtonRow::press()
{
    if (!isButtonEnabled()) return;
    const KeepAlive alive(this, m_menu);
    if (m_pressed) m_pressed();
    changed();
}

void ButtonRow::refresh()
{
    if (m_button) setEnabledIfChanged(m_button, isButtonEnabled());
}

void ButtonRow::layout(float width)
{
    const float h = rowHeight();
    setContentSize(Size(width, h));
    if (!m_button) return;
    sizeButton(m_button, width, h);
    m_button->setPosition(Vec2(0, h / 2));
}

// ---------------------------------------------------------------------------------------------
// ValueButtonRow

ValueButtonRow* ValueButtonRow::create(MenuLayer* menu, const std::string& caption, Options options, Current current,
                                       Title title, Chosen chosen)
{
    auto* row = new ValueButtonRow();
    if (!row->initRow(menu, caption)) {
        delete row;
        return nullptr;
    }
    row->autorelease();
    row->m_options = std::move(options);
    row->m_current = std::move(current);
    row->m_title = std::move(title);
    row->m_chosen = std::move(chosen);
    row->m_button = addOpeningButton(row, row->title(), row->fontSize(), [row] { row->openPicker(); });
    return row;
}

Rect ValueButtonRow::focusFrame(int item) const
{
    return m_button ? m_button->getBoundingBox() : MenuRow::focusFrame(item);
}

std::string ValueButtonRow::title() const
{
    return m_title ? m_title() : std::string();
}

void ValueButtonRow::refresh()
{
    if (!m_button) return;
    setTitleIfChanged(m_button, title());
    const bool enabled = !m_enabledSource || m_enabledSource();
    setEnabledIfChanged(m_button, enabled);
    if (enabled && !(m_button->getTitleColor() == m_enabledTitle)) {
        m_button->setTitleColor(m_enabledTitle);
        Director::markDirty();
    }
}

void ValueButtonRow::layout(float width)
{
    const float h = rowHeight();
    setContentSize(Size(width, h));
    const float captionW = captionWidth(width);
    if (m_caption) m_caption->setPosition(Vec2(0, h / 2));
    if (!m_button) return;
    sizeButton(m_button, width - captionW, m_menu ? m_menu->metrics().rowHeight : 32.0f);
    m_button->setPosition(Vec2(captionW, h / 2));
}

void ValueButtonRow::openPicker()
{
    if (m_enabledSource && !m_enabledSource()) return;
    const std::vector<std::string> rows = options();
    if (rows.empty() || !m_menu) return;
    const int current = m_current ? m_current() : -1;
    PickerWheel* wheel = PickerWheel::create(rows, current, [this](int row) { choose(row); }, m_menu->metrics());
    if (!wheel) return;
    wheel->placeNear(pickerAnchor(m_menu, m_button ? static_cast<Node*>(m_button) : this),
                     m_menu->getContentSize().width * m_menu->getScaleX());
    MenuController::getInstance()->showPicker(wheel);
}

void ValueButtonRow::choose(int row)
{
    if (row < 0 || row >= static_cast<int>(options().size())) return;
    const KeepAlive alive(this, m_menu);
    if (m_chosen) m_chosen(row);
    changed();
}

// ---------------------------------------------------------------------------------------------
// MultiChoiceRow

MultiChoiceRow* MultiChoiceRow::create(MenuLayer* menu, const std::string& caption, std::vector<std::string> options,
                                       Mask mask, SetMask setMask, Title title)
{
    auto* row = new MultiChoiceRow();
    if (!row->initRow(menu, caption)) {
        delete row;
        return nullptr;
    }
    row->autorelease();
    row->m_options = std::move(options);
    row->m_mask = std::move(mask);
    row->m_setMask = std::move(setMask);
    row->m_title = std::move(title);
    row->m_button = addOpeningButton(row, row->title(), row->fontSize(), [row] { row->openPicker(); });
    return row;
}

std::string MultiChoiceRow::name() const
{
    return m_captionText.empty() ? (m_options.empty() ? std::string() : m_options.front()) : m_captionText;
}

Rect MultiChoiceRow::focusFrame(int item) const
{
    return m_button ? m_button->getBoundingBox() : MenuRow::focusFrame(item);
}

std::string MultiChoiceRow::title() const
{
    return m_title ? m_title() : std::string();
}

void MultiChoiceRow::refresh()
{
    if (m_button) setTitleIfChanged(m_button, title());
}

void MultiChoiceRow::layout(float width)
{
    const float h = rowHeight();
    setContentSize(Size(width, h));
    const float captionW = captionWidth(width);
    if (m_caption) m_caption->setPosition(Vec2(0, h / 2));
    if (!m_button) return;
    sizeButton(m_button, width - captionW, m_menu ? m_menu->metrics().rowHeight : 32.0f);
    m_button->setPosition(Vec2(captionW, h / 2));
}

void MultiChoiceRow::toggle(int row)
{
    if (row < 0 || row >= static_cast<int>(m_options.size()) || row >= 31) return;
    const KeepAlive alive(this, m_menu);
    const std::int32_t mask = m_mask ? m_mask() : 0;
    if (m_setMask) m_setMask(mask ^ (std::int32_t{1} << row));
    changed();
}

void MultiChoiceRow::openPicker()
{
    if (m_options.empty() || !m_menu) return;
    MultiChoicePicker* picker = MultiChoicePicker::create(
        m_options,
        [this](int row) { return m_mask && row < 31 && (m_mask() & (std::int32_t{1} << row)) != 0; },
        [this](int row) { toggle(row); }, m_menu->metrics());
    if (!picker) return;
    picker->placeNear(pickerAnchor(m_menu, m_button ? static_cast<Node*>(m_button) : this),
                      m_menu->getContentSize().width * m_menu->getScaleX());
    MenuController::getInstance()->showPicker(picker);
}

} // namespace nolvo
