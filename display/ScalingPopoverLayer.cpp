#include "display/ScalingPopoverLayer.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "engine/app/Director.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/ImageView.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/ValueFormat.h"

namespace nolvo {

using engine::Sprite;
using engine::Vec2;

namespace {
constexpr const char* kFont = "fonts/roboto/Roboto-Regular.ttf";
constexpr const char* kBoxImage = "ScalingPopoverBox.png";
constexpr int kFadeInStep = 40;
constexpr int kFadeOutStep = 6;
constexpr float kMargin = 8.0f;
ScalingPopoverLayer* s_active = nullptr;
} // namespace

ScalingPopoverLayer* ScalingPopoverLayer::create() { return createWithModel(*DataModel::getInstance()); }

ScalingPopoverLayer* ScalingPopoverLayer::createWithModel(DataModel& model)
{
    auto* layer = new ScalingPopoverLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

ScalingPopoverLayer::~ScalingPopoverLayer()
{
    if (s_active == this) s_active = nullptr;
    for (Sprite* box : m_stepBoxes) box->release();
}

ScalingPopoverLayer* ScalingPopoverLayer::getActive() { return s_active; }

void ScalingPopoverLayer::onEnter()
{
    engine::Layer::onEnter();
    s_active = this;
}

void ScalingPopoverLayer::onExit()
{
    if (s_active == this) s_active = nullptr;
    engine::Layer::onExit();
}

bool ScalingPopoverLayer::init()
{
    if (!engine::Layer::init()) return false;
    setCascadeOpacityEnabled(true);
    const bool small = m_model.displaySizeClass.load() == 0;
    m_boxSpacing = small ? 0.0f : 2.0f;
    const engine::Size size = getContentSize();

    m_glass = engine::ui::ImageView::create("magnifying-glass.png");
    if (!m_glass) m_glass = engine::ui::ImageView::create(); // missing image: an empty glass
    m_glass->setAnchorPoint(Vec2(0.5f, 0.5f));
    m_glass->setPosition(Vec2(size.width * 0.5f, size.height * 0.5f));
    addChild(m_glass, 10);

    m_background = engine::ui::ImageView::create("ScalingPopoverBackground.png");
    if (!m_background) m_background = engine::ui::ImageView::create();
    m_background->setScale9Enabled(true);
    m_background->setAnchorPoint(Vec2(0.5f, 0.5f));
    m_background->setPosition(m_glass->getPosition());
    const engine::Size glass = m_glass->getContentSize();
    m_background->setContentSize(engine::Size(glass.width * 1.5f, glass.height * 1.5f));
    addChild(m_background, -1);

    const float fontSize = small ? 14.0f : 17.0f;
    m_aLabel = engine::Label::createWithTTF("A:20 dbM", kFont, fontSize);
    m_tLabel = engine::Label::createWithTTF("T:20 Hz", kFont, fontSize);
    for (engine::Label* label : {m_aLabel, m_tLabel}) {
        if (!label) return false;
        label->setAnchorPoint(Vec2(0.5f, 0.0f));
        addChild(label, 10);
    }
    const Vec2 g = m_glass->getPosition();
    m_aLabel->setPosition(Vec2(g.x - glass.width * 0.5f, g.y + glass.height * 0.5f));
    m_tLabel->setPosition(Vec2(g.x + glass.width * 0.5f, g.y + glass.height * 0.5f));

    if (engine::Texture2D* t = engine::Director::getInstance()->getTextureCache()->addImage(kBoxImage)) {
        m_boxWidth = t->getContentSize().width * 0.5f;
        m_boxHeight = t->getContentSize().height * 0.5f;
    }
    return true;
}

void ScalingPopoverLayer::announce(int horizontalCount, int horizontalCurrent, int verticalCount, int verticalCurrent,
                                   int previousVertical)
{
    m_horizontalStepCount = horizontalCount;
    m_currentHorizontalStep = horizontalCurrent;
    m_verticalStepCount = verticalCount;
    m_currentVerticalStep = verticalCurrent;
    if (getOpacity() == 0) m_previousVerticalStep = previousVertical;
    m_pinchActive = true;
    m_dirty = true;
    engine::Director::markDirty();
}

int ScalingPopoverLayer::boxQuarter(int step, int current, int previous)
{
    const int lo = std::min(current, previous);
    const int hi = std::max(current, previous);
    if (step == current || (step > lo && step < hi)) return 2;
    if (step == previous) return 1;
    return 0;
}

void ScalingPopoverLayer::refreshTexts()
{
    ModelLock lock(m_model, kDataLock);
    if (loadShared(m_model.common.spectrumModeActive) == 0) {
        m_aLabel->setString("");
        const float t = m_model.timePerDivision();
        const bool haveTrace = !m_model.powerStore.live.history.empty() && !std::isnan(t);
        m_tLabel->setString(haveTrace ? "T: " + formatSI(t, 2) + "s" : "T: --");
        return;
    }
    m_tLabel->setString("");
    const bool band5 = loadShared(m_model.spectrum.band) == 1;
    const float multiplier = m_model.deviceInfo.modeBytes[band5 ? 2 : 1];
    const float interval = band5 ? m_model.deviceInfo.refreshInterval5 : m_model.deviceInfo.refreshInterval24;
    const float f = static_cast<float>(DataModel::waterfallTimeFactor(loadShared(m_model.spectrum.waterfallTimeScale)));
    m_aLabel->setString("A: " + formatSI(500.0f / f * multiplier * interval, 2) + "s");
}

Sprite* ScalingPopoverLayer::boxAt(std::size_t index)
{
    while (m_stepBoxes.size() <= index) {
        Sprite* box = Sprite::create(kBoxImage);
        if (!box) return nullptr;
        box->retain();
        addChild(box, 10);
        m_stepBoxes.push_back(box);
    }
    return m_stepBoxes[index];
}

void ScalingPopoverLayer::layoutBoxes()
{
    const Vec2 g = m_glass->getPosition();
    const engine::Size glass = m_glass->getContentSize();
    std::size_t used = 0;
    auto place = [&](int step, int current, int previous, const Vec2& anchor, const Vec2& position) {
        Sprite* box = boxAt(used);
        if (!box) return;
        ++used;
        const int quarter = boxQuarter(step, current, previous);
        // Quarters: top-left plain, top-right previous, bottom-left current (image origin top-left).
        const float qx = quarter == 1 ? m_boxWidth : 0.0f;
        const float qy = quarter == 2 ? m_boxHeight : 0.0f;
        box->setTextureRect(engine::Rect(qx, qy, m_boxWidth, m_boxHeight));
        box->setAnchorPoint(anchor);
        box->setPosition(position);
    };
    const float rowLength = m_horizontalStepCount * (m_boxWidth + m_boxSpacing) - m_boxSpacing;
    for (int i = 0; i < m_horizontalStepCount; ++i) {
        place(i, m_currentHorizontalStep, m_previousHorizontalStep, Vec2(0.0f, 1.0f),
              Vec2(g.x - rowLength * 0.5f + i * (m_boxWidth + m_boxSpacing), g.y - glass.height * 0.5f));
    }
    const float columnLength = m_verticalStepCount * (m_boxHeight + m_boxSpacing) - m_boxSpacing;
    for (int i = 0; i < m_verticalStepCount; ++i) {
        place(i, m_currentVerticalStep, m_previousVerticalStep, Vec2(1.0f, 0.0f),
              Vec2(g.x - glass.width * 0.5f,
                   g.y + glass.height / 6.0f - columnLength * 0.5f + i * (m_boxHeight + m_boxSpacing)));
    }
    while (m_stepBoxes.size() > used) {
        m_stepBoxes.back()->removeFromParentAndCleanup(true);
        m_stepBoxes.back()->release();
        m_stepBoxes.pop_back();
    }
    // The background holds the glass, the labels and the boxes with a margin.
    const float width = std::max({glass.width, rowLength, glass.width + 2.0f * (m_boxWidth + kMargin)});
    const float labelHeight = std::max(m_aLabel->getContentSize().height, m_tLabel->getContentSize().height);
    const float height = std::max(glass.height + labelHeight + (m_horizontalStepCount > 0 ? m_boxHeight : 0.0f),
                                  columnLength);
    m_background->setContentSize(engine::Size(width + 2.0f * kMargin, height + 2.0f * kMargin));
}

void ScalingPopoverLayer::visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags)
{
    if (m_dirty) {
        refreshTexts();
        m_tLabel->setOpacity(m_horizontalStepCount != 0 ? 255 : 0);
        m_aLabel->setOpacity(m_verticalStepCount != 0 ? 255 : 0);
        layoutBoxes();
        m_dirty = false;
    }
    const int opacity = getOpacity();
    const int target = m_pinchActive ? std::min(255, opacity + kFadeInStep) : std::max(0, opacity - kFadeOutStep);
    if (target != opacity) {
        setOpacity(static_cast<std::uint8_t>(target));
        engine::Director::markDirty(); // keep frames coming until the fade is done
    }
    // Faded out: nothing of it shows, so nothing of it is drawn.
    if (target == 0) return;
    engine::Layer::visit(renderer, parentTransform, parentFlags);
}

} // namespace nolvo
