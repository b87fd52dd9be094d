#include "display/SSIDLayer.h"

#include "display/AccessPointShape.h"
#include "engine/app/Director.h"
#include "engine/scene/DrawNode.h"
#include "engine/text/Label.h"
#include "model/AccessPointFilter.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

using engine::Vec2;

namespace {
constexpr const char* kFont = "fonts/roboto/Roboto-Regular.ttf";
} // namespace

SSIDLayer* SSIDLayer::create() { return createWithModel(*DataModel::getInstance()); }

SSIDLayer* SSIDLayer::createWithModel(DataModel& model)
{
    auto* layer = new SSIDLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

SSIDLayer::~SSIDLayer()
{
    unscheduleUpdate();
    for (engine::DrawNode* node : m_shapes) node->release();
    for (engine::Label* label : m_labels) label->release();
    if (m_halo) m_halo->release();
}

void SSIDLayer::setHighlight(const Bssid* bssid)
{
    const bool changed = (bssid != nullptr) != m_hasHighlight || (bssid && *bssid != m_highlight);
    m_hasHighlight = bssid != nullptr;
    if (bssid) m_highlight = *bssid;
    if (changed) engine::Director::markDirty();
}

bool SSIDLayer::init()
{
    if (!ClippedLayer::init()) return false;
    m_band24 = m_band5 = true;
    m_lastDt = 0.0f;
    scheduleUpdate();
    return true;
}

void SSIDLayer::setBands(bool band24, bool band5)
{
    m_band24 = band24;
    m_band5 = band5;
}

float SSIDLayer::labelFontSize(int sizeClass)
{
    static constexpr float kSizes[4] = {10.0f, 13.0f, 15.0f, 13.0f};
    return kSizes[sizeClass >= 0 && sizeClass <= 3 ? sizeClass : 3];
}

void SSIDLayer::update(float dt)
{
    m_lastDt = dt;
    if (dt > 0.0f) {
        for (float& since : m_sinceStep) since += dt;
    }
}

void SSIDLayer::drawShape(std::size_t index, const DrawnShape& wanted)
{
    engine::DrawNode* node = nullptr;
    if (index < m_shapes.size()) {
        if (m_drawn[index] == wanted) return;
        node = m_shapes[index];
        node->clear();
        m_drawn[index] = wanted;
    } else {
        node = engine::DrawNode::create(2.0f);
        addChild(node);
        node->retain();
        m_shapes.push_back(node);
        m_drawn.push_back(wanted);
    }
    const std::uint8_t* c = wanted.colour;
    const engine::Color4F colour(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, c[3] / 255.0f);
    const float x = wanted.shape.x;
    const float b = wanted.shape.bottomWidth / 2.0f;
    const float t = wanted.shape.topWidth / 2.0f;
    const float h = wanted.height;
    if (wanted.shape.dome) {
        // A circle of radius b squeezed to height h: only its upper half lies inside the layer.
        node->drawCircle(Vec2(x, 0.0f), b, 0.0f, kDomeSegments, false, 1.0f, b > 0.0f ? h / b : 0.0f, colour);
    } else {
        const Vec2 outline[4] = {Vec2(x - b, 0.0f), Vec2(x - t, h), Vec2(x + t, h), Vec2(x + b, 0.0f)};
        node->drawPoly(outline, 4, false, colour);
    }
}

engine::Label* SSIDLayer::labelAt(std::size_t index, float fontSize)
{
    if (index < m_labels.size()) {
        engine::Label* label = m_labels[index];
        if (label->getTTFConfig().fontSize != fontSize) label->setTTFConfig(engine::TTFConfig(kFont, fontSize));
        return label;
    }
    engine::Label* label = engine::Label::createWithFont("", kFont, fontSize);
    if (!label) return nullptr;
    label->setAnchorPoint(Vec2(0.5f, 0.5f));
    addChild(label);
    label->retain();
    m_labels.push_back(label);
    return label;
}

template <typename T>
void SSIDLayer::shrinkPool(std::vector<T*>& pool, std::size_t used)
{
    while (pool.size() > used) {
        T* surplus = pool.back();
        pool.pop_back();
        surplus->removeFromParentAndCleanup(true);
        surplus->release();
        engine::Director::markDirty();
    }
}

void SSIDLayer::draw(engine::Renderer* /*renderer*/, const engine::Mat4& /*transform*/, std::uint32_t /*flags*/)
{
    const engine::Size size = getContentSize();
    const float fontSize = labelFontSize(m_model.displaySizeClass.load());
    float bottom[2];
    float top[2];
    float step[2] = {0.0f, 0.0f}; // this frame's smoothing step per band, 0 without a new sweep
    {
        ModelLock lock(m_model, kDataLock);
        for (int band : {kBand24, kBand5}) {
            const BandStore& store = m_model.bandStore(band);
            bottom[band] = store.amplitudeBottom;
            top[band] = store.amplitudeTop;
            if (store.sweepsStored != m_stepSweeps[band]) {
                m_stepSweeps[band] = store.sweepsStored;
                step[band] = m_sinceStep[band];
                m_sinceStep[band] = 0.0f;
            }
        }
    }

    // The filter is read on this thread only (menus and keys write it here), so no lock.
    const AccessPointFilter filter(m_model.apFilter);
    ModelLock lock(m_model, kAccessPointLock);
    std::size_t shapes = 0;
    std::size_t labels = 0;
    m_outlines.clear();
    const OverlayOutline* highlighted = nullptr;
    for (const AccessPointPtr& entry : m_model.accessPoints) {
        if (!entry) continue;
        AccessPoint& ap = *entry;
        if ((ap.band == 0 && !m_band24) || (ap.band == 1 && !m_band5)) continue;
        const std::optional<AccessPointShape> shape = accessPointShape(ap, size.width);
        if (!shape) continue;
        const int band = ap.band == 1 ? kBand5 : kBand24;
        // Hidden access points keep animating, so they reappear at the level they have reached.
        smoothStrength(ap, step[band]);
        if (!filter.matches(ap)) continue;
        const float h = strengthHeight(ap.displayLevel, bottom[band], top[band], size.height);
        m_outlines.push_back({ap.bssid, *shape, h, ap.rssi});

        DrawnShape wanted{*shape, h, {ap.color[0], ap.color[1], ap.color[2], ap.color[3]}};
        drawShape(shapes++, wanted);
        const float x = shape->x;

        if (ap.ssidSize() == 0) continue;
        engine::Label* label = labelAt(labels, fontSize);
        if (!label) continue;
        ++labels;
        // The SSID is whatever bytes the air carried: shown through its safe text.
        const std::string text = ap.ssidDisplayText();
        if (label->getString() != text) label->setString(text);
        label->setTextColor(engine::Color4B(ap.color[0], ap.color[1], ap.color[2], ap.color[3]));
        const float lh = label->getContentSize().height;
        label->setPosition(Vec2(x, h + lh < size.height ? h + lh / 2.0f : size.height - lh / 2.0f));
    }
    shrinkPool(m_shapes, shapes);
    m_drawn.resize(m_shapes.size());
    shrinkPool(m_labels, labels);
    for (const OverlayOutline& outline : m_outlines) {
        if (m_hasHighlight && outline.bssid == m_highlight) highlighted = &outline;
    }
    drawHalo(highlighted);
}

void SSIDLayer::drawHalo(const OverlayOutline* outline)
{
    if (!outline) {
        if (m_halo) {
            m_halo->removeFromParentAndCleanup(true);
            m_halo->release();
            m_halo = nullptr;
            engine::Director::markDirty();
        }
        return;
    }
    const AccessPointShape& was = m_haloOutline.shape;
    const AccessPointShape& now = outline->shape;
    if (m_halo && was.x == now.x && was.bottomWidth == now.bottomWidth && was.topWidth == now.topWidth &&
        was.dome == now.dome && m_haloOutline.height == outline->height) {
        return; // unchanged: nothing to redraw
    }
    m_haloOutline = *outline;
    if (!m_halo) {
        m_halo = engine::DrawNode::create(5.0f);
        addChild(m_halo, 1);
        m_halo->retain();
    }
    m_halo->clear();
    const engine::Color4F white(1.0f, 1.0f, 1.0f, 0.9f);
    const AccessPointShape& s = outline->shape;
    const float b = s.bottomWidth / 2.0f;
    const float t = s.topWidth / 2.0f;
    const float h = std::max(outline->height, 2.0f); // a flat outline still shows which one it is
    if (s.dome) {
        m_halo->drawCircle(Vec2(s.x, 0.0f), b, 0.0f, kDomeSegments, false, 1.0f, b > 0.0f ? h / b : 0.0f, white);
    } else {
        const Vec2 halo[4] = {Vec2(s.x - b, 0.0f), Vec2(s.x - t, h), Vec2(s.x + t, h), Vec2(s.x + b, 0.0f)};
        m_halo->drawPoly(halo, 4, false, white);
    }
    engine::Director::markDirty();
}

} // namespace nolvo
