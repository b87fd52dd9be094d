#include "display/OverlayLayer.h"

#include <algorithm>
#include <cmath>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/text/Label.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/ValueFormat.h"

namespace nolvo {

using engine::Vec2;

namespace {
constexpr const char* kFont = "fonts/roboto/Roboto-Regular.ttf";
constexpr float kFadeInPerSecond = 4.0f;
constexpr float kFadeOutPerSecond = 0.5f;
} // namespace

OverlayLayer* OverlayLayer::create() { return createWithModel(*DataModel::getInstance()); }

OverlayLayer* OverlayLayer::createWithModel(DataModel& model)
{
    auto* layer = new OverlayLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

bool OverlayLayer::init()
{
    if (!engine::Layer::init()) return false;
    const int sizeClass = m_model.displaySizeClass.load();
    const float fontSize = (sizeClass == 1 || sizeClass == 2) ? 12.0f : 10.0f;
    const char* texts[] = {"00001dbm", "00002dbm", "00003dbm", "00004dbm"};
    engine::Label** labels[] = {&m_bottomLabel, &m_topLabel, &m_lowFrequencyLabel, &m_highFrequencyLabel};
    for (int i = 0; i < 4; ++i) {
        *labels[i] = engine::Label::createWithTTF(texts[i], kFont, fontSize);
        if (!*labels[i]) return false;
        (*labels[i])->setOpacity(0);
        addChild(*labels[i]);
    }
    auto* listener = engine::EventListenerTouchOneByOne::create();
    listener->setSwallowTouches(false);
    listener->onTouchBegan = [this](engine::Touch*, engine::Event*) {
        touchBegan();
        return true;
    };
    listener->onTouchEnded = [this](engine::Touch*, engine::Event*) { touchEnded(); };
    listener->onTouchCancelled = [this](engine::Touch*, engine::Event*) { touchEnded(); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, this);
    return true;
}

void OverlayLayer::onEnter()
{
    engine::Layer::onEnter();
    scheduleUpdate();
}

void OverlayLayer::onExit()
{
    unscheduleUpdate();
    engine::Layer::onExit();
}

void OverlayLayer::update(float dt) { m_lastDt = dt; }

void OverlayLayer::setMode(bool powerMode, int band, bool /*waterfall*/)
{
    m_frequencyLabelsShown = !powerMode;
    m_band24 = band != 1;
}

std::string OverlayLayer::amplitudeText(float dbm, int powerUnits)
{
    if (std::isnan(dbm)) return {};
    if (powerUnits == 0) return formatFixed(dbm) + "dBm";
    return formatSI(std::pow(10.0f, dbm / 10.0f) * 0.001f, 2) + "W";
}

void OverlayLayer::refreshLabels()
{
    const auto opacity = static_cast<std::uint8_t>(m_labelFade * 255.0f);
    float bottom = 0.0f;
    float top = 0.0f;
    {
        ModelLock lock(m_model, kDataLock);
        if (m_frequencyLabelsShown) {
            const BandStore& store = m_model.bandStore(m_band24 ? kBand24 : kBand5);
            bottom = store.amplitudeBottom;
            top = store.amplitudeTop;
        } else {
            bottom = m_model.powerStore.amplitudeBottom;
            top = m_model.powerStore.amplitudeTop;
        }
        const float offset = m_model.attenuationOffset();
        bottom += offset;
        top += offset;
    }
    const int units = m_model.common.powerUnits;
    m_bottomLabel->setString(amplitudeText(bottom, units));
    m_topLabel->setString(amplitudeText(top, units));
    for (engine::Label* label : {m_bottomLabel, m_topLabel}) {
        label->setVisible(true);
        label->setOpacity(opacity);
    }
    for (engine::Label* label : {m_lowFrequencyLabel, m_highFrequencyLabel}) {
        label->setVisible(m_frequencyLabelsShown);
        label->setOpacity(opacity);
    }
    m_lowFrequencyLabel->setString(m_band24 ? "2.4GHz" : "5.145GHz");
    m_highFrequencyLabel->setString(m_band24 ? "2.5GHz" : "5.860GHz");

    const engine::Size size = getContentSize();
    m_lowFrequencyLabel->setAnchorPoint(Vec2(0.0f, 0.0f));
    m_lowFrequencyLabel->setPosition(Vec2(0.0f, 0.0f));
    m_highFrequencyLabel->setAnchorPoint(Vec2(1.0f, 0.0f));
    m_highFrequencyLabel->setPosition(Vec2(size.width, 0.0f));
    m_bottomLabel->setAnchorPoint(Vec2(1.0f, 0.0f));
    m_bottomLabel->setPosition(Vec2(size.width, m_highFrequencyLabel->getContentSize().height));
    m_topLabel->setAnchorPoint(Vec2(1.0f, 1.0f));
    m_topLabel->setPosition(Vec2(size.width, size.height));
}

void OverlayLayer::visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags)
{
    if (m_activeTouches > 0) {
        m_labelFade = std::min(1.0f, m_labelFade + kFadeInPerSecond * m_lastDt);
    } else {
        m_labelFade -= kFadeOutPerSecond * m_lastDt;
    }
    if (m_labelFade <= 0.0f) {
        m_labelFade = 0.0f;
        for (engine::Label* label : {m_bottomLabel, m_topLabel, m_lowFrequencyLabel, m_highFrequencyLabel}) {
            label->setVisible(false);
        }
    } else {
        refreshLabels();
        // The fade runs on until it settles.
        if (m_activeTouches == 0 || m_labelFade < 1.0f) engine::Director::markDirty();
    }
    engine::Layer::visit(renderer, parentTransform, parentFlags);
}

} // namespace nolvo
