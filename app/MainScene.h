#pragma once
// The one scene of the program. It owns the display layers and rebuilds them when the mode
// changes, and once per frame moves state from the DataModel to the screen: the menu bar's
// connection state, the demo watermark, the 5 GHz fallback, graticule flags, the status strip's
// labels, access-point ageing and table refresh, and the "Acquiring SSID" indicator. It never
// talks to the accessory. Render thread only.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "app/LayerPlan.h"
#include "engine/scene/Scene.h"
#include "menus/MenuController.h"

namespace engine {
class Label;
class LayerColor;
class Sprite;
namespace ui {
class ImageView;
}
}

namespace nolvo {

class AnalystTools;
class DataModel;

class MainScene : public engine::Scene, public TableControl {
public:
    // Seconds between two access-point ageing checks while a table is open.
    static constexpr float kAgeingPeriod = 10.0f;
    static constexpr int kLabelZOrder = 60;
    static constexpr int kWatermarkZOrder = 65;
    static constexpr int kIndicatorZOrder = 59;
    static constexpr int kPopoverZOrder = 100;
    // Tables cover the plot, its labels and the watermark; the menus open above them.
    static constexpr int kTableZOrder = 70;
    // The Wi-Fi analyst views, the filter marker and the details popover: over the tables.
    static constexpr int kAnalystZOrder = 71;
    static constexpr std::uint8_t kWatermarkOpacity = 65;

    // What the scene needs of an access-point table that the spectrum menu opened.
    struct TableHooks {
        std::function<void()> reload;                     // the list changed
        std::function<void(const engine::Rect&)> relayout; // the window changed size (plot rectangle)
        std::function<void()> close;                      // removed by the scene (power mode)
    };
    enum class Table : int { AccessPoints = 0, Utilization = 1 };

    static MainScene* create();
    ~MainScene() override;

    void onEnter() override;
    void onExit() override;
    void update(float dt) override;
    void visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags) override;

    // Removes every display layer and creates the set the current mode needs.
    void rebuildLayers();
    // Asks for a rebuild on the next frame.
    void requestRebuild() { m_rebuildRequested = true; }

    // The access-point tables: set by the spectrum menu (null removes). The scene retains them.
    void setTable(Table which, engine::Node* layer, TableHooks hooks);
    engine::Node* getTable(Table which) const { return m_tables[static_cast<int>(which)].layer; }
    // Opens the access-point table or the utilization table over the plot (spectrum mode only),
    // sorted and filled at once; closes it; or does whichever applies. The spectrum menu's TABLE
    // and ACCESS POINT UTILIZATION and the T and U keys use these.
    void openTable(Table which);
    void closeTable(Table which);
    void toggleTable(Table which);
    bool isTableOpen(Table which) const { return getTable(which) != nullptr; }

    // Makes a table layer for the plot rectangle and fills in its hooks; null when it cannot.
    using TableFactory = std::function<engine::Node*(Table which, const engine::Rect& plot, TableHooks& hooks)>;
    // Replaces the program's own tables (tests, tools); an empty factory restores them.
    static void setTableFactory(TableFactory factory);

    // TableControl (the spectrum menu's "TABLE" and "ACCESS POINT UTILIZATION").
    bool tableAvailable(TableControl::Table which) const override;
    bool isTableShown(TableControl::Table which) const override;
    void toggleTable(TableControl::Table which) override;

    // ---- observation (tests, benchmarks) ----
    engine::Node* getLayer(LayerSlot slot) const { return m_slots[static_cast<int>(slot)]; }
    // How often rebuildLayers ran, and the plan it last followed.
    int rebuildCount() const { return m_rebuildCount; }
    const LayerPlan& lastPlan() const { return m_lastPlan; }
    const PlotGeometry& plotGeometry() const { return m_geometry; }
    engine::Label* amplitudeLabel() const { return m_amplitudeLabel; }
    engine::Label* frequencyLabel() const { return m_frequencyLabel; }
    engine::Label* triggerLabel() const { return m_triggerLabel; }
    engine::ui::ImageView* watermark() const { return m_watermark; }
    bool isAcquiringIndicatorShown() const { return m_dimmer != nullptr; }
    float ageingTimer() const { return m_ageingTimer; }
    int fallbackAlertCount() const { return m_fallbackAlerts; }
    AnalystTools* analystTools() const { return m_analyst; }

private:
    MainScene();
    bool init() override;

    void computeGeometry();
    void placeWatermark();
    void createStatusLabels(float barHeight);
    void updateMenuBar();
    void checkBandSupport();
    void updateGraticule();
    void updateStatusTexts();
    void layoutStatusLabels();
    void ageAccessPoints(float dt);
    void refreshTables();
    void updateAcquiringIndicator();
    void showAcquiringIndicator();
    void hideAcquiringIndicator();
    void handleResize(const engine::Size& newSize);
    void removeTables();
    void closeTable(int index);
    void installKeyboard();
    void createAnalystTools();
    DisplayMode currentMode() const;

    DataModel& m_model;

    float m_ageingTimer = 0.0f;
    std::array<engine::Node*, static_cast<int>(LayerSlot::Count)> m_slots{};
    engine::ui::ImageView* m_watermark = nullptr;
    engine::Node* m_scalingPopover = nullptr;

    engine::LayerColor* m_dimmer = nullptr;
    engine::Sprite* m_outerWheel = nullptr;
    engine::Sprite* m_innerWheel = nullptr;
    engine::Label* m_acquiringLabel = nullptr;

    struct TableSlot {
        engine::Node* layer = nullptr;
        TableHooks hooks;
    };
    std::array<TableSlot, 2> m_tables{};

    bool m_rebuildRequested = true;
    DisplayMode m_builtMode;

    engine::Label* m_amplitudeLabel = nullptr;
    engine::Label* m_frequencyLabel = nullptr;
    engine::Label* m_triggerLabel = nullptr;
    std::array<engine::Label*, 8> m_cursorLabels{}; // value/difference per cursor colour

    // Template column widths for the layout step, measured once.
    float m_scaleColumnWidth = 0.0f;
    std::array<float, 4> m_cursorColumnWidth{};

    int m_rebuildCount = 0;
    int m_fallbackAlerts = 0;
    LayerPlan m_lastPlan;
    PlotGeometry m_geometry;
    float m_barHeight = 0.0f;
    bool m_labelsCreated = false;
    bool m_keyboardInstalled = false;
    AnalystTools* m_analyst = nullptr;
};

} // namespace nolvo
