#include "display/SignalHistoryView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/app/Director.h"
#include "engine/input/Event.h"
#include "engine/scene/DrawNode.h"
#include "engine/text/Label.h"
#include "model/AccessPointFilter.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/Clock.h"

namespace nolvo {

using namespace engine;
using Key = EventKeyboard::KeyCode;

namespace {
constexpr float kLegendWidth = 190.0f;
constexpr float kMargin = 40.0f;
constexpr float kAxisFont = 11.0f;
} // namespace

SignalHistoryView* SignalHistoryView::create(DataModel& model, const Rect& area)
{
    auto* view = new SignalHistoryView(model);
    if (!view->init(area)) {
        delete view;
        return nullptr;
    }
    view->autorelease();
    return view;
}

SignalHistoryView::~SignalHistoryView()
{
    unscheduleUpdate();
}

bool SignalHistoryView::init(const Rect& area)
{
    if (!initPanel(area, "SIGNAL HISTORY")) return false;
    addTitleButton("EXPORT", [this] { if (m_onExport) m_onExport(); });
    addTitleButton("CLEAR PICKS", [this] { clearPicks(); });
    addTitleButton("+ TIME", [this] { setSpanMinutes(m_spanMinutes + 1); });
    addTitleButton("- TIME", [this] { setSpanMinutes(m_spanMinutes - 1); });
    m_plot = DrawNode::create(1.5f);
    addChild(m_plot, 1);
    scheduleUpdate();
    refresh();
    return true;
}

void SignalHistoryView::togglePick(const Bssid& bssid)
{
    const auto it = std::find(m_picks.begin(), m_picks.end(), bssid);
    if (it == m_picks.end()) {
        m_picks.push_back(bssid);
    } else {
        m_picks.erase(it);
    }
    refresh();
}

void SignalHistoryView::clearPicks()
{
    m_picks.clear();
    refresh();
}

void SignalHistoryView::setSpanMinutes(int minutes)
{
    const int span = std::clamp(minutes, 1, static_cast<int>(SignalHistory::kWindowMs / 60000));
    if (span == m_spanMinutes) return;
    m_spanMinutes = span;
    draw();
}

void SignalHistoryView::onWheel(float scrollY)
{
    if (scrollY > 0) setSpanMinutes(m_spanMinutes - 1);
    if (scrollY < 0) setSpanMinutes(m_spanMinutes + 1);
}

bool SignalHistoryView::handleKey(int keyCode, int rawKey)
{
    switch (static_cast<Key>(keyCode)) {
    case Key::KEY_E: if (m_onExport) m_onExport(); return true;
    case Key::KEY_C: clearPicks(); return true;
    case Key::KEY_PLUS: case Key::KEY_EQUAL: setSpanMinutes(m_spanMinutes + 1); return true;
    case Key::KEY_MINUS: setSpanMinutes(m_spanMinutes - 1); return true;
    default: return AnalystPanel::handleKey(keyCode, rawKey);
    }
}

void SignalHistoryView::update(float dt)
{
    m_sinceDraw += dt;
    std::uint64_t revision = 0;
    {
        ModelLock lock(m_model, kAccessPointLock);
        revision = m_model.signalHistory.revision();
    }
    if (revision != m_seenRevision) {
        refresh();
    } else if (m_sinceDraw >= 1.0f) {
        // The time axis moves on even without a scan.
        m_nowMs = clock::steadyMs();
        draw();
    }
}

void SignalHistoryView::refresh()
{
    const AccessPointFilter filter(m_model.apFilter);
    m_nowMs = clock::steadyMs();
    std::vector<Bssid> picked = m_picks;
    {
        ModelLock lock(m_model, kAccessPointLock);
        m_seenRevision = m_model.signalHistory.revision();
        for (int slot = 0; slot < OptimizationSelection::kSlots; ++slot) {
            const Bssid& b = m_model.optimizationSelection.slot(slot);
            if (b != Bssid{} && std::find(picked.begin(), picked.end(), b) == picked.end()) picked.push_back(b);
        }
        m_lines = chooseHistoryLines(m_model.signalHistory.copySeries(filter, m_nowMs), picked, kDefaultLines);
        colourHistoryLines(m_lines, m_model);
    }
    draw();
}

Rect SignalHistoryView::plotRect() const
{
    const Rect c = contentRect();
    return Rect(c.origin.x + kMargin, c.origin.y + 24.0f, std::max(10.0f, c.size.width - kMargin - kLegendWidth - 10.0f),
                std::max(10.0f, c.size.height - 24.0f - 12.0f));
}

Vec2 SignalHistoryView::plotPoint(std::uint64_t ageMs, float dBm) const
{
    const Rect r = plotRect();
    const float span = static_cast<float>(m_spanMinutes) * 60000.0f;
    const float x = r.origin.x + r.size.width * (1.0f - std::min(1.0f, static_cast<float>(ageMs) / span));
    const float level = std::clamp(dBm, kBottomDbm, kTopDbm);
    const float y = r.origin.y + r.size.height * (level - kBottomDbm) / (kTopDbm - kBottomDbm);
    return Vec2(x, y);
}

void SignalHistoryView::draw()
{
    m_sinceDraw = 0.0f;
    for (Node* text : m_texts) text->removeFromParentAndCleanup(true);
    m_texts.clear();
    m_plot->clear();
    const Rect r = plotRect();
    const Color4F grid(0.35f, 0.38f, 0.45f, 1.0f);
    auto addText = [this](const std::string& s, const Vec2& at, const Vec2& anchor, const Color4B& colour) {
        Label* label = makeLabel(s, kAxisFont);
        if (!label) return;
        label->setAnchorPoint(anchor);
        label->setPosition(at);
        label->setTextColor(colour);
        addChild(label, 2);
        m_texts.push_back(label);
    };
    const Color4B axisText(180, 186, 200, 255);
    for (int level = static_cast<int>(kBottomDbm); level <= static_cast<int>(kTopDbm); level += 20) {
        const Vec2 left = plotPoint(static_cast<std::uint64_t>(m_spanMinutes) * 60000, static_cast<float>(level));
        m_plot->drawLine(left, Vec2(r.getMaxX(), left.y), grid);
        addText(std::to_string(level), Vec2(left.x - 4.0f, left.y), Vec2(1.0f, 0.5f), axisText);
    }
    for (int minute = 0; minute <= m_spanMinutes; ++minute) {
        const Vec2 at = plotPoint(static_cast<std::uint64_t>(minute) * 60000, kBottomDbm);
        m_plot->drawLine(at, Vec2(at.x, r.getMaxY()), grid);
        if (minute % (m_spanMinutes > 5 ? 2 : 1) == 0) {
            addText(minute == 0 ? "now" : "-" + std::to_string(minute) + " min", Vec2(at.x, at.y - 4.0f), Vec2(0.5f, 1.0f),
                    axisText);
        }
    }
    addText("dBm", Vec2(r.origin.x - 4.0f, r.getMaxY() + 4.0f), Vec2(1.0f, 0.0f), axisText);

    const std::uint64_t spanMs = static_cast<std::uint64_t>(m_spanMinutes) * 60000;
    float legendY = r.getMaxY();
    for (const HistoryLine& line : m_lines) {
        const Color4F colour(line.colour[0] / 255.0f, line.colour[1] / 255.0f, line.colour[2] / 255.0f, 1.0f);
        const Vec2* previous = nullptr;
        Vec2 last;
        for (const SignalHistory::Point& p : line.series.points) {
            const std::uint64_t age = m_nowMs > p.timeMs ? m_nowMs - p.timeMs : 0;
            if (age > spanMs || !std::isfinite(p.dBm)) {
                previous = nullptr;
                continue;
            }
            const Vec2 at = plotPoint(age, p.dBm);
            if (previous) m_plot->drawSegment(last, at, 1.0f, colour);
            m_plot->drawSolidRect(at - Vec2(2.0f, 2.0f), at + Vec2(2.0f, 2.0f), colour);
            last = at;
            previous = &last;
        }
        const SignalHistory::Track& t = line.series.track;
        std::string name = t.ssid.empty() ? "(hidden)" : t.ssid;
        if (name.size() > 20) {
            std::size_t cut = 20;
            while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut; // whole characters only
            name = name.substr(0, cut) + "\xE2\x80\xA6";
        }
        const float x = r.getMaxX() + 14.0f;
        m_plot->drawSolidRect(Vec2(x, legendY - 9.0f), Vec2(x + 10.0f, legendY - 1.0f), colour);
        char level[24];
        std::snprintf(level, sizeof level, "  %.0f dBm", static_cast<double>(t.lastDbm));
        addText(name + level, Vec2(x + 14.0f, legendY - 5.0f), Vec2(0.0f, 0.5f),
                Color4B(line.colour[0], line.colour[1], line.colour[2], 255));
        legendY -= 18.0f;
    }
    if (m_lines.empty()) {
        addText("No access point heard in the last 10 minutes", Vec2(r.getMidX(), r.getMidY()), Vec2(0.5f, 0.5f), axisText);
    }
    Director::markDirty();
}

} // namespace nolvo
