#pragma once
// The process-wide menu controller. It owns the strip along the bottom of the window and the menu
// bar on it, knows which slide-out menu is open (at most one; id kNoMenu when none), and owns the
// overlay behind it: a full-window dimming layer that swallows touches, so a tap outside the open
// menu closes it. A menu is placed centred on the bar button that opened it, its bottom on the
// button's top, kept 2 points inside the visible area. A picker opened from a menu row sits on
// the same overlay above the menu and takes the keyboard while it is open.
//
// Menus are made by factories registered per id (registerMenus() registers every menu of the
// program); a bar button whose menu has no factory is disabled. The application hands the
// controller its link control (stop/restart/demo playback) and the table control of the main
// scene; both may be null (tests, or before the link starts).
// Render thread only.

#include <array>
#include <functional>

#include "engine/input/Event.h"
#include "engine/math/Geometry.h"

namespace engine {
class LayerColor;
class Node;
class Scene;
}

namespace nolvo {

class LinkControl;
class MenuBar;
class MenuLayer;
class PickerLayer;

// Menu ids: the open-menu field of the controller.
enum MenuId : int {
    kSpectrumMenu = 0,
    kPowerMenu = 1,
    kCursorsMenu = 2,
    kSpectrumMeasureMenu = 3,
    kPowerMeasureMenu = 4,
    kSpectrumColorMenu = 5,
    kTriggerMenu = 6,
    kDemoMenu = 7,
    kSettingsMenu = 8,
    kNoMenu = 9,
};

// The access-point tables the spectrum menu opens over the plot (implemented by the main scene).
class TableControl {
public:
    enum Table : int { kAccessPoints = 0, kUtilization = 1 };
    virtual ~TableControl() = default;
    // False while the program has no such table to show.
    virtual bool tableAvailable(Table which) const = 0;
    virtual bool isTableShown(Table which) const = 0;
    // Shows the table, or removes it when shown.
    virtual void toggleTable(Table which) = 0;
};

// Font size, row gap and margins of the menus by display size class; rows are rowHeight tall.
struct MenuMetrics {
    float fontSize = 16.0f;
    float rowGap = 8.0f;
    float margin = 5.0f;
    float rowHeight = 32.0f;
};

class MenuController {
public:
    // Height of the strip along the bottom of the window (B).
    static constexpr float kBarHeight = 60.0f;
    static constexpr int kStripZOrder = 50;
    static constexpr int kOverlayZOrder = 75;
    // Above the overlay: the bar stays usable (and shows which menu is open) while one is.
    static constexpr int kBarZOrder = 80;
    // Fade time of the overlay, seconds.
    static constexpr float kAnimationTime = 0.15f;
    static constexpr float kPlacementInset = 2.0f;

    using MenuFactory = std::function<MenuLayer*()>;

    static MenuController* getInstance();

    float getBarHeight() const { return kBarHeight; }
    // Adds the strip and a new bar to `scene` (replacing ones attached before); closes any menu.
    void attach(engine::Scene* scene);
    // Removes and releases the strip, the bar and any open menu.
    void detach();
    MenuBar* getBar() const { return m_bar; }
    engine::Scene* getScene() const { return m_scene; }

    // ---- menus ----
    void registerMenu(int id, MenuFactory factory);
    bool hasMenu(int id) const;
    // Opens menu `id` anchored to `anchor` (world coordinates). Any open menu is closed at once
    // first. False when there is no factory, no scene or the menu cannot be made.
    bool showMenu(int id, const engine::Rect& anchor);
    // Shows `menu` in place of the open one, under the open menu's id and anchor (a menu that
    // leads to a screen of its own, as the settings menu to the file manager). False when no
    // menu is open or `menu` is null.
    bool replaceOpenMenu(MenuLayer* menu);
    // Fades the overlay out, then removes the menu and sets the open id to kNoMenu (at once when
    // not animated). Closes an open picker first.
    void closeMenu(bool animated = true);
    int getOpenMenuId() const { return m_openId; }
    MenuLayer* getOpenMenu() const { return m_menu; }
    bool isClosing() const { return m_closing; }

    // ---- pickers (modal on the overlay, above the menu) ----
    void showPicker(PickerLayer* picker);
    void closePicker();
    PickerLayer* getPicker() const { return m_picker; }

    // ---- services the menus use ----
    void setLinkControl(LinkControl* link) { m_link = link; }
    LinkControl* linkControl() const { return m_link; }
    void setTableControl(TableControl* tables) { m_tables = tables; }
    TableControl* tableControl() const { return m_tables; }

    // ---- keyboard ----
    // Esc closes the open picker or menu; F1..F5 open the bar's menus from left to right (again
    // closes); M switches mode; an open picker takes the arrows, Page Up/Down, Home, End and
    // Enter; otherwise an open menu takes the arrows, Page Up/Down, Enter and Space (see
    // MenuLayer::handleKey). True when the key was used.
    bool handleKey(engine::EventKeyboard::KeyCode key);

    // ---- layout rules (pure) ----
    static MenuMetrics metricsFor(int sizeClass);
    // Bottom-left corner of a menu of `menu` size: centred on the anchor's centre x, kept
    // kPlacementInset inside the visible area horizontally, bottom on the anchor's top.
    static engine::Vec2 placeMenu(const engine::Rect& anchor, const engine::Size& menu, const engine::Vec2& origin,
                                  const engine::Size& visible);

    // ---- observation ----
    engine::Node* getOverlay() const { return m_overlay; }
    engine::LayerColor* getDimmingLayer() const { return m_dimmer; }
    engine::LayerColor* getStrip() const { return m_strip; }

private:
    MenuController();
    void ensureOverlay();
    void finishClose();
    bool present(int id, MenuLayer* menu, const engine::Rect& anchor);
    bool touchInsideModal(const engine::Vec2& world) const;

    engine::Scene* m_scene = nullptr;  // not retained; the scene owns what it shows
    engine::LayerColor* m_strip = nullptr; // retained while attached
    MenuBar* m_bar = nullptr;          // retained while attached
    engine::Node* m_overlay = nullptr; // retained from the first show
    engine::LayerColor* m_dimmer = nullptr;
    MenuLayer* m_menu = nullptr;       // retained while open
    PickerLayer* m_picker = nullptr;   // retained while open
    int m_openId = kNoMenu;
    engine::Rect m_anchor;             // of the open menu
    bool m_closing = false;
    std::array<MenuFactory, kNoMenu> m_factories{};
    LinkControl* m_link = nullptr;
    TableControl* m_tables = nullptr;
};

// Registers the factory of every menu the program has (menus/MenuRegistry.cpp).
void registerMenus(MenuController& controller);

} // namespace nolvo
