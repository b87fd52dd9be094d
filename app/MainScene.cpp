#include "app/MainScene.h"
#include "model/SharedField.h"

#include <algorithm>

#include "app/AnalystTools.h"
#include "app/KeyboardShortcuts.h"
#include "app/RunStats.h"
#include "app/StatusTexts.h"
#include "display/CursorReadouts.h"
#include "display/GridLayer.h"
#include "display/PowerCursorReadouts.h"
#include "display/SSIDLayer.h"
#include "display/ScalingPopoverLayer.h"
#include "engine/actions/ActionInterval.h"
#include "engine/app/Director.h"
#include "engine/app/GLView.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/ImageView.h"
#include "menus/AlertViewLayer.h"
#include "menus/MenuBar.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "tables/SSIDTableLayer.h"
#include "tables/SSIDUtilizationTableLayer.h"

namespace nolvo {

using namespace engine;

namespace {

const char* const kFont = "fonts/roboto/Roboto-Regular.ttf";
constexpr float kColumnGap = 4.0f;
constexpr float kLeftInset = 4.0f; // keeps the first column off the window edge

// Cursor readout colours: red, orange, magenta, yellow.
const Color4B kCursorColours[4] = {Color4B(255, 64, 64, 255), Color4B(255, 160, 0, 255), Color4B(255, 0, 255, 255),
                                   Color4B(255, 255, 0, 255)};

Label* makeLabel(const std::string& text, float size, const Color4B& colour)
{
    Label* label = Label::createWithFont(text, kFont, size);
    if (label) label->setTextColor(colour);
    return label;
}

float textWidth(const std::string& text, float size)
{
    Label* probe = makeLabel(text, size, Color4B(255, 255, 255, 255));
    return probe ? probe->getContentSize().width : 0.0f;
}

// Removes a retained node from the scene and drops the reference.
template <typename T>
void detachAndRelease(T*& node)
{
    if (!node) return;
    node->removeFromParentAndCleanup(true);
    node->release();
    node = nullptr;
    Director::markDirty();
}

void setText(Label* label, const std::string& text)
{
    if (label && label->isVisible() && label->getString() != text) label->setString(text);
}

} // namespace

MainScene* MainScene::create()
{
    auto* scene = new MainScene();
    if (scene->init()) {
        scene->autorelease();
        return scene;
    }
    delete scene;
    return nullptr;
}

MainScene::MainScene() : m_model(*DataModel::getInstance()) {}

bool MainScene::init()
{
    return Scene::init();
}

MainScene::~MainScene()
{
    if (MenuController::getInstance()->tableControl() == this) MenuController::getInstance()->setTableControl(nullptr);
    for (Node*& slot : m_slots) {
        if (slot) slot->release();
        slot = nullptr;
    }
    for (TableSlot& table : m_tables) {
        if (table.layer) table.layer->release();
    }
    for (Node* node : {static_cast<Node*>(m_watermark), m_scalingPopover, static_cast<Node*>(m_dimmer),
                       static_cast<Node*>(m_outerWheel), static_cast<Node*>(m_innerWheel),
                       static_cast<Node*>(m_acquiringLabel), static_cast<Node*>(m_analyst)}) {
        if (node) node->release();
    }
}

DisplayMode MainScene::currentMode() const
{
    const DataModel& m = m_model;
    return {loadShared(m.common.spectrumModeActive) != 0, loadShared(m.spectrum.displayMode), loadShared(m.spectrum.band),
            loadShared(m.spectrum.ssidOverlay) != 0};
}

void MainScene::onEnter()
{
    Scene::onEnter();
    MenuController::getInstance()->attach(this);
    MenuController::getInstance()->setTableControl(this);
    scheduleUpdate();
    rebuildLayers();
    m_barHeight = MenuController::getInstance()->getBarHeight();
    if (!m_scalingPopover) {
        ScalingPopoverLayer* popover = ScalingPopoverLayer::create();
        if (popover) {
            popover->retain();
            popover->setOpacity(0);
            addChild(popover, kPopoverZOrder);
            m_scalingPopover = popover;
        }
    }
    if (!m_labelsCreated) {
        createStatusLabels(m_barHeight);
        m_labelsCreated = true;
    }
    createAnalystTools();
    installKeyboard();
}

void MainScene::createAnalystTools()
{
    if (m_analyst) return;
    AnalystTools::Hooks hooks;
    hooks.plotRect = [this] { return m_geometry.plot; };
    // Shapes are picked only where they can be seen: not under a table.
    hooks.overlay = [this]() -> SSIDLayer* {
        if (isTableOpen(Table::AccessPoints) || isTableOpen(Table::Utilization)) return nullptr;
        const LayerSlot slot = m_model.bandIndex() == kBand5 ? LayerSlot::SSID5 : LayerSlot::SSID24;
        return dynamic_cast<SSIDLayer*>(m_slots[static_cast<int>(slot)]);
    };
    hooks.menuOpen = [] {
        const MenuController* menus = MenuController::getInstance();
        return menus->getOpenMenu() != nullptr || menus->getPicker() != nullptr;
    };
    m_analyst = AnalystTools::create(m_model, std::move(hooks));
    if (!m_analyst) return;
    m_analyst->retain();
    addChild(m_analyst, kAnalystZOrder);
}

void MainScene::onExit()
{
    Scene::onExit();
    MenuController::getInstance()->detach();
    if (MenuController::getInstance()->tableControl() == this) MenuController::getInstance()->setTableControl(nullptr);
    unscheduleUpdate();
}

void MainScene::createStatusLabels(float b)
{
    const float size = b / 5.0f;
    const Color4B white(255, 255, 255, 255);

    m_amplitudeLabel = makeLabel("A:10.00dBm/div", size, white);
    m_frequencyLabel = makeLabel("Hz:10.00GHz/div", size, white);
    for (auto [label, row] : {std::pair{m_amplitudeLabel, 0.75f}, std::pair{m_frequencyLabel, 0.25f}}) {
        if (!label) continue;
        label->setAnchorPoint(Vec2(0, 0.5f));
        label->setPosition(Vec2(kLeftInset, row * b));
        addChild(label, kLabelZOrder);
    }
    float x = kLeftInset + std::max(m_amplitudeLabel ? m_amplitudeLabel->getContentSize().width : 0.0f,
                                    m_frequencyLabel ? m_frequencyLabel->getContentSize().width : 0.0f);
    const char* const upper[4] = {"@Hz: 2500 MHz", "@dBm: -100.00dBm", "@dBm: -100.00dBm", "@dBm: -100.00dBm"};
    const char* const lower[4] = {"ΔHz: 2500 MHz", "ΔdBm: -100.00dBm", "ΔdBm: -100.00dBm", "ΔdBm: -100.00dBm"};
    for (int c = 0; c < 4; ++c) {
        Label* value = makeLabel(upper[c], size, kCursorColours[c]);
        Label* delta = makeLabel(lower[c], size, kCursorColours[c]);
        float width = 0.0f;
        for (auto [label, row] : {std::pair{value, 0.75f}, std::pair{delta, 0.25f}}) {
            if (!label) continue;
            label->setAnchorPoint(Vec2(0, 0.5f));
            label->setPosition(Vec2(x + kColumnGap, row * b));
            // The readouts show cursor values; they stay hidden until the cursor layer fills them.
            label->setVisible(false);
            addChild(label, kLabelZOrder);
            width = std::max(width, label->getContentSize().width);
        }
        m_cursorLabels[2 * c] = value;
        m_cursorLabels[2 * c + 1] = delta;
        x += kColumnGap + width;
    }
    m_triggerLabel = makeLabel("TRIG?", size, Color4B(0, 255, 255, 255));
    if (m_triggerLabel) {
        m_triggerLabel->setAnchorPoint(Vec2(0, 0.5f));
        m_triggerLabel->setPosition(Vec2(x + kColumnGap, 0.5f * b));
        addChild(m_triggerLabel, kLabelZOrder);
    }

    // Column widths of the layout step, from the widest texts each column can show.
    m_scaleColumnWidth = std::max(textWidth("A:XX.XXdBm/div", size), textWidth("Hz:XX.XXGHz/div", size));
    m_cursorColumnWidth[0] = std::max(textWidth("@Hz: 2500 MHz", size), textWidth("ΔHz: 2500 MHz", size));
    const float amplitudeWidth = std::max(textWidth("@dBm: -XXX.XX0dBm", size), textWidth("ΔdBm: -XXX.XXdBm", size));
    for (int c = 1; c < 4; ++c) m_cursorColumnWidth[c] = amplitudeWidth;

    computeGeometry();
    m_watermark = ui::ImageView::create("demo.png");
    if (m_watermark) {
        m_watermark->retain();
        m_watermark->setTouchEnabled(false);
        m_watermark->setOpacity(64);
        addChild(m_watermark, kWatermarkZOrder);
        placeWatermark();
    }
}

void MainScene::placeWatermark()
{
    // Centred on the plot, whatever the window's size.
    if (m_watermark) m_watermark->setPosition(Vec2(m_geometry.plot.getMidX(), m_geometry.plot.getMidY()));
}

void MainScene::installKeyboard()
{
    // A listener bound to the scene pauses while it is off stage and resumes with it: one is enough.
    if (m_keyboardInstalled) return;
    m_keyboardInstalled = true;
    auto* listener = EventListenerKeyboard::create();
    listener->onKeyPressed = [this](EventKeyboard::KeyCode, Event* event) {
        DataModel& model = *DataModel::getInstance();
        const auto& key = *static_cast<EventKeyboard*>(event);
        if (key.isPressed() && m_analyst && m_analyst->handleKey(key)) return;
        switch (KeyboardShortcuts::handleKey(key, model)) {
        case KeyboardShortcuts::Action::Screenshot: KeyboardShortcuts::saveScreenshot(model); break;
        case KeyboardShortcuts::Action::ToggleAccessPointTable: toggleTable(Table::AccessPoints); break;
        case KeyboardShortcuts::Action::ToggleUtilizationTable: toggleTable(Table::Utilization); break;
        default: break;
        }
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, this);
}

void MainScene::computeGeometry()
{
    const Size visible = Director::getInstance()->getVisibleSize();
    const Vec2 origin = Director::getInstance()->getVisibleOrigin();
    const float b = MenuController::getInstance()->getBarHeight();
    m_geometry.plot = Rect(origin.x, origin.y + b, visible.width, std::max(0.0f, visible.height - b));
    m_geometry.inner = Rect(m_geometry.plot.origin.x + 1, m_geometry.plot.origin.y + 1,
                            std::max(0.0f, m_geometry.plot.size.width - 2), std::max(0.0f, m_geometry.plot.size.height - 2));
}

void MainScene::rebuildLayers()
{
    for (Node*& slot : m_slots) {
        if (!slot) continue;
        slot->removeFromParentAndCleanup(true);
        slot->release();
        slot = nullptr;
    }
    computeGeometry();

    m_lastPlan = planLayers(currentMode());
    if (m_lastPlan.removeTables) removeTables();
    for (LayerSlot slot : m_lastPlan.slots) {
        Node* layer = createLayer(slot, m_geometry, m_lastPlan.overlay);
        if (!layer) continue;
        layer->retain();
        addChild(layer, 0);
        m_slots[static_cast<int>(slot)] = layer;
    }
    ++m_rebuildCount;
    Director::markDirty();
}

void MainScene::update(float dt)
{
    Scene::update(dt);
    runstats::reportIfAsked();
    updateMenuBar();
    if (m_watermark) {
        m_watermark->setOpacity(m_model.accessoryConnected.load() ? 0 : kWatermarkOpacity);
    }
    checkBandSupport();
    const DisplayMode mode = currentMode();
    if (m_rebuildRequested || !(mode == m_builtMode)) {
        rebuildLayers();
        m_rebuildRequested = false;
        m_builtMode = mode;
    }
    updateGraticule();
    updateStatusTexts();
    layoutStatusLabels();
    ageAccessPoints(dt);
    refreshTables();
    updateAcquiringIndicator();
}

void MainScene::updateMenuBar()
{
    MenuBar* bar = MenuController::getInstance()->getBar();
    if (!bar) return;
    bar->setAccessoryConnected(m_model.accessoryConnected.load());
    // The delegate switches the mode itself when the identified accessory lacks it.
    const bool modeChanged = m_model.modeChanged.exchange(false);
    if (m_model.menuRefresh.exchange(false) || modeChanged) bar->refreshItems();
}

void MainScene::checkBandSupport()
{
    if (loadShared(m_model.common.spectrumModeActive) == 0 || loadShared(m_model.spectrum.band) != 1) return;
    bool identified = false;
    bool has5 = false;
    {
        ModelLock lock(m_model, kDataLock);
        identified = m_model.deviceInfo.modelId != 0;
        has5 = m_model.deviceInfo.has5Spectrum;
    }
    // Before any accessory (or demo recording) is identified nothing is known about 5 GHz: the
    // stored band is kept rather than lost to a start-up race.
    if (!identified || has5) return;
    storeShared(m_model.spectrum.band, 0);
    ++m_fallbackAlerts;
    AlertViewLayer::showSimple("5.4 Ghz is not supported!!",
                               "This accessory does not support 5GHz. Switching to 2.4Ghz view.", "OK");
}

void MainScene::updateGraticule()
{
    // Each grid redraws at once when one of its five switches changed.
    for (LayerSlot slot : {LayerSlot::Grid, LayerSlot::Grid2}) {
        if (auto* grid = dynamic_cast<GridLayer*>(m_slots[static_cast<int>(slot)])) grid->applyMask(m_model.graticuleMask);
    }
}

void MainScene::updateStatusTexts()
{
    std::string amplitude;
    std::string frequency;
    std::string trigger;
    CursorReadouts readouts;
    {
        // The amplitude windows, the time-per-division table and the acquisition phase are
        // measurement state, written under dataLock.
        ModelLock lock(m_model, kDataLock);
        amplitude = StatusTexts::amplitudeScale(m_model);
        frequency = StatusTexts::frequencyOrTimeScale(m_model);
        trigger = StatusTexts::trigger(m_model, m_triggerLabel ? m_triggerLabel->getString() : std::string());
        readouts = loadShared(m_model.common.spectrumModeActive) != 0 ? makeCursorReadouts(m_model, m_geometry.inner.size)
                                                          : makePowerCursorReadouts(m_model, m_geometry.inner.size);
    }
    // The trigger belongs to the power trace; spectrum mode has nothing to trigger on.
    if (m_triggerLabel) m_triggerLabel->setVisible(loadShared(m_model.common.spectrumModeActive) == 0);
    setText(m_amplitudeLabel, amplitude);
    setText(m_frequencyLabel, frequency);
    setText(m_triggerLabel, trigger);
    for (std::size_t c = 0; c < readouts.size(); ++c) {
        for (auto [label, text] : {std::pair{m_cursorLabels[2 * c], &readouts[c].value},
                                   std::pair{m_cursorLabels[2 * c + 1], &readouts[c].delta}}) {
            if (!label) continue;
            label->setVisible(readouts[c].shown);
            setText(label, *text);
        }
    }
}

void MainScene::layoutStatusLabels()
{
    // Columns by their template widths, so the labels do not jump as their numbers change.
    float x = kLeftInset + m_scaleColumnWidth;
    for (int c = 0; c < 4; ++c) {
        Label* value = m_cursorLabels[2 * c];
        Label* delta = m_cursorLabels[2 * c + 1];
        const bool shown = (value && value->isVisible()) || (delta && delta->isVisible());
        if (!shown) continue;
        for (Label* label : {value, delta}) {
            if (label) label->setPositionX(x + kColumnGap);
        }
        x += kColumnGap + m_cursorColumnWidth[c];
    }
    if (m_triggerLabel) m_triggerLabel->setPositionX(x + kColumnGap * 4);
}

void MainScene::ageAccessPoints(float dt)
{
    m_ageingTimer += dt;
    const bool tableOpen = m_tables[0].layer || m_tables[1].layer;
    if (!tableOpen || m_model.utilizationEditMode.load() || m_ageingTimer < kAgeingPeriod) return;
    m_ageingTimer = 0.0f;
    {
        ModelLock lock(m_model, kAccessPointLock);
        m_model.ageAccessPoints();
    }
    m_model.accessPointListChanged[0].store(true);
    m_model.accessPointListChanged[1].store(true);
}

void MainScene::refreshTables()
{
    // Cleared before the reload: a scan merged while the tables reload raises them again for the
    // next frame instead of being lost until the one after it.
    const bool changed0 = m_model.accessPointListChanged[0].exchange(false);
    const bool changed1 = m_model.accessPointListChanged[1].exchange(false);
    if (!changed0 && !changed1) return;
    const SpectrumSettings& s = m_model.spectrum;
    const std::uint8_t criteria[2] = {s.apTableSortCriteria, s.utilizationSortCriteria};
    const bool descending[2] = {s.apTableDescending != 0, s.utilizationDescending != 0};
    for (int i = 0; i < 2; ++i) {
        if (!m_tables[i].layer) continue;
        ModelLock lock(m_model, kAccessPointLock);
        m_model.sortAccessPoints(criteria[i], descending[i]);
        if (m_tables[i].hooks.reload) m_tables[i].hooks.reload();
    }
}

void MainScene::updateAcquiringIndicator()
{
    const bool powerMode = loadShared(m_model.common.spectrumModeActive) == 0;
    if (powerMode || !m_model.acquiringSSID.load()) {
        hideAcquiringIndicator();
        m_model.acquiringSSID.store(false);
        return;
    }
    if (!m_dimmer) showAcquiringIndicator();
}

void MainScene::showAcquiringIndicator()
{
    const Rect& plot = m_geometry.plot;
    const Vec2 centre(plot.origin.x + plot.size.width / 2, plot.origin.y + plot.size.height / 2);
    m_dimmer = LayerColor::create(Color4B(26, 26, 26, 166), plot.size.width, plot.size.height);
    m_dimmer->setPosition(plot.origin);
    m_dimmer->retain();
    addChild(m_dimmer, kIndicatorZOrder);

    m_outerWheel = Sprite::create("OuterWheel.png");
    m_innerWheel = Sprite::create("InnerWheel.png");
    const std::pair<Sprite*, float> wheels[2] = {{m_outerWheel, 1.5f}, {m_innerWheel, 2.0f}};
    for (int i = 0; i < 2; ++i) {
        Sprite* wheel = wheels[i].first;
        if (!wheel) continue;
        wheel->retain();
        wheel->setAnchorPoint(Vec2(0.5f, 0.5f));
        wheel->setPosition(centre);
        const float turn = i == 0 ? 360.0f : -360.0f;
        wheel->runAction(RepeatForever::create(RotateBy::create(wheels[i].second, turn)));
        addChild(wheel, kIndicatorZOrder);
    }
    const int sizeClass = m_model.displaySizeClass.load();
    const float fontSize = (sizeClass == 1 || sizeClass == 2) ? 17.0f : 16.0f;
    m_acquiringLabel = makeLabel("Acquiring SSID", fontSize, Color4B(255, 255, 255, 255));
    if (m_acquiringLabel) {
        m_acquiringLabel->retain();
        m_acquiringLabel->setAnchorPoint(Vec2(1.0f, 0.5f));
        // Right-anchored, centred under the wheels.
        const float radius = m_outerWheel ? m_outerWheel->getContentSize().height / 2 : 32.0f;
        m_acquiringLabel->setPosition(
            Vec2(centre.x + m_acquiringLabel->getContentSize().width / 2, centre.y - radius - 16.0f));
        addChild(m_acquiringLabel, kIndicatorZOrder);
    }
    Director::markDirty();
}

void MainScene::hideAcquiringIndicator()
{
    detachAndRelease(m_dimmer);
    detachAndRelease(m_outerWheel);
    detachAndRelease(m_innerWheel);
    detachAndRelease(m_acquiringLabel);
}

void MainScene::setTable(Table which, Node* layer, TableHooks hooks)
{
    TableSlot& slot = m_tables[static_cast<int>(which)];
    if (slot.layer == layer) {
        slot.hooks = std::move(hooks);
        return;
    }
    if (slot.layer) {
        slot.layer->removeFromParentAndCleanup(true);
        slot.layer->release();
    }
    slot.layer = layer;
    slot.hooks = std::move(hooks);
    if (layer) {
        layer->retain();
        if (layer->getParent()) layer->setLocalZOrder(kTableZOrder);
        else addChild(layer, kTableZOrder);
    }
}

namespace {

MainScene::TableFactory& tableFactory()
{
    static MainScene::TableFactory factory;
    return factory;
}

} // namespace

void MainScene::openTable(Table which)
{
    if (getTable(which) || loadShared(m_model.common.spectrumModeActive) == 0) return;
    if (tableFactory()) { // a replacement table (tests, tools)
        TableHooks hooks;
        Node* made = tableFactory()(which, m_geometry.plot, hooks);
        if (!made) return;
        setTable(which, made, std::move(hooks));
        m_model.accessPointListChanged[static_cast<int>(which)].store(true); // shows the list as it is now
        Director::markDirty();
        return;
    }
    const bool accessPoints = which == Table::AccessPoints;
    AccessPointTableLayer* layer = nullptr;
    if (accessPoints) {
        layer = SSIDTableLayer::create(m_model, m_geometry.plot);
    } else {
        layer = SSIDUtilizationTableLayer::create(m_model, m_geometry.plot);
    }
    if (!layer) return;
    layer->setCloseHandler([this, which] { closeTable(which); });
    TableHooks hooks;
    hooks.reload = [layer] { layer->reload(); };
    hooks.relayout = [layer](const Rect& plot) { layer->relayout(plot); };
    hooks.close = [layer] { layer->onClosedByScene(); };
    setTable(which, layer, std::move(hooks));
    // Filled at once, sorted as the table last showed it.
    const SpectrumSettings& s = m_model.spectrum;
    ModelLock lock(m_model, kAccessPointLock);
    if (accessPoints) {
        m_model.sortAccessPoints(s.apTableSortCriteria, s.apTableDescending != 0);
    } else {
        m_model.sortAccessPoints(s.utilizationSortCriteria, s.utilizationDescending != 0);
    }
    layer->reload();
}

void MainScene::closeTable(Table which)
{
    TableSlot& slot = m_tables[static_cast<int>(which)];
    if (!slot.layer) return;
    // The close may come from the table's own button: it stays alive until the frame ends.
    slot.layer->retain();
    slot.layer->autorelease();
    if (slot.hooks.close) slot.hooks.close();
    setTable(which, nullptr, {});
    Director::markDirty();
}

void MainScene::toggleTable(Table which)
{
    if (getTable(which)) {
        closeTable(which);
    } else {
        openTable(which);
    }
}

void MainScene::closeTable(int index)
{
    if (index >= 0 && index < static_cast<int>(m_tables.size())) closeTable(static_cast<Table>(index));
}

void MainScene::removeTables()
{
    for (int i = 0; i < static_cast<int>(m_tables.size()); ++i) closeTable(i);
}

void MainScene::setTableFactory(TableFactory factory)
{
    tableFactory() = std::move(factory);
}

bool MainScene::tableAvailable(TableControl::Table) const
{
    return true;
}

bool MainScene::isTableShown(TableControl::Table which) const
{
    return getTable(static_cast<Table>(which)) != nullptr;
}

void MainScene::toggleTable(TableControl::Table which)
{
    const int index = static_cast<int>(which);
    if (index < 0 || index >= static_cast<int>(m_tables.size())) return;
    toggleTable(static_cast<Table>(index));
}

void MainScene::visit(Renderer* renderer, const Mat4& parentTransform, std::uint32_t parentFlags)
{
    GLView* view = Director::getInstance()->getOpenGLView();
    if (view) {
        const Size frame = view->getFrameSize();
        const Size& current = getContentSize();
        if (frame.width > 0 && frame.height > 0 && (frame.width != current.width || frame.height != current.height)) {
            handleResize(frame);
        }
    }
    Scene::visit(renderer, parentTransform, parentFlags);
}

void MainScene::handleResize(const Size& newSize)
{
    const Size old = getContentSize();
    setContentSize(newSize);
    if (loadShared(m_model.common.spectrumModeActive) != 0) {
        ModelLock lock(m_model, kDataLock);
        for (BandStore* store : {&m_model.band24, &m_model.band5}) {
            // A grid not yet marked new also counts as accumulated, so it is not added twice.
            if (!store->grid.isNew) store->grid.accumulated = true;
            store->grid.isNew = true;
            store->derived.changed = true;
        }
    }
    const float b = MenuController::getInstance()->getBarHeight();
    computeGeometry();
    placeWatermark();
    if (m_analyst) m_analyst->relayout();

    // Cursor positions follow the plot: x with the width, y with the height above the strip.
    // A zero-sized previous window (nothing laid out yet) gives no ratio to scale by.
    CursorSettings& c = m_model.cursors;
    if (old.width > 0) {
        const float sx = newSize.width / old.width;
        for (float* x : {&c.verticalX[0], &c.verticalX[1], &c.secondX[0], &c.secondX[1]}) *x *= sx;
    }
    if (old.height - b > 0 && newSize.height - b > 0) {
        const float sy = (newSize.height - b) / (old.height - b);
        for (float* y : {&c.horizontalY[0], &c.horizontalY[1], &c.secondY[0], &c.secondY[1]}) *y *= sy;
    }
    MenuController::getInstance()->attach(this);
    for (TableSlot& slot : m_tables) {
        if (!slot.layer) continue;
        if (slot.hooks.relayout) slot.hooks.relayout(m_geometry.plot);
        if (slot.hooks.reload) {
            ModelLock lock(m_model, kAccessPointLock); // reload copies the list
            slot.hooks.reload();
        }
    }
    m_rebuildRequested = true;
    Director::markDirty();
}

} // namespace nolvo
