#include "display/ChannelOccupancyView.h"

#include <algorithm>
#include <cstdio>

#include "engine/app/Director.h"
#include "engine/scene/DrawNode.h"
#include "engine/text/Label.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

using namespace engine;

namespace {
constexpr float kCheckPeriod = 0.5f;
constexpr float kFont = 11.0f;
constexpr float kSideMargin = 30.0f;
constexpr float kBottomMargin = 34.0f; // channel numbers and the band caption
constexpr float kTopMargin = 34.0f;    // counts and ranks over the bars
const char* const kRanks[3] = {"BEST", "2ND", "3RD"};
} // namespace

ChannelOccupancyView* ChannelOccupancyView::create(DataModel& model, const Rect& area)
{
    auto* view = new ChannelOccupancyView(model);
    if (!view->init(area)) {
        delete view;
        return nullptr;
    }
    view->autorelease();
    return view;
}

ChannelOccupancyView::~ChannelOccupancyView()
{
    unscheduleUpdate();
}

bool ChannelOccupancyView::init(const Rect& area)
{
    if (!initPanel(area, "CHANNEL OCCUPANCY")) return false;
    m_bars = DrawNode::create(1.0f);
    addChild(m_bars, 1);
    scheduleUpdate();
    refresh();
    return true;
}

void ChannelOccupancyView::update(float dt)
{
    m_sinceCheck += dt;
    if (m_sinceCheck < kCheckPeriod) return;
    m_sinceCheck = 0.0f;
    refresh();
}

void ChannelOccupancyView::refresh()
{
    ChannelOccupancy now;
    {
        ModelLock lock(m_model, kAccessPointLock);
        now = takeOccupancy(m_model);
    }
    if (m_drawn && now == m_shown) return;
    m_shown = std::move(now);
    draw();
}

Vec2 ChannelOccupancyView::barTop24(int channel) const
{
    const Rect c = contentRect();
    const float width = c.size.width * 0.55f - kSideMargin;
    const float slot = width / ChannelOccupancy::kChannels24;
    const float height = std::max(10.0f, c.size.height - kBottomMargin - kTopMargin);
    const float u = m_shown.utilization24[static_cast<std::size_t>(std::clamp(channel, 1, 14) - 1)];
    return Vec2(c.origin.x + kSideMargin + slot * (static_cast<float>(channel) - 0.5f),
                c.origin.y + kBottomMargin + height * u / 100.0f);
}

void ChannelOccupancyView::draw()
{
    m_drawn = true;
    for (Node* text : m_texts) text->removeFromParentAndCleanup(true);
    m_texts.clear();
    m_bars->clear();
    auto addText = [this](const std::string& s, const Vec2& at, const Color4B& colour, bool bold = false) {
        Label* label = makeLabel(s, kFont, bold);
        if (!label) return;
        label->setAnchorPoint(Vec2(0.5f, 0.0f));
        label->setPosition(at);
        label->setTextColor(colour);
        addChild(label, 2);
        m_texts.push_back(label);
    };
    const Rect c = contentRect();
    const Color4B textColour(200, 205, 215, 255);
    const Color4F barColour(0.2f, 0.55f, 0.95f, 1.0f);
    const Color4F bestColour(0.2f, 0.85f, 0.35f, 1.0f);
    const float base = c.origin.y + kBottomMargin;
    const float height = std::max(10.0f, c.size.height - kBottomMargin - kTopMargin);

    // 2.4 GHz: utilization bars, counts above, ranks of 1, 6 and 11.
    const float width24 = c.size.width * 0.55f - kSideMargin;
    const float slot24 = width24 / ChannelOccupancy::kChannels24;
    m_bars->drawLine(Vec2(c.origin.x + kSideMargin, base), Vec2(c.origin.x + kSideMargin + width24, base),
                     Color4F(0.5f, 0.5f, 0.55f, 1.0f));
    for (int ch = 1; ch <= ChannelOccupancy::kChannels24; ++ch) {
        const Vec2 top = barTop24(ch);
        const int rank = static_cast<int>(std::find(m_shown.leastUsed.begin(), m_shown.leastUsed.end(), ch) -
                                          m_shown.leastUsed.begin());
        const Color4F colour = rank == 0 ? bestColour : barColour;
        m_bars->drawSolidRect(Vec2(top.x - slot24 * 0.35f, base), Vec2(top.x + slot24 * 0.35f, std::max(top.y, base + 1.0f)),
                              colour);
        addText(std::to_string(ch), Vec2(top.x, base - 16.0f), textColour);
        addText(std::to_string(m_shown.count24[static_cast<std::size_t>(ch - 1)]) + " AP", Vec2(top.x, top.y + 2.0f),
                textColour);
        if (rank < 3) addText(kRanks[rank], Vec2(top.x, top.y + 16.0f), rank == 0 ? Color4B(60, 220, 90, 255) : textColour, true);
    }
    addText("2.4 GHz: utilization per channel, access points over each bar", Vec2(c.origin.x + kSideMargin + width24 / 2, c.origin.y + 2.0f),
            textColour);

    // 5 GHz: access points per channel heard.
    const float left5 = c.origin.x + c.size.width * 0.6f;
    const float width5 = c.size.width * 0.4f - kSideMargin;
    int most = 1;
    for (const auto& [ch, count] : m_shown.count5) most = std::max(most, count);
    const float slot5 = m_shown.count5.empty() ? width5 : width5 / static_cast<float>(m_shown.count5.size());
    for (std::size_t i = 0; i < m_shown.count5.size(); ++i) {
        const auto& [ch, count] = m_shown.count5[i];
        const float x = left5 + slot5 * (static_cast<float>(i) + 0.5f);
        const float top = base + height * static_cast<float>(count) / static_cast<float>(most);
        m_bars->drawSolidRect(Vec2(x - slot5 * 0.35f, base), Vec2(x + slot5 * 0.35f, top), barColour);
        addText(std::to_string(ch), Vec2(x, base - 16.0f), textColour);
        addText(std::to_string(count), Vec2(x, top + 2.0f), textColour);
    }
    addText(m_shown.count5.empty() ? "5 GHz: no access point heard" : "5 GHz: access points per channel",
            Vec2(left5 + width5 / 2, c.origin.y + 2.0f), textColour);
    Director::markDirty();
}

} // namespace nolvo
