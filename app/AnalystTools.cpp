#include "app/AnalystTools.h"

#include <algorithm>
#include <cmath>

#include "display/ChannelOccupancyView.h"
#include "display/DetailsPopover.h"
#include "display/SSIDLayer.h"
#include "display/SignalHistoryView.h"
#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/text/Label.h"
#include "menus/AlertViewLayer.h"
#include "model/AccessPointFilter.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/SharedField.h"
#include "model/VendorRegistry.h"
#include "platform/Clock.h"
#include "tables/AccessPointDetails.h"
#include "tables/SignalHistoryExport.h"

namespace nolvo {

using namespace engine;
using Key = EventKeyboard::KeyCode;

namespace {
constexpr float kMarkerPeriod = 0.5f; // the list changes with scans; twice a second is plenty
constexpr float kTapSlop = 8.0f;      // a touch that moved further is a drag, not a tap
constexpr float kPickSlop = 4.0f;
constexpr float kPopoverFont = 13.0f;
constexpr std::size_t kMaxTyped = 32;

template <typename T>
void releaseNode(T*& node)
{
    if (!node) return;
    node->removeFromParentAndCleanup(true);
    node->release();
    node = nullptr;
    Director::markDirty();
}
} // namespace

AnalystTools* AnalystTools::create(DataModel& model, Hooks hooks)
{
    auto* tools = new AnalystTools(model, std::move(hooks));
    if (!tools->init()) {
        delete tools;
        return nullptr;
    }
    tools->autorelease();
    return tools;
}

AnalystTools::~AnalystTools()
{
    if (AnalystControl::get() == this) AnalystControl::set(nullptr);
    for (Node* node : {static_cast<Node*>(m_popover), static_cast<Node*>(m_history), static_cast<Node*>(m_occupancy),
                       static_cast<Node*>(m_marker)}) {
        if (node) node->release();
    }
}

bool AnalystTools::init()
{
    if (!Node::init()) return false;
    AnalystControl::set(this);
    VendorRegistry::shared().preload(); // read on its own thread while nobody asks yet

    m_marker = Label::createWithTTF("", "fonts/roboto/Roboto-Bold.ttf", 14.0f);
    if (!m_marker) m_marker = Label::createWithSystemFont("", "Roboto", 14.0f);
    if (m_marker) {
        m_marker->retain();
        m_marker->setAnchorPoint(Vec2(0.5f, 1.0f));
        m_marker->setTextColor(Color4B(255, 200, 40, 255));
        m_marker->setVisible(false);
        addChild(m_marker, kMarkerZOrder);
        // A click or tap on the marker clears every filter.
        auto* listener = EventListenerTouchOneByOne::create();
        listener->setSwallowTouches(true);
        listener->onTouchBegan = [this](Touch* t, Event*) {
            return m_marker->isVisible() && !m_typing && m_marker->getBoundingBox().containsPoint(convertToNodeSpace(t->getLocation()));
        };
        listener->onTouchEnded = [this](Touch*, Event*) {
            clearFilter(m_model.apFilter);
            filterChanged();
        };
        Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, m_marker);
    }

    // Taps on the overlay pick an access point; the touch goes on to the plot's own layers too.
    auto* picker = EventListenerTouchOneByOne::create();
    picker->setSwallowTouches(false);
    picker->onTouchBegan = [this](Touch* t, Event*) {
        m_touchStart = t->getLocation();
        return !m_history && !m_occupancy && m_hooks.overlay && m_hooks.overlay() != nullptr;
    };
    picker->onTouchEnded = [this](Touch* t, Event*) {
        if (t->getLocation().distance(m_touchStart) <= kTapSlop) pickAt(t->getLocation());
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(picker, this);
    scheduleUpdate();
    updateMarker();
    return true;
}

// ---- typing the SSID text ----

AnalystTools::Typing AnalystTools::typeKey(std::string& text, Key key, int rawKey, bool shift)
{
    switch (key) {
    case Key::KEY_ENTER: return Typing::Done;
    case Key::KEY_ESCAPE: return Typing::Cancelled;
    case Key::KEY_BACKSPACE:
    case Key::KEY_DELETE:
        if (text.empty()) return Typing::Ignored;
        // One whole character: continuation bytes and the lead byte.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
        if (!text.empty()) text.pop_back();
        return Typing::Edited;
    default: break;
    }
    char c = 0;
    const int k = static_cast<int>(key);
    if (k >= static_cast<int>(Key::KEY_A) && k <= static_cast<int>(Key::KEY_Z)) {
        c = static_cast<char>((shift ? 'A' : 'a') + (k - static_cast<int>(Key::KEY_A)));
    } else if (k >= static_cast<int>(Key::KEY_0) && k <= static_cast<int>(Key::KEY_9)) {
        c = static_cast<char>('0' + (k - static_cast<int>(Key::KEY_0)));
    } else if (key == Key::KEY_SPACE) {
        c = ' ';
    } else if (key == Key::KEY_MINUS) {
        c = shift ? '_' : '-';
    } else if (key == Key::KEY_EQUAL || key == Key::KEY_PLUS) {
        c = shift || key == Key::KEY_PLUS ? '+' : '=';
    } else if (key == Key::KEY_NONE && rawKey >= 0x21 && rawKey <= 0x7E) {
        c = static_cast<char>(rawKey); // punctuation arrives with its character as the key code
    }
    if (c == 0 || text.size() >= kMaxTyped) return Typing::Ignored;
    text += c;
    return Typing::Edited;
}

void AnalystTools::startSsidTyping()
{
    if (loadShared(m_model.common.spectrumModeActive) == 0) return;
    m_typing = true;
    m_textBefore = filterSsid(m_model.apFilter);
    m_typed = m_textBefore;
    updateMarker();
}

void AnalystTools::finishTyping(bool keep)
{
    m_typing = false;
    if (!keep) {
        setFilterSsid(m_model.apFilter, m_textBefore);
    }
    filterChanged();
}

// ---- keys ----

bool AnalystTools::handleKey(const EventKeyboard& event)
{
    const Key key = event.getKeyCode();
    if (m_typing) {
        switch (typeKey(m_typed, key, event.getRawKey(), event.isShiftDown())) {
        case Typing::Edited:
            setFilterSsid(m_model.apFilter, m_typed);
            filterChanged();
            break;
        case Typing::Done: finishTyping(true); break;
        case Typing::Cancelled: finishTyping(false); break;
        case Typing::Ignored:
            // Function keys (menus, screenshot) still work while typing; other keys are text.
            if (key >= Key::KEY_F1 && key <= Key::KEY_F12) return false;
            break;
        }
        return true; // while typing no other key is a shortcut
    }
    if (event.isRepeat() && key != Key::KEY_TAB) return false;
    if (m_hooks.menuOpen && m_hooks.menuOpen()) return false;
    if (m_popover) {
        switch (key) {
        case Key::KEY_ESCAPE: closeDetails(); return true;
        case Key::KEY_ENTER: return true;
        case Key::KEY_A:
            if (!m_history) toggleHistoryView();
            if (m_history && std::find(m_history->picks().begin(), m_history->picks().end(), m_focus) == m_history->picks().end()) {
                m_history->togglePick(m_focus);
            }
            closeDetails();
            return true;
        default: break;
        }
    }
    // The view opened last takes its keys first.
    AnalystPanel* top = m_occupancy ? static_cast<AnalystPanel*>(m_occupancy) : static_cast<AnalystPanel*>(m_history);
    if (m_history && m_occupancy && m_history->getLocalZOrder() > m_occupancy->getLocalZOrder()) top = m_history;
    if (top && key != Key::KEY_G && key != Key::KEY_O && top->handleKey(static_cast<int>(key), event.getRawKey())) return true;
    if (key == Key::KEY_NONE && event.getRawKey() == '/') {
        startSsidTyping();
        return true;
    }
    switch (key) {
    case Key::KEY_X:
        clearFilter(m_model.apFilter);
        filterChanged();
        return true;
    case Key::KEY_G: toggleHistoryView(); return true;
    case Key::KEY_O: toggleOccupancyView(); return true;
    case Key::KEY_TAB: return cycleFocus(event.isShiftDown() ? -1 : 1);
    case Key::KEY_ENTER:
        // Only while the overlay can be seen (not under a table, which takes Enter itself).
        return m_hasFocus && m_hooks.overlay && m_hooks.overlay() && !m_history && !m_occupancy && openDetails(m_focus);
    default: return false;
    }
}

// ---- the details popover ----

bool AnalystTools::pickAt(const Vec2& world)
{
    SSIDLayer* overlay = m_hooks.overlay ? m_hooks.overlay() : nullptr;
    if (!overlay) return false;
    const Vec2 p = overlay->convertToNodeSpace(world);
    const Size size = overlay->getContentSize();
    if (p.x < 0 || p.y < 0 || p.x > size.width || p.y > size.height) return false;
    const int index = pickOutline(overlay->outlines(), p.x, p.y, kPickSlop);
    if (index < 0) return false;
    return openDetails(overlay->outlines()[static_cast<std::size_t>(index)].bssid);
}

bool AnalystTools::cycleFocus(int direction)
{
    SSIDLayer* overlay = m_hooks.overlay ? m_hooks.overlay() : nullptr;
    if (!overlay || m_history || m_occupancy) return false; // the outlines are under a view
    const int index = cycleOutline(overlay->outlines(), m_hasFocus ? &m_focus : nullptr, direction);
    if (index < 0) return false;
    return openDetails(overlay->outlines()[static_cast<std::size_t>(index)].bssid);
}

void AnalystTools::setFocus(const Bssid* bssid)
{
    if (bssid) {
        m_focus = *bssid;
        m_hasFocus = true;
    }
    if (SSIDLayer* overlay = m_hooks.overlay ? m_hooks.overlay() : nullptr) overlay->setHighlight(bssid);
}

bool AnalystTools::openDetails(const Bssid& bssid)
{
    AccessPointDetailsInput input;
    AccessPointRow row;
    SignalHistory::Track track;
    bool haveTrack = false;
    {
        ModelLock lock(m_model, kAccessPointLock);
        const std::ptrdiff_t at = m_model.accessPoints.find(bssid);
        if (at < 0) return false;
        const AccessPoint& ap = m_model.accessPoints[static_cast<std::size_t>(at)];
        row = AccessPointRow::from(ap, m_model.optimizationSelection.contains(bssid));
        input.graded = ap.band == 0 && ap.grade > 0.0f;
        if (const SignalHistory::Track* t = m_model.signalHistory.track(bssid)) {
            track = *t;
            haveTrack = true;
        }
    }
    const VendorRegistry::Result vendor = VendorRegistry::shared().lookup(bssid);
    m_vendorPending = vendor.status == VendorRegistry::Status::Loading;
    input.row = &row;
    input.track = haveTrack ? &track : nullptr;
    input.vendor = VendorRegistry::describe(vendor);
    input.nowSteadyMs = clock::steadyMs();
    input.nowWall = std::time(nullptr);

    releaseNode(m_popover);
    m_popover = DetailsPopover::create(accessPointDetailLines(input), kPopoverFont);
    if (!m_popover) return false;
    m_popover->retain();
    m_popover->setCloseCallback([this] { closeDetails(); });
    m_popover->setAddCallback([this] {
        if (!m_history) toggleHistoryView();
        const auto& picks = m_history ? m_history->picks() : std::vector<Bssid>{};
        if (m_history && std::find(picks.begin(), picks.end(), m_focus) == picks.end()) m_history->togglePick(m_focus);
        closeDetails();
    });

    // Beside the outline, inside the plot.
    const Rect plot = m_hooks.plotRect ? m_hooks.plotRect() : Rect();
    Vec2 at(plot.getMidX(), plot.getMidY());
    if (SSIDLayer* overlay = m_hooks.overlay ? m_hooks.overlay() : nullptr) {
        for (const OverlayOutline& o : overlay->outlines()) {
            if (o.bssid != bssid) continue;
            at = convertToNodeSpace(overlay->convertToWorldSpace(Vec2(o.shape.x + o.shape.bottomWidth / 2.0f + 8.0f, o.height)));
            break;
        }
    }
    const Size s = m_popover->getContentSize();
    if (at.x + s.width > plot.getMaxX()) at.x = std::max(plot.getMinX(), at.x - s.width - 16.0f);
    at.y = std::clamp(at.y - s.height / 2.0f, plot.getMinY(), std::max(plot.getMinY(), plot.getMaxY() - s.height));
    m_popover->setPosition(at);
    addChild(m_popover, kPopoverZOrder);
    setFocus(&bssid);
    Director::markDirty();
    return true;
}

void AnalystTools::closeDetails()
{
    if (!m_popover) return;
    // Closing may come from the popover's own touch handler: it lives until the frame ends.
    m_popover->retain();
    m_popover->autorelease();
    releaseNode(m_popover);
    m_vendorPending = false;
    if (SSIDLayer* overlay = m_hooks.overlay ? m_hooks.overlay() : nullptr) overlay->setHighlight(nullptr);
}

// ---- views ----

void AnalystTools::toggleHistoryView()
{
    if (m_history) {
        m_history->retain();
        m_history->autorelease();
        releaseNode(m_history);
        return;
    }
    if (loadShared(m_model.common.spectrumModeActive) == 0 || !m_hooks.plotRect) return;
    closeDetails();
    const Rect plot = m_hooks.plotRect();
    m_history = SignalHistoryView::create(m_model, Rect(convertToNodeSpace(plot.origin), plot.size));
    if (!m_history) return;
    m_history->retain();
    m_history->setCloseCallback([this] { toggleHistoryView(); });
    m_history->setExportCallback([this] { exportHistory(); });
    const int z = kViewZOrder + (m_occupancy ? 1 : 0);
    addChild(m_history, z);
}

void AnalystTools::toggleOccupancyView()
{
    if (m_occupancy) {
        m_occupancy->retain();
        m_occupancy->autorelease();
        releaseNode(m_occupancy);
        return;
    }
    if (loadShared(m_model.common.spectrumModeActive) == 0 || !m_hooks.plotRect) return;
    closeDetails();
    const Rect plot = m_hooks.plotRect();
    m_occupancy = ChannelOccupancyView::create(m_model, Rect(convertToNodeSpace(plot.origin), plot.size));
    if (!m_occupancy) return;
    m_occupancy->retain();
    m_occupancy->setCloseCallback([this] { toggleOccupancyView(); });
    addChild(m_occupancy, kViewZOrder + (m_history ? 1 : 0));
}

void AnalystTools::closeViews()
{
    if (m_history) toggleHistoryView();
    if (m_occupancy) toggleOccupancyView();
}

void AnalystTools::exportHistory()
{
    const AccessPointFilter filter(m_model.apFilter);
    const std::uint64_t now = clock::steadyMs();
    std::vector<SignalHistory::Series> series;
    {
        ModelLock lock(m_model, kAccessPointLock);
        series = m_model.signalHistory.copySeries(filter, now);
    }
    // The file is written without the lock held.
    const ExportResult result = exportSignalHistory(series, now, std::time(nullptr));
    if (result.ok) {
        m_model.logLine(1, "Signal history saved: " + result.path);
    } else {
        m_model.logLine(1, "Signal history not saved: " + result.error);
        AlertViewLayer::showSimple("Unable to export the signal history!", result.error);
    }
}

// ---- the filter marker ----

void AnalystTools::filterChanged()
{
    m_model.accessPointListChanged[0].store(true);
    m_model.accessPointListChanged[1].store(true);
    if (m_popover && m_hasFocus) {
        const AccessPointFilter filter(m_model.apFilter);
        bool shown = false;
        {
            ModelLock lock(m_model, kAccessPointLock);
            const std::ptrdiff_t at = m_model.accessPoints.find(m_focus);
            shown = at >= 0 && filter.matches(m_model.accessPoints[static_cast<std::size_t>(at)]);
        }
        if (!shown) closeDetails();
    }
    if (m_history) m_history->refresh();
    updateMarker();
    Director::markDirty();
}

void AnalystTools::updateMarker()
{
    m_sinceCount = 0.0f;
    if (!m_marker) return;
    const AccessPointFilter filter(m_model.apFilter);
    std::string text;
    if (filter.active()) {
        std::size_t shown = 0;
        std::size_t total = 0;
        {
            ModelLock lock(m_model, kAccessPointLock);
            total = m_model.accessPoints.size();
            for (const AccessPointPtr& ap : m_model.accessPoints) shown += ap && filter.matches(*ap) ? 1 : 0;
        }
        text = filteredMarkerText(shown, total);
    }
    if (m_typing) {
        // The text typed so far, shown through the same safe-text rule as an SSID.
        AccessPoint typed;
        typed.setSsid(m_typed);
        text = "SSID FILTER: " + typed.ssidDisplayText() + "_" + (text.empty() ? "" : "   " + text);
    }
    if (loadShared(m_model.common.spectrumModeActive) == 0) text.clear();
    if (text != m_markerText) {
        m_markerText = text;
        m_marker->setString(text);
        m_marker->setVisible(!text.empty());
        placeMarker();
        Director::markDirty();
    }
}

void AnalystTools::placeMarker()
{
    if (!m_marker || !m_hooks.plotRect) return;
    const Rect plot = m_hooks.plotRect();
    // Top centre: clear of the views' titles and title-bar buttons and of the tables' titles.
    m_marker->setPosition(convertToNodeSpace(Vec2(plot.getMidX(), plot.getMaxY() - 6.0f)));
}

void AnalystTools::relayout()
{
    closeDetails();
    placeMarker();
    // The views are laid out for one plot size: build them again for the new one.
    std::vector<Bssid> picks = m_history ? m_history->picks() : std::vector<Bssid>{};
    const bool history = m_history != nullptr;
    const bool occupancy = m_occupancy != nullptr;
    closeViews();
    if (occupancy) toggleOccupancyView();
    if (history) {
        toggleHistoryView();
        if (m_history) for (const Bssid& b : picks) m_history->togglePick(b);
    }
}

void AnalystTools::update(float dt)
{
    if (loadShared(m_model.common.spectrumModeActive) == 0) {
        closeDetails();
        closeViews();
        m_typing = false;
    }
    m_sinceCount += dt;
    if (m_sinceCount >= kMarkerPeriod) updateMarker();
    if (m_popover && m_vendorPending &&
        VendorRegistry::shared().lookup(m_focus).status != VendorRegistry::Status::Loading) {
        openDetails(m_focus); // the registry has been read: show the vendor
    }
}

} // namespace nolvo
