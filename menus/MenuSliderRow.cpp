#include <algorithm>

#include "engine/app/Director.h"
#include "engine/text/Label.h"
#include "engine/ui/Slider.h"
#include "engine/ui/Text.h"
#include "menus/MenuLayer.h"
#include "menus/MenuRows.h"

namespace nolvo {

using namespace engine;

namespace {

const char* const kBoldFont = "fonts/roboto/Roboto-Bold.ttf";
// Share of the control area given to the value label.
constexpr float kValueShare = 0.3f;
constexpr float kTrackHeight = 8.0f;

} // namespace

SliderRow* SliderRow::create(MenuLayer* menu, const std::string& caption, Position position, ValueText text,
                             Changed changed)
{
    auto* row = new SliderRow();
    if (!row->initRow(menu, caption)) {
        delete row;
        return nullptr;
    }
    row->autorelease();
    row->m_position = std::move(position);
    row->m_text = std::move(text);
    row->m_changed = std::move(changed);

    row->m_slider = ui::Slider::create();
    if (row->m_slider) {
        row->m_slider->loadBarTexture("sliderwhite.png");
        row->m_slider->loadProgressBarTexture("sliderlightblue.png");
        row->m_slider->loadSlidBallTextures("balldarkblue.png");
        row->m_slider->ignoreContentAdaptWithSize(false);
        row->m_slider->setAnchorPoint(Vec2(0, 0.5f));
        // The slider also steps by one per notch of the mouse wheel over it.
        row->m_slider->addEventListener([row](Ref*, ui::Slider::EventType type) {
            if (type == ui::Slider::EventType::ON_PERCENTAGE_CHANGED) row->changePercent(row->m_slider->getPercent());
        });
        row->addChild(row->m_slider, 1);
    }
    row->m_value = ui::Text::create(row->valueText(), kBoldFont, row->fontSize());
    if (row->m_value) {
        row->m_value->setAnchorPoint(Vec2(1.0f, 0.5f));
        row->m_value->setTextColor(Color4B(255, 255, 255, 255));
        row->addChild(row->m_value, 1);
    }
    return row;
}

int SliderRow::percent() const
{
    return m_slider ? m_slider->getPercent() : 0;
}

std::string SliderRow::valueText() const
{
    return m_text ? m_text() : std::string();
}

void SliderRow::changePercent(int p)
{
    if (!m_sliderEnabled) return;
    p = std::clamp(p, 0, 100);
    if (m_slider && m_slider->getPercent() != p) m_slider->setPercent(p);
    if (m_changed) m_changed(p);
    m_userPercent = p;
    m_userValueText = valueText();
    changed();
}

void SliderRow::step(int steps)
{
    changePercent(percent() + steps);
}

Rect SliderRow::focusFrame(int item) const
{
    return m_slider ? m_slider->getBoundingBox() : MenuRow::focusFrame(item);
}

bool SliderRow::adjust(int, int steps)
{
    step(steps);
    return true;
}

void SliderRow::refresh()
{
    if (m_captionSource) setCaptionText(m_captionSource());
    const bool enabled = !m_enabledSource || m_enabledSource();
    if (enabled != m_sliderEnabled) {
        m_sliderEnabled = enabled;
        if (m_slider) m_slider->setEnabled(enabled);
        Director::markDirty();
    }
    const std::string text = valueText();
    if (m_value && m_value->getString() != text) {
        m_value->setString(text);
        Director::markDirty();
    }
    if (!m_slider) return;
    if (m_userPercent >= 0 && text == m_userValueText) return;
    m_userPercent = -1;
    const int p = std::clamp(m_position ? m_position() : 0, 0, 100);
    if (m_slider->getPercent() != p) {
        m_slider->setPercent(p);
        Director::markDirty();
    }
}

void SliderRow::layout(float width)
{
    const float h = rowHeight();
    setContentSize(Size(width, h));
    const float captionW = captionWidth(width);
    if (m_caption) m_caption->setPosition(Vec2(0, h / 2));
    const float controls = width - captionW;
    const float valueW = controls * kValueShare;
    // The ball overhangs the track: keep it inside the row at both ends.
    const float ball = h * 0.5f;
    if (m_slider) {
        m_slider->setContentSize(Size(std::max(0.0f, controls - valueW - ball), kTrackHeight));
        m_slider->setPosition(Vec2(captionW + ball / 2, h / 2));
    }
    if (m_value) m_value->setPosition(Vec2(width, h / 2));
}

SliderRow* MenuLayer::addSlider(const std::string& caption, SliderRow::Position position, SliderRow::ValueText text,
                                SliderRow::Changed changed)
{
    SliderRow* row = SliderRow::create(this, caption, std::move(position), std::move(text), std::move(changed));
    addRow(row);
    return row;
}

} // namespace nolvo
