#pragma once
// The Wi-Fi analyst tools of the main window: the details popover of an access point picked on
// the overlay (click, tap or Enter; Tab cycles; Esc or a click elsewhere closes), the access-point
// filter's marker "FILTERED n of m" (a click on it clears every filter) and typing of its SSID
// text, and the signal history and channel occupancy views.
//
// Keys (while no menu is open):
//   /          type the SSID filter text (Enter keeps it, Esc restores the previous text)
//   X          clear every filter
//   Tab        highlight the next access point of the overlay (Shift+Tab the previous) and show
//              its details; Enter shows the details of the highlighted one
//   A          add the access point of the open popover to the signal history view
//   G / O      open or close the signal history / channel occupancy view
//   Esc        close the popover, else the view on top
// The open view takes its own keys first (E export, C clear picks, + / - time span).
// Render thread only.

#include <ctime>
#include <functional>
#include <string>

#include "engine/input/Event.h"
#include "engine/scene/Node.h"
#include "menus/AnalystControl.h"
#include "model/AccessPoint.h"

namespace engine {
class Label;
}

namespace nolvo {

class ChannelOccupancyView;
class DataModel;
class DetailsPopover;
class SignalHistoryView;
class SSIDLayer;

class AnalystTools : public engine::Node, public AnalystControl {
public:
    static constexpr int kViewZOrder = 72;    // over the tables (70), under the menus
    static constexpr int kMarkerZOrder = 74;
    static constexpr int kPopoverZOrder = 100;

    struct Hooks {
        std::function<engine::Rect()> plotRect;  // the plot in world coordinates
        std::function<SSIDLayer*()> overlay;     // the overlay layer shown now, or null
        std::function<bool()> menuOpen;          // a menu or picker takes the keys
    };

    static AnalystTools* create(DataModel& model, Hooks hooks);
    ~AnalystTools() override;

    // A key press; true when it was used (the window's other shortcuts then do nothing).
    bool handleKey(const engine::EventKeyboard& event);
    void update(float dt) override;
    // The plot moved or changed size: views and the marker follow.
    void relayout();

    // AnalystControl
    void toggleHistoryView() override;
    void toggleOccupancyView() override;
    void startSsidTyping() override;
    void filterChanged() override;

    // Shows the details of the strongest outline under a world point; false when none is there.
    bool pickAt(const engine::Vec2& world);
    bool openDetails(const Bssid& bssid);
    void closeDetails();

    // ---- what one key does to the text being typed (pure; tests) ----
    enum class Typing { Edited, Done, Cancelled, Ignored };
    static Typing typeKey(std::string& text, engine::EventKeyboard::KeyCode key, int rawKey, bool shift);

    // ---- observation (tests) ----
    DetailsPopover* popover() const { return m_popover; }
    SignalHistoryView* historyView() const { return m_history; }
    ChannelOccupancyView* occupancyView() const { return m_occupancy; }
    engine::Label* marker() const { return m_marker; }
    bool isTyping() const { return m_typing; }
    const Bssid* highlighted() const { return m_hasFocus ? &m_focus : nullptr; }

private:
    AnalystTools(DataModel& model, Hooks hooks) : m_model(model), m_hooks(std::move(hooks)) {}
    bool init() override;
    void updateMarker();
    void placeMarker();
    bool cycleFocus(int direction);
    void setFocus(const Bssid* bssid);
    void exportHistory();
    void closeViews();
    void finishTyping(bool keep);

    DataModel& m_model;
    Hooks m_hooks;
    DetailsPopover* m_popover = nullptr;
    SignalHistoryView* m_history = nullptr;
    ChannelOccupancyView* m_occupancy = nullptr;
    engine::Label* m_marker = nullptr;
    std::string m_markerText;
    bool m_typing = false;
    std::string m_typed;
    std::string m_textBefore;
    Bssid m_focus{};
    bool m_hasFocus = false;
    bool m_vendorPending = false;
    float m_sinceCount = 0.0f;
    engine::Vec2 m_touchStart;
};

} // namespace nolvo
