#pragma once
// The menu bar: a grey row of icon buttons with their titles, at the right end of the strip
// along the bottom of the window. From left to right: fly-in/out, mode ("Spectrum" / "Power"),
// the connection indicator, "Cursors", "Measure", "Colors" / "Trigger", "Demo" / "Settings",
// the run state ("Pause" / "Play" / "Single") and the mode switch.
//
// - A menu button opens its menu for the current mode; while any menu is open a tap on any menu
//   button closes it. The button of the open menu shows its selected icon.
// - Run state: a tap steps 0 -> 1, 1 -> 0, 2 and 3 -> 2; holding it for a second arms a single
//   sweep (2) instead, and the tap that ends the hold does nothing more.
// - Demo / Settings: holding it for a second flips the bar's settings toggle (the button turns
//   from "Demo" into "Settings" and back); the tap that ends a hold does nothing more. A tap opens
//   the demo menu while the toggle is off and no accessory is connected, else the settings menu.
//   Without a demo menu in the program the button is always "Settings".
// - Mode switch: to the other mode when no accessory is connected or the accessory has it, else
//   an alert; a switch restarts the accessory link with cleared histories.
// - Fly-in/out slides the bar sideways until only the fly-in/out button shows, and back.
//
// The bar rebuilds its buttons when the accessory connects or disconnects and when the mode
// changes; refreshItems() re-reads the run state, the open menu and the toggles.
// Render thread only.

#include <array>
#include <string>

#include "engine/scene/Layer.h"

namespace engine::ui {
class Button;
}
namespace engine {
class Sprite;
class Label;
}

namespace nolvo {

class DataModel;

class MenuBar : public engine::LayerColor {
public:
    enum class Item : int {
        FlyInOut = 0,
        Mode,
        Connection,
        Cursors,
        Measure,
        ColorsTrigger,
        DemoSettings,
        RunState,
        ModeSwitch,
        Count
    };
    static constexpr int kItemCount = static_cast<int>(Item::Count);
    static constexpr float kLongPressSeconds = 1.0f;
    static constexpr float kFlyTime = 0.2f;
    // Width of one button column, points, where the window has room for it; a narrower window
    // shares its width among the columns (itemWidth()).
    static constexpr float kItemWidth = 58.0f;
    float itemWidth() const { return m_itemWidth; }

    static MenuBar* create(float height);

    // The accessory connection state; the bar rebuilds its buttons when it changes.
    void setAccessoryConnected(bool connected);
    bool isAccessoryConnected() const { return m_connected; }
    // Re-reads the run state, the mode, the open menu and the toggles; rebuilds when the mode
    // changed since the last build.
    void refreshItems();
    int refreshCount() const { return m_refreshes; }
    int buildCount() const { return m_builds; }

    // ---- what the buttons do (their touch events call these) ----
    // A tap on a menu button (Mode, Cursors, Measure, ColorsTrigger, DemoSettings).
    void tapMenuButton(Item item);
    // The menu a button opens now (kNoMenu for other items or when the program has none).
    int menuIdFor(Item item) const;
    // F1..F5: menu button `index` (0 = Mode ... 4 = DemoSettings); closes when its menu is open,
    // otherwise opens it (closing any other at once). True when a menu was opened or closed.
    bool openFromKeyboard(int index);
    void tapRunState();
    void longPressRunState();
    void longPressDemoSettings();
    // Press-and-hold bookkeeping of the two long-press buttons (began / ended / cancelled).
    void pressBegan(Item item);
    // True when the press ended normally and was not a long press (the tap is to act).
    bool pressEnded(Item item);
    void pressCancelled(Item item);
    // Mode switch; false when the hardware lacks the other mode (an alert was shown).
    bool switchMode();
    void setShown(bool shown, bool animated);
    bool isShown() const { return m_shown; }

    bool settingsToggle() const { return m_settingsToggle; }
    engine::ui::Button* button(Item item) const;
    std::string titleOf(Item item) const;
    // Icon file the button shows now (its unselected image, or the selected one while its menu
    // is open).
    std::string iconOf(Item item) const;
    // Shown and hidden x positions of the bar (world).
    float shownX() const;
    float hiddenX() const;

    // Run-state step of a tap: 0 -> 1, 1 -> 0, 2 and 3 -> 2; anything else -> 0.
    static int nextRunState(int state);
    // Writes a run state and tells the link: a stop stops the accessory's stream, running again
    // or a single sweep restarts it where it had been stopped.
    static void applyRunState(DataModel& model, int state);

    void onExit() override;

private:
    MenuBar() = default;
    bool initWithHeight(float height);
    void rebuild();
    void updateLooks();
    engine::ui::Button* makeButton(Item item);
    std::string baseIcon(Item item) const;
    bool demoShown() const;
    engine::Rect anchorOf(Item item) const;
    void startLongPress(Item item);
    void cancelLongPress(Item item);

    float m_height = 0.0f;

    float m_itemWidth = kItemWidth;
    bool m_connected = false;
    bool m_spectrumMode = true;
    bool m_settingsToggle = false;
    bool m_shown = true;
    int m_refreshes = 0;
    int m_builds = 0;
    std::array<engine::ui::Button*, kItemCount> m_buttons{};
    std::array<engine::Label*, kItemCount> m_titles{};
    std::array<std::string, kItemCount> m_shownIcons{};
    engine::Sprite* m_indicator = nullptr;
    // Long press state of the run-state and demo/settings buttons.
    bool m_holding[2] = {false, false};
    bool m_longPressFired[2] = {false, false};
};

} // namespace nolvo
