#include "WidgetsPage.h"

#include <new>
#include <string>

#include "engine/scene/Layer.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "engine/ui/Layout.h"
#include "engine/ui/LayoutParameter.h"
#include "engine/ui/LoadingBar.h"
#include "engine/ui/ScrollView.h"
#include "engine/ui/Slider.h"
#include "engine/ui/Text.h"

using namespace engine;

namespace gallery {

namespace {

const char* const kFont = "fonts/roboto/Roboto-Regular.ttf";
const Color4B kCaption(170, 175, 185, 255);

ui::Text* text(const std::string& s, float size, const Color4B& colour = Color4B(230, 232, 236, 255))
{
    ui::Text* t = ui::Text::create(s, kFont, size);
    t->setTextColor(colour);
    return t;
}

void caption(Node* parent, const std::string& s, float x, float y)
{
    ui::Text* t = text(s, 11, kCaption);
    t->setAnchorPoint(Vec2::ANCHOR_BOTTOM_LEFT);
    t->setPosition(Vec2(x, y));
    parent->addChild(t);
}

ui::LinearLayoutParameter* margins(float left, float top, float right, float bottom)
{
    auto* p = ui::LinearLayoutParameter::create();
    p->setMargin(ui::Margin(left, top, right, bottom));
    p->setGravity(ui::LinearLayoutParameter::LinearGravity::CENTER_VERTICAL);
    return p;
}

const char* const kLorem =
    "A scroll view shows part of its content and moves the rest into view. Drag it, flick it "
    "and let it glide, pull it past an end and watch it come back, or turn the wheel over it: "
    "each notch moves three lines. A drag that starts on a button scrolls and never presses "
    "the button; a tap presses it. The content is clipped to the view's rectangle, and points "
    "outside that rectangle never reach what is hidden there.\n\n"
    "The table on the right holds 2,048 rows but only makes the cells that are in view, plus "
    "at most two more, and hands them back as rows scroll in and out. Tap a row to mark it.\n\n"
    "Tab, or the button at the top right, switches back to the first page.";

} // namespace

WidgetsPage* WidgetsPage::create(const std::string& buttonImage, const std::string& buttonPressed)
{
    auto* page = new (std::nothrow) WidgetsPage();
    if (page && page->initPage(buttonImage, buttonPressed)) {
        page->autorelease();
        return page;
    }
    delete page;
    return nullptr;
}

bool WidgetsPage::initPage(const std::string& buttonImage, const std::string& buttonPressed)
{
    if (!Scene::init()) return false;
    addChild(LayerColor::create(Color4B(24, 27, 33, 255)), -10);
    ui::Text* title = text("Widgets: layouts, slider, loading bar, scroll view, table view", 16);
    title->setAnchorPoint(Vec2::ANCHOR_TOP_LEFT);
    title->setPosition(Vec2(16, 630));
    addChild(title);
    m_switch = ui::Button::create(buttonImage, buttonPressed);
    if (m_switch) {
        m_switch->setScale9Enabled(true);
        m_switch->setCapInsets(Rect(8, 8, 16, 16));
        m_switch->ignoreContentAdaptWithSize(false);
        m_switch->setContentSize(Size(120, 30));
        m_switch->setTitleText("Page 1 (Tab)");
        m_switch->setPosition(Vec2(880, 612));
        addChild(m_switch);
    }
    addRows();
    addSliderAndBar();
    addTextScroller();
    addTable();
    return true;
}

void WidgetsPage::addRows()
{
    // A vertical layout of horizontal rows, each child with margins.
    ui::Layout* column = ui::Layout::create();
    column->setLayoutType(ui::Layout::Type::VERTICAL);
    column->setBackGroundColorType(ui::Layout::BackGroundColorType::SOLID);
    column->setBackGroundColor(Color3B(44, 48, 58));
    column->setContentSize(Size(430, 150));
    column->setPosition(Vec2(16, 440));
    const char* const labels[3][3] = {{"Span", "100 MHz", "2.40-2.50 GHz"},
                                      {"RBW", "58 kHz", "auto"},
                                      {"Ref level", "-20 dBm", "att 0 dB"}};
    const Color3B fills[3] = {Color3B(60, 70, 95), Color3B(55, 80, 70), Color3B(90, 65, 60)};
    for (int r = 0; r < 3; ++r) {
        ui::Layout* row = ui::Layout::create();
        row->setLayoutType(ui::Layout::Type::HORIZONTAL);
        row->setBackGroundColorType(ui::Layout::BackGroundColorType::SOLID);
        row->setBackGroundColor(fills[r]);
        row->setContentSize(Size(410, 40));
        row->setLayoutParameter(margins(10, 8, 10, 0));
        for (int c = 0; c < 3; ++c) {
            ui::Text* t = text(labels[r][c], 14);
            t->setLayoutParameter(margins(c == 0 ? 10 : 24, 0, 0, 0));
            row->addChild(t);
        }
        column->addChild(row);
    }
    addChild(column);
    caption(this, "ui::Layout VERTICAL of HORIZONTAL rows, LinearLayoutParameter margins", 16, 422);
}

void WidgetsPage::addSliderAndBar()
{
    m_slider = ui::Slider::create("sliderwhite.png", "balldarkblue.png");
    if (m_slider) {
        m_slider->loadProgressBarTexture("sliderlightblue.png");
        m_slider->setScale(2.0f);
        m_slider->setPosition(Vec2(150, 388));
        m_slider->setPercent(40);
        addChild(m_slider);
        m_sliderValue = text("40 %", 14);
        m_sliderValue->setAnchorPoint(Vec2::ANCHOR_MIDDLE_LEFT);
        m_sliderValue->setPosition(Vec2(300, 388));
        addChild(m_sliderValue);
        m_slider->addEventListener([this](Ref*, ui::Slider::EventType type) {
            if (type == ui::Slider::EventType::ON_PERCENTAGE_CHANGED) {
                m_sliderValue->setString(std::to_string(m_slider->getPercent()) + " %");
            }
        });
        caption(this, "ui::Slider (drag, tap or wheel) and its value", 16, 350);
    }
    ui::LoadingBar* bar = ui::LoadingBar::create("sliderlightblue.png", 65.0f);
    if (bar) {
        bar->setScale9Enabled(true);
        bar->ignoreContentAdaptWithSize(false);
        bar->setContentSize(Size(240, 14));
        bar->setPosition(Vec2(150, 320));
        addChild(bar);
        ui::LoadingBar* right = ui::LoadingBar::create("sliderlightblue.png", 30.0f);
        right->setDirection(ui::LoadingBar::Direction::RIGHT);
        right->setScale9Enabled(true);
        right->ignoreContentAdaptWithSize(false);
        right->setContentSize(Size(240, 14));
        right->setColor(Color3B(250, 180, 60));
        right->setPosition(Vec2(150, 298));
        addChild(right);
        caption(this, "ui::LoadingBar 65 % from the left, 30 % from the right", 16, 272);
    }
}

void WidgetsPage::addTextScroller()
{
    ui::ScrollView* scroller = ui::ScrollView::create();
    scroller->setContentSize(Size(430, 200));
    scroller->setPosition(Vec2(16, 56));
    scroller->setBackGroundColorType(ui::Layout::BackGroundColorType::SOLID);
    scroller->setBackGroundColor(Color3B(36, 40, 48));
    ui::Text* body = text(kLorem, 14);
    // Wrapped at 410 points; the text area then takes the wrapped text's height.
    body->setTextAreaSize(Size(410, 0));
    const Size textSize(410, body->getVirtualRenderer()->getContentSize().height);
    body->setTextAreaSize(textSize);
    scroller->setWheelLineHeight(18);
    scroller->setInnerContainerSize(Size(430, textSize.height + 20));
    body->setAnchorPoint(Vec2::ANCHOR_TOP_LEFT);
    body->setPosition(Vec2(10, scroller->getInnerContainerSize().height - 10));
    scroller->addChild(body);
    scroller->jumpToTop();
    addChild(scroller);
    caption(this, "ui::ScrollView of text (drag, flick, wheel; clipped)", 16, 36);
}

void WidgetsPage::addTable()
{
    m_table = m_rows.createTable(Size(380, 520));
    if (!m_table) return;
    m_table->setPosition(Vec2(560, 56));
    addChild(m_table);
    caption(this, "extension::TableView, 2,048 rows, cells reused", 560, 36);
}

} // namespace gallery
